#include "cli/device_cli.h"

#include "base/readout_part_folder.h"
#include "cli/cli_report.h"
#include "cli/cli_session.h"
#include "cli/descriptor_stream.h"
#include "cli/device_cli_config.h"
#include "cli/device_cli_options.h"
#include "cli/device_commands.h"
#include "link/trace_file.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr char kPrefix[] = "re2-device: ";

int WrongUsage(std::ostream& err, const std::string& problem) {
    err << kPrefix << problem << "\n(re2-device --help podaje sposób użycia)\n";
    return 2;
}

// --trace FILE: the trace of the line from before the port is opened until the session
// closes. False, with the reason on err, when FILE cannot be written.
bool StartTrace(CCliSession& session, const std::string& path, CCliReport& report) {
    std::string error;
    std::unique_ptr<CTraceFile> file = CTraceFile::Open(path, TraceFileMode::Replace, error);
    if (!file) {
        report.Error(cli_error::kFile, "nie można zapisać ruchu łącza: " + error);
        return false;
    }
    session.Trace().Start(
        std::move(file), DeviceCliVersion(), [&report](const std::string& reason) {
            report.Error(cli_error::kFile, "zapis ruchu łącza przerwany: " + reason);
        });
    return true;
}

int RunCommand(t_command_context& context) {
    switch (context.options.command) {
    case DeviceCommand::Info:
        return RunInfo(context);
    case DeviceCommand::Clock:
        return RunClock(context);
    case DeviceCommand::Monitor:
        return RunMonitor(context);
    case DeviceCommand::Readout:
        return RunReadout(context);
    case DeviceCommand::SettingsDump:
        return RunSettingsDump(context);
    case DeviceCommand::SettingsWrite:
        return RunSettingsWrite(context);
    case DeviceCommand::Ports:
    case DeviceCommand::SettingsCheck:
    case DeviceCommand::Help:
    case DeviceCommand::Version:
    case DeviceCommand::None:
        break;
    }
    return 2;
}

// The status once what the command wrote to out is out: 1 when that failed.
int Written(std::ostream& out, CCliReport& report, int status) {
    return OutputWritten(out, report) ? status : 1;
}

// A terminal that can write a line over: one whose TERM names a kind with cursor moves.
bool CursorMoves() {
    const char* term = std::getenv("TERM");
    return term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

bool IsFolder(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// What can be found wrong before the port is opened; false after telling it. The status
// for that is in status.
bool CheckBeforeConnecting(const t_device_cli_options& options, std::ostream& err,
                           CCliReport& report, int& status) {
    status = 1;
    if (!options.configDirectory.empty() && !IsFolder(options.configDirectory)) {
        report.Error(cli_error::kConfigDir,
                     "folder ustawień " + options.configDirectory + " nie istnieje");
        return false;
    }
    if (options.command != DeviceCommand::Readout) {
        return true;
    }
    if (options.output == kStandardStream && isatty(STDOUT_FILENO) == 1) {
        status = WrongUsage(err, "readout -o -: standardowe wyjście jest terminalem, a obraz "
                                 "pomiarów nie jest tekstem (przekieruj je do pliku albo potoku)");
        return false;
    }
    // Found only after the whole readout otherwise.
    return CheckReadoutOutput(options.output, report);
}

} // namespace

bool OutputWritten(std::ostream& out, CCliReport& report) {
    out.flush();
    if (out) {
        return true;
    }
    const auto* stream = dynamic_cast<const CDescriptorStream*>(&out);
    report.OutputFailed(stream != nullptr && stream->Error() != 0 ? stream->Error() : EIO);
    return false;
}

int DeviceMain(int argc, char** argv, std::ostream& out, std::ostream& err) {
    // A closed pipe is a failed write, ended cleanly with the port handed back.
    std::signal(SIGPIPE, SIG_IGN);
    t_device_cli_options options;
    std::string problem;
    if (!ParseDeviceCli(std::vector<std::string>(argv + 1, argv + argc), options, problem)) {
        return WrongUsage(err, problem);
    }
    CCliReport report(err, options.json, options.quiet);
    if (options.command == DeviceCommand::Help) {
        out << DeviceCliHelp();
        return Written(out, report, 0);
    }
    if (options.command == DeviceCommand::Version) {
        out << DeviceCliVersion() << '\n';
        return Written(out, report, 0);
    }
    // Neither needs the settings or a device.
    if (options.command == DeviceCommand::Ports) {
        return Written(out, report, RunPorts(options, out));
    }
    if (options.command == DeviceCommand::SettingsCheck) {
        return Written(out, report, RunSettingsCheck(options, out, report));
    }
    int status = 1;
    if (!CheckBeforeConnecting(options, err, report, status)) {
        return status;
    }
    const std::string programDirectory = OwnProgramDirectory();
    t_cli_link link;
    if (!ResolveCliLink(options, CliSettingsDirectory(options, programDirectory), link, problem)) {
        return WrongUsage(err, problem);
    }

    // Made before the link's worker thread, which inherits the blocked signals.
    CPollHost host;
    if (!host.Ready()) {
        report.Error(cli_error::kSystem, "nie można przygotować pętli zdarzeń");
        return 1;
    }
    status = 1;
    {
        CCliSession session(host, link, report);
        session.SetReadoutPartFolder(ReadoutPartFolderOf(programDirectory));
        if ((options.trace.empty() || StartTrace(session, options.trace, report)) &&
            session.Connect()) {
            if (const std::string notice = session.PortNotice(); !notice.empty()) {
                report.Notice(notice);
            }
            const bool terminal = isatty(STDERR_FILENO) == 1;
            t_command_context context{
                session, session,          options,  out,
                report,  programDirectory, terminal, terminal && CursorMoves()};
            status = Written(out, report, RunCommand(context));
            if (!session.Interrupted()) {
                session.TellLineReport();
            }
        }
        // The session's end gives the port back before the program ends, by a signal too.
    }
    host.EndBySignal();
    return status;
}
