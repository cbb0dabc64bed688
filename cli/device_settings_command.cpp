// "settings dump" and "settings write": the unit's settings blocks as text, and a text
// written back field by field. A recorder has blocks 2, 3 and 4, a programmer block 5: the
// live status tells which, as it tells the window to enable "Programator".

#include "base/output_file.h"
#include "base/system_error_text.h"
#include "cli/cli_json.h"
#include "cli/cli_report.h"
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
#include <fcntl.h>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

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

// The whole file ("-": standard input), at most kMaxSettingsFileBytes; false with the
// reason.
bool ReadTextFile(const std::string& path, std::string& text, std::string& reason) {
    const bool standardInput = path == kStandardStream;
    const int fd =
        standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        reason = SystemErrorText(errno);
        return false;
    }
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        reason = "to jest folder, nie plik ustawień";
        if (!standardInput) {
            ::close(fd);
        }
        return false;
    }
    text.clear();
    char buffer[8192];
    bool read = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            reason = SystemErrorText(errno);
            read = false;
            break;
        }
        if (n == 0) {
            break;
        }
        if (text.size() + static_cast<std::size_t>(n) > kMaxSettingsFileBytes) {
            reason = "plik jest za duży na plik ustawień";
            read = false;
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    if (!standardInput) {
        ::close(fd);
    }
    return read;
}

// How messages name the file: "-" is standard input.
std::string FileName(const std::string& path) {
    return path == kStandardStream ? std::string("standardowe wejście") : path;
}

void WriteErrors(CCliReport& report, const std::string& path,
                 const std::vector<t_settings_error>& errors) {
    for (const t_settings_error& error : errors) {
        report.Error(cli_error::kSettingsFile, FileName(path) + ": " + error.Text());
    }
}

// The settings text at path, read and parsed; false after telling the user what is wrong
// with it. A file that names no section would change nothing and is refused, as a wrong
// file (an empty one, a file of something else) most likely is.
bool LoadSettingsFile(const std::string& path, CCliReport& report, t_settings_file& file) {
    std::string text;
    std::string reason;
    if (!ReadTextFile(path, text, reason)) {
        report.Error(cli_error::kFile, FileName(path) + ": " + reason);
        return false;
    }
    const std::vector<t_settings_error> errors = ParseSettingsText(text, file);
    if (!errors.empty()) {
        WriteErrors(report, path, errors);
        return false;
    }
    if (file.sections.empty()) {
        report.Error(cli_error::kSettingsFile,
                     FileName(path) + ": brak sekcji ustawień ([konfiguracja], [przeglady], "
                                      "[przekazniki] albo [dane_programatora]); nic nie zapisano");
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

// The differences as one JSON object: {"changes": [{"section", "key", "device", "file"}],
// "kept_raw": [sections whose unnamed bytes stay the device's], "written": false}.
nlohmann::json PlanJson(const t_settings_plan& plan) {
    nlohmann::json changes = nlohmann::json::array();
    nlohmann::json kept = nlohmann::json::array();
    for (const t_settings_block_plan& block : plan.blocks) {
        const std::string section(SettingsSectionName(block.block));
        for (const t_settings_change& change : block.changes) {
            changes.push_back({{"section", section},
                               {"key", change.key},
                               {"device", change.device},
                               {"file", change.file}});
        }
        if (block.unshownKept) {
            kept.push_back(section);
        }
    }
    return {{"changes", changes}, {"kept_raw", kept}, {"written", false}};
}

std::string Sections(const std::vector<int>& blocks) {
    std::string text;
    for (const int id : blocks) {
        text.append(text.empty() ? "" : ", ").append(SettingsSectionHeader(id));
    }
    return text.empty() ? std::string("nic") : text;
}

// "zapisano: ...; przerwany w trakcie: ...; nie zapisano: ..." when the write of the changed
// blocks stopped at block `stopped` of the plan: cut part way when `cut` (it may have
// some of its chunks and no close), not begun otherwise.
std::string PartlyWrittenText(const t_settings_plan& plan, std::size_t stopped, bool cut,
                              const std::vector<int>& written) {
    std::vector<int> notWritten;
    for (std::size_t j = stopped + (cut ? 1 : 0); j < plan.blocks.size(); ++j) {
        if (plan.blocks[j].changed) {
            notWritten.push_back(plan.blocks[j].block);
        }
    }
    std::string text = "zapisano: " + Sections(written);
    if (cut) {
        text.append("; przerwany w trakcie: ")
            .append(SettingsSectionHeader(plan.blocks[stopped].block));
    }
    return text.append("; nie zapisano: ").append(Sections(notWritten));
}

// Writes the changed blocks in the plan's order; a failure stops the rest and says which
// were written. A first termination signal lets the block under way end (its last chunks
// and its close) and begins no other; a second one cuts it. Either way the user is told
// what was written. The exit status.
int WritePlan(t_command_context& context, const t_settings_plan& plan) {
    std::vector<int> written;
    context.shell.HoldSignals(true);
    for (std::size_t i = 0; i < plan.blocks.size(); ++i) {
        const t_settings_block_plan& block = plan.blocks[i];
        if (!block.changed) {
            continue;
        }
        if (context.shell.SignalHeld()) {
            context.report.Error(cli_error::kInterrupted,
                                 "przerwano: " + PartlyWrittenText(plan, i, false, written));
            return 1;
        }
        if (!context.session.WriteBlock(block.block, block.bytes.data())) {
            const bool interrupted = context.shell.Interrupted();
            context.report.Error(interrupted ? cli_error::kInterrupted : cli_error::kDevice,
                                 (interrupted ? "przerwano: " : "") +
                                     PartlyWrittenText(plan, i, true, written));
            return 1;
        }
        written.push_back(block.block);
        context.out << "zapisano " << SettingsSectionHeader(block.block) << '\n' << std::flush;
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
        for (const t_settings_error& error : errors) {
            context.report.Error(cli_error::kDevice, "urządzenie: " + error.Text());
        }
        return 1;
    }
    const std::string& output = context.options.output;
    if (output.empty() || output == kStandardStream) {
        context.out << text;
        return 0;
    }
    if (!WriteOutputFile(output, reinterpret_cast<const std::uint8_t*>(text.data()), text.size())) {
        const int error = errno;
        context.report.Error(cli_error::kFile, std::string(kCannotSave) + " (" + output + ": " +
                                                   SystemErrorText(error) + ")");
        return 1;
    }
    return 0;
}

int RunSettingsWrite(t_command_context& context) {
    const t_device_cli_options& options = context.options;
    std::ostream& out = context.out;
    CCliReport& report = context.report;
    // The file is checked before the device is asked anything.
    t_settings_file file;
    if (!LoadSettingsFile(options.input, report, file)) {
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
        WriteErrors(report, options.input, errors);
        return 1;
    }
    if (plan.otherDevice && !options.otherDevice) {
        report.Error(cli_error::kOtherDevice,
                     FileName(options.input) + ": plik innego urządzenia (nr fabryczny " +
                         std::to_string(plan.fileFactoryNumber) + ", urządzenie " +
                         std::to_string(plan.deviceFactoryNumber) +
                         "); nic nie zapisano, --other-device przenosi ustawienia");
        return 1;
    }
    if (options.json) {
        // Only with --dry-run (the options allow no other).
        out << JsonText(PlanJson(plan));
        return 0;
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

int RunSettingsCheck(const t_device_cli_options& options, std::ostream& out, CCliReport& report) {
    t_settings_file file;
    if (!LoadSettingsFile(options.input, report, file)) {
        return 1;
    }
    const std::vector<t_settings_error> errors = CheckSettingsFile(file);
    if (!errors.empty()) {
        WriteErrors(report, options.input, errors);
        return 1;
    }
    out << FileName(options.input) << ": poprawny\n";
    return 0;
}
