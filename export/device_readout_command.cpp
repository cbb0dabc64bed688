// "readout": the recorder memory into a measurement file, saved whole or not at all. The
// bytes read go to the device's part file as they come, so that a readout cut by the line,
// the device or a signal is continued by the next one without asking (--restart reads it
// all again).

#include "base/text_format.h"
#include "base/win1250.h"
#include "device/configuration_record.h"
#include "device/device_replies.h"
#include "export/cli_session.h"
#include "export/device_cli_options.h"
#include "export/device_commands.h"
#include "link/protocol.h"
#include "link/transfer_rate.h"
#include "measure/measurement_file.h"
#include "measure/readout_part.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <ostream>
#include <sys/stat.h>

namespace {

constexpr char kCannotSave[] = "Nie mozna otworzyc pliku do zapisu!";

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

// FILE.qz as given; for a folder (DIR/, or a name that is one) the file in it named after
// the device and the PC's local time at the start.
std::string OutputPath(const std::string& output, std::uint16_t factoryNumber, std::int64_t start) {
    struct stat info {};
    const bool folder =
        output.back() == '/' || (::stat(output.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    if (!folder) {
        return output;
    }
    const std::time_t t = static_cast<std::time_t>(start);
    std::tm local{};
    char stamp[32] = "";
    if (localtime_r(&t, &local) != nullptr) {
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H%M%S", &local);
    }
    const std::string directory = output.back() == '/' ? output : output + "/";
    return directory + Format("%u_%s.qz", static_cast<unsigned>(factoryNumber), stamp);
}

// The device's identity for its part: address, name and version of command 33 (the name
// as the reply's Windows-1250 bytes up to its zero byte), factory number of block 2.
bool ReadIdentity(CCliSession& session, t_readout_identity& identity) {
    std::size_t size = 0;
    const std::uint8_t* data = ExchangeData(session, protocol::kCmdReadVersions, nullptr, 0, size);
    if (data == nullptr) {
        return false;
    }
    if (size < 1) {
        session.ShowMessage("Urządzenie nie odpowiada", MessageIcon::Exclamation);
        return false;
    }
    identity.address = static_cast<std::uint8_t>(session.DeviceAddress());
    identity.version = data[0];
    const std::uint8_t* name = data + 1;
    const std::size_t limit = std::min(size - 1, kPartNameMaxBytes);
    identity.name.assign(name, std::find(name, name + limit, std::uint8_t{0}));
    std::uint8_t block[protocol::kConfigurationSize];
    if (!session.ReadBlock(protocol::kBlockConfiguration, block)) {
        return false;
    }
    t_configuration_record configuration;
    configuration.Load(block, sizeof block);
    identity.factoryNumber = configuration.FactoryNumber();
    return true;
}

// One line on a terminal, written over as the readout goes on.
class CProgressLine {
public:
    CProgressLine(std::ostream& err, bool shown) : m_err(err), m_shown(shown) {}
    ~CProgressLine() { Finish(); }

    void Update(std::uint32_t done, std::uint32_t total) {
        if (!m_shown) {
            return;
        }
        if (!m_rate) {
            m_rate = std::make_unique<CTransferRate>(total);
        }
        if (m_rate->Update(SteadyMs(), done)) {
            m_err << '\r' << m_rate->Text() << "\x1b[K" << std::flush;
            m_written = true;
        }
    }
    // Ends the line, so that what follows starts on a new one.
    void Finish() {
        if (m_written) {
            m_err << '\n' << std::flush;
            m_written = false;
        }
    }

private:
    std::ostream& m_err;
    bool m_shown;
    bool m_written = false;
    std::unique_ptr<CTransferRate> m_rate;
};

} // namespace

int RunReadout(t_command_context& context) {
    CCliSession& session = context.session;
    const t_device_cli_options& options = context.options;
    const std::int64_t start = Now();

    t_readout_identity identity;
    if (!ReadIdentity(session, identity)) {
        return 1;
    }
    const std::string output = OutputPath(options.output, identity.factoryNumber, start);

    // The part: continued when one of this device is fresh, begun anew otherwise. Without
    // a part the readout still runs; only a cut would then cost it all.
    const std::string partDirectory = ReadoutPartDirectoryOf(context.programDirectory);
    RemoveStaleReadoutParts(partDirectory, start);
    const std::string partPath = ReadoutPartPath(partDirectory, identity.factoryNumber);
    CReadoutPartWriter part;
    t_readout_part held;
    bool continued = false;
    if (!options.restart) {
        t_readout_part found;
        if (ReadReadoutPart(partPath, found) && found.identity == identity &&
            IsReadoutPartFresh(found.cutTime, start)) {
            continued = part.Continue(partPath, identity, held);
        }
    }
    if (!continued) {
        held = t_readout_part{};
        if (!MakeReadoutPartDirectory(partDirectory) || !part.Create(partPath, identity)) {
            context.err << "Nie można zapisać części odczytu " << partPath << ": "
                        << std::strerror(errno != 0 ? errno : EIO) << '\n';
        }
    }

    CProgressLine progress(context.err, context.progressOnTerminal && !options.quiet);
    session.SetProgress(
        [&](std::uint32_t done, std::uint32_t total) { progress.Update(done, total); });
    const bool read = session.ReadBlockFrom(
        protocol::kBlockRecorder, static_cast<std::uint32_t>(held.bytes.size()), held.bytes.data(),
        [&](std::uint32_t offset, std::uint32_t count) {
            if (part.IsOpen() && !part.Failed()) {
                part.Append(offset, session.BlockData() + offset, count, SteadyMs());
            }
        });
    session.SetProgress({});
    progress.Finish();
    if (!read) {
        // Kept for the next readout: what came so far, and when it was cut.
        if (part.IsOpen()) {
            part.End(Now());
        }
        return 1;
    }
    // The part stays until the file is whole: a failed save is read again from it.
    part.Flush();
    if (!SaveMeasurementFile(output, session.BlockData(), protocol::kRecorderSize)) {
        const int error = errno;
        if (part.IsOpen()) {
            part.End(Now());
        }
        context.err << kCannotSave << " (" << output << ": " << std::strerror(error) << ")\n";
        return 1;
    }
    RemoveReadoutPart(partPath);
    return 0;
}
