// "readout": the recorder memory into a measurement file, saved whole or not at all, or to
// standard output. The bytes read go to the device's part file as they come, so that a
// readout cut by the line, the device or a signal is continued by the next one without
// asking (--restart reads it all again); the part stays until the file is whole, so that a
// failed save costs no second readout.

#include "base/descriptor_io.h"
#include "base/output_file.h"
#include "base/steady_time.h"
#include "base/system_error_text.h"
#include "base/text_format.h"
#include "cli/cli_json.h"
#include "cli/cli_report.h"
#include "cli/device_cli_options.h"
#include "cli/device_commands.h"
#include "cli/progress_line.h"
#include "cli/readout_summary.h"
#include "cli/shell_session.h"
#include "device/device_session.h"
#include "link/protocol.h"
#include "measure/measure_operations.h"
#include "measure/readout_part.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kCannotSave[] = "Nie mozna otworzyc pliku do zapisu!";

bool IsFolderOutput(const std::string& output) {
    struct stat info {};
    return output.back() == '/' || (::stat(output.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}

// FILE.qz as given; for a folder (DIR/, or a name that is one) the file in it named after
// the device and the PC's local time at the start.
std::string OutputPath(const std::string& output, std::uint16_t factoryNumber, std::int64_t start) {
    if (!IsFolderOutput(output)) {
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

// The folder a save of path writes its temporary file in, ending in '/'.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

// Whether path leads to what standard output is (/dev/stdout, /proc/self/fd/1).
bool IsStandardOutput(const std::string& path) {
    struct stat named {};
    struct stat standard {};
    return ::stat(path.c_str(), &named) == 0 && ::fstat(STDOUT_FILENO, &standard) == 0 &&
           named.st_dev == standard.st_dev && named.st_ino == standard.st_ino;
}

bool WriteImage(const t_command_context& context, const std::string& path) {
    const std::uint8_t* image = context.session.MemoryImage();
    if (context.options.output == kStandardStream) {
        if (!OutputWritten(context.out, context.report)) {
            return false;
        }
        errno = 0;
        if (WriteAll(STDOUT_FILENO, image, protocol::kRecorderSize)) {
            return true;
        }
        context.report.OutputFailed(errno != 0 ? errno : EIO);
        return false;
    }
    if (!WriteOutputFile(path, image, protocol::kRecorderSize)) {
        const int error = errno;
        context.report.Error(cli_error::kFile, std::string(kCannotSave) + " (" + path + ": " +
                                                   SystemErrorText(error) + ")");
        return false;
    }
    return true;
}

} // namespace

bool CheckReadoutOutput(const std::string& output, CCliReport& report) {
    if (output == kStandardStream || IsStraightOutput(output)) {
        return true;
    }
    // What the save will need: a new file in the folder the file goes to. root passes
    // access(), so the file is made, and removed again.
    const std::string folder =
        IsFolderOutput(output) ? (output.back() == '/' ? output : output + "/") : FolderOf(output);
    std::string probe = folder + ".re2-device-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd >= 0) {
        ::close(fd);
        ::unlink(probe.c_str());
        return true;
    }
    const int error = errno;
    // A file that may be written where no new one may be made is saved in place.
    if (!IsFolderOutput(output)) {
        const int existing = ::open(output.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (existing >= 0) {
            ::close(existing);
            return true;
        }
    }
    report.Error(cli_error::kFile,
                 std::string(kCannotSave) + " (" + output + ": " + SystemErrorText(error) + ")");
    return false;
}

int RunReadout(t_command_context& context) {
    CDeviceSession& session = context.session;
    const t_device_cli_options& options = context.options;

    CProgressLine progress(context.report.Stream(),
                           context.progressOnTerminal && !context.report.Quiet(),
                           context.cursorMoves);
    context.shell.SetProgress(
        [&](std::uint32_t done, std::uint32_t total) { progress.Update(SteadyMs(), done, total); });
    const std::int64_t started = SteadyMs();
    const t_recorder_readout readout =
        ReadRecorderMemory(session, options.restart ? CutReadout::Restart : CutReadout::Continue,
                           false, options.full ? KeptImageUse::Ignore : KeptImageUse::Use);
    const std::int64_t ended = SteadyMs();
    context.shell.SetProgress({});
    progress.Finish();
    if (!readout.complete) {
        return 1;
    }
    t_readout_summary summary;
    if (options.output != kStandardStream) {
        summary.path =
            OutputPath(options.output, readout.identity.factoryNumber, readout.startTime);
    }
    if (!WriteImage(context, summary.path)) {
        return 1;
    }
    const bool imageOnStandardOutput =
        options.output == kStandardStream || IsStandardOutput(summary.path);
    RemoveReadoutPart(readout.partPath);
    summary.bytesRead = readout.bytesRead;
    summary.elapsedMs = ended - started;
    summary.retries = readout.retries;
    summary.continuedFrom = readout.continuedFrom;
    summary.repeat = readout.repeat;
    context.report.Notice(ReadoutEndLine(summary));
    if (options.json) {
        nlohmann::json object = nlohmann::json::object();
        ReadoutJson(summary, object);
        context.out << JsonText(object);
    } else if (!imageOnStandardOutput) {
        // With DIR/ a script knows the name only from here.
        context.out << summary.path << '\n';
    }
    return 0;
}
