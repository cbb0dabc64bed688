// "readout": the recorder memory into a measurement file, saved whole or not at all. The
// bytes read go to the device's part file as they come, so that a readout cut by the line,
// the device or a signal is continued by the next one without asking (--restart reads it
// all again).

#include "base/steady_time.h"
#include "base/text_format.h"
#include "cli/device_cli_options.h"
#include "cli/device_commands.h"
#include "cli/shell_session.h"
#include "device/device_session.h"
#include "link/protocol.h"
#include "link/transfer_rate.h"
#include "measure/measure_operations.h"
#include "measure/measurement_file.h"
#include "measure/readout_part.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <ostream>
#include <sys/stat.h>

namespace {

constexpr char kCannotSave[] = "Nie mozna otworzyc pliku do zapisu!";

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
    CDeviceSession& session = context.session;
    const t_device_cli_options& options = context.options;

    CProgressLine progress(context.err, context.progressOnTerminal && !options.quiet);
    context.shell.SetProgress(
        [&](std::uint32_t done, std::uint32_t total) { progress.Update(done, total); });
    // The part stays until the file is whole: a failed save is read again from it.
    const t_recorder_readout readout =
        ReadRecorderMemory(session, options.restart ? CutReadout::Restart : CutReadout::Continue,
                           false, options.full ? KeptImageUse::Ignore : KeptImageUse::Use);
    context.shell.SetProgress({});
    progress.Finish();
    if (!readout.complete) {
        return 1;
    }
    const std::string output =
        OutputPath(options.output, readout.identity.factoryNumber, readout.startTime);
    if (!SaveMeasurementFile(output, session.MemoryImage(), protocol::kRecorderSize)) {
        const int error = errno;
        context.err << kCannotSave << " (" << output << ": " << std::strerror(error) << ")\n";
        return 1;
    }
    RemoveReadoutPart(readout.partPath);
    return 0;
}
