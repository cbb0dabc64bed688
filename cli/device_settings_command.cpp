// "settings dump" and "settings write": the unit's settings blocks as text, and a text
// written back field by field. A recorder has blocks 2, 3 and 4, a programmer block 5: the
// live status tells which, as it tells the window to enable "Programator".

#include "base/atomic_file.h"
#include "cli/device_cli_options.h"
#include "cli/device_commands.h"
#include "cli/shell_session.h"
#include "device/device_exchange.h"
#include "device/device_session.h"
#include "device/live_status.h"
#include "device/settings_keys.h"
#include "device/settings_text.h"
#include "link/protocol.h"
#include "link/transfer_data.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>
#include <sstream>

namespace {

constexpr char kCannotSave[] = "Nie mozna otworzyc pliku do zapisu!";
// A settings text is a few kilobytes; anything far larger is no settings file.
constexpr std::size_t kMaxSettingsFileBytes = 1u << 20;

// The blocks of the connected unit, read whole; false after telling the user why.
bool ReadUnitBlocks(CDeviceSession& session, t_settings_blocks& blocks) {
    const t_transfer_data* reply = session.Exchange(protocol::kCmdLiveStatus, kLiveStatusRequest,
                                                    static_cast<int>(kLiveStatusRequestSize));
    t_live_status status;
    if (reply == nullptr || !ParseLiveStatus(reply->data, ReplyDataLength(*reply), status)) {
        ShowNoAnswer(session);
        return false;
    }
    const std::vector<int> ids =
        status.programmer ? std::vector<int>{protocol::kBlockProgrammer}
                          : std::vector<int>{protocol::kBlockConfiguration,
                                             protocol::kBlockInspections, protocol::kBlockRelays};
    for (const int id : ids) {
        std::vector<std::uint8_t> bytes(protocol::BlockSize(id));
        if (!session.ReadBlock(id, bytes.data())) {
            return false;
        }
        blocks[id] = std::move(bytes);
    }
    return true;
}

// The whole file, at most kMaxSettingsFileBytes; false with the reason.
bool ReadTextFile(const std::string& path, std::string& text, std::string& reason) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = std::strerror(errno != 0 ? errno : ENOENT);
        return false;
    }
    std::ostringstream content;
    char buffer[8192];
    std::size_t total = 0;
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        total += static_cast<std::size_t>(in.gcount());
        if (total > kMaxSettingsFileBytes) {
            reason = "plik jest za duży na plik ustawień";
            return false;
        }
        content.write(buffer, in.gcount());
    }
    if (in.bad()) {
        reason = std::strerror(EIO);
        return false;
    }
    text = content.str();
    return true;
}

void WriteErrors(std::ostream& err, const std::string& path,
                 const std::vector<t_settings_error>& errors) {
    for (const t_settings_error& error : errors) {
        err << path << ": " << error.Text() << '\n';
    }
}

// The settings text at path, read and parsed; false after telling the user what is wrong
// with it.
bool LoadSettingsFile(const std::string& path, std::ostream& err, t_settings_file& file) {
    std::string text;
    std::string reason;
    if (!ReadTextFile(path, text, reason)) {
        err << path << ": " << reason << '\n';
        return false;
    }
    const std::vector<t_settings_error> errors = ParseSettingsText(text, file);
    if (!errors.empty()) {
        WriteErrors(err, path, errors);
        return false;
    }
    return true;
}

// Each change as "[section] key: device -> file"; true when any block changes.
bool ShowPlan(std::ostream& out, const t_settings_plan& plan) {
    bool any = false;
    for (const t_settings_block_plan& block : plan.blocks) {
        for (const t_settings_change& change : block.changes) {
            out << SettingsSectionHeader(block.block) << ' ' << change.key << ": " << change.device
                << " -> " << change.file << '\n';
        }
        if (block.unshownKept) {
            out << SettingsSectionHeader(block.block)
                << " surowe: bajty bez klucza zostają jak w urządzeniu\n";
        }
        any = any || block.changed;
    }
    return any;
}

// "zapisano: ...; nie zapisano: ..." after the write of the changed block `failed` failed.
std::string PartlyWrittenText(const t_settings_plan& plan, std::size_t failed,
                              const std::vector<int>& written) {
    std::string notWritten;
    for (std::size_t j = failed; j < plan.blocks.size(); ++j) {
        if (plan.blocks[j].changed) {
            notWritten.append(notWritten.empty() ? "" : ", ")
                .append(SettingsSectionHeader(plan.blocks[j].block));
        }
    }
    std::string done;
    for (const int id : written) {
        done.append(done.empty() ? "" : ", ").append(SettingsSectionHeader(id));
    }
    std::string text = "zapisano: ";
    text.append(done.empty() ? "nic" : done).append("; nie zapisano: ").append(notWritten);
    return text;
}

// Writes the changed blocks in the plan's order; a failure stops the rest and says which
// were written. The exit status.
int WritePlan(t_command_context& context, const t_settings_plan& plan) {
    std::vector<int> written;
    for (std::size_t i = 0; i < plan.blocks.size(); ++i) {
        const t_settings_block_plan& block = plan.blocks[i];
        if (!block.changed) {
            continue;
        }
        if (!context.session.WriteBlock(block.block, block.bytes.data())) {
            if (!context.shell.Interrupted()) {
                context.err << PartlyWrittenText(plan, i, written) << '\n';
            }
            return 1;
        }
        written.push_back(block.block);
        context.out << "zapisano " << SettingsSectionHeader(block.block) << '\n';
    }
    return 0;
}

} // namespace

int RunSettingsDump(t_command_context& context) {
    t_settings_blocks blocks;
    if (!ReadUnitBlocks(context.session, blocks)) {
        return 1;
    }
    std::string text;
    const std::vector<t_settings_error> errors = DumpSettings(blocks, text);
    if (!errors.empty()) {
        WriteErrors(context.err, "urządzenie", errors);
        return 1;
    }
    const std::string& output = context.options.output;
    if (output.empty()) {
        context.out << text << std::flush;
        return context.out ? 0 : 1;
    }
    if (!WriteFileAtomically(output, reinterpret_cast<const std::uint8_t*>(text.data()),
                             text.size())) {
        context.err << kCannotSave << " (" << output << ": " << std::strerror(errno) << ")\n";
        return 1;
    }
    return 0;
}

int RunSettingsWrite(t_command_context& context) {
    const t_device_cli_options& options = context.options;
    std::ostream& out = context.out;
    std::ostream& err = context.err;
    // The file is checked before the device is asked anything.
    t_settings_file file;
    if (!LoadSettingsFile(options.input, err, file)) {
        return 1;
    }
    t_settings_blocks device;
    if (!ReadUnitBlocks(context.session, device)) {
        return 1;
    }
    t_settings_plan plan;
    const std::vector<t_settings_error> errors =
        ApplySettings(file, device, options.otherDevice, plan);
    if (!errors.empty()) {
        WriteErrors(err, options.input, errors);
        return 1;
    }
    if (plan.otherDevice && !options.otherDevice) {
        err << options.input << ": plik innego urządzenia (nr fabryczny " << plan.fileFactoryNumber
            << ", urządzenie " << plan.deviceFactoryNumber
            << "); nic nie zapisano, --other-device przenosi ustawienia\n";
        return 1;
    }
    if (!ShowPlan(out, plan)) {
        out << "brak różnic, nic nie zapisano\n";
        return 0;
    }
    if (options.dryRun) {
        out << "--dry-run: nic nie zapisano\n";
        return 0;
    }
    return WritePlan(context, plan);
}
