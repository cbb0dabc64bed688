#include "cli/device_cli.h"

#include "base/readout_part_folder.h"
#include "cli/cli_session.h"
#include "cli/device_cli_config.h"
#include "cli/device_cli_options.h"
#include "cli/device_commands.h"
#include "link/trace_file.h"

#include <memory>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int WrongUsage(std::ostream& err, const std::string& problem) {
    err << "re2-device: " << problem << "\n(re2-device --help tells the usage)\n";
    return 2;
}

// --trace FILE: the trace of the line from before the port is opened until the session
// closes. False, with the reason on err, when FILE cannot be written.
bool StartTrace(CCliSession& session, const std::string& path, std::ostream& err) {
    std::string error;
    std::unique_ptr<CTraceFile> file = CTraceFile::Open(path, TraceFileMode::Replace, error);
    if (!file) {
        err << "re2-device: nie można zapisać ruchu łącza: " << error << '\n';
        return false;
    }
    session.Trace().Start(std::move(file), DeviceCliVersion(), [&err](const std::string& reason) {
        err << "re2-device: zapis ruchu łącza przerwany: " << reason << '\n';
    });
    return true;
}

int RunCommand(t_command_context& context) {
    switch (context.options.command) {
    case DeviceCommand::Info:
        return RunInfo(context);
    case DeviceCommand::Clock:
        return RunClock(context);
    case DeviceCommand::Readout:
        return RunReadout(context);
    case DeviceCommand::SettingsDump:
        return RunSettingsDump(context);
    case DeviceCommand::SettingsWrite:
        return RunSettingsWrite(context);
    case DeviceCommand::Ports:
    case DeviceCommand::Help:
    case DeviceCommand::Version:
    case DeviceCommand::None:
        break;
    }
    return 2;
}

} // namespace

int DeviceMain(int argc, char** argv, std::ostream& out, std::ostream& err) {
    t_device_cli_options options;
    std::string problem;
    if (!ParseDeviceCli(std::vector<std::string>(argv + 1, argv + argc), options, problem)) {
        return WrongUsage(err, problem);
    }
    if (options.command == DeviceCommand::Help) {
        out << DeviceCliHelp();
        return 0;
    }
    if (options.command == DeviceCommand::Version) {
        out << DeviceCliVersion() << '\n';
        return 0;
    }
    if (options.command == DeviceCommand::Ports) {
        // Before the settings are read: the list needs neither them nor a device.
        return RunPorts(options, out);
    }
    const std::string programDirectory = OwnProgramDirectory();
    t_cli_link link;
    if (!ResolveCliLink(options, CliSettingsDirectory(options, programDirectory), link, problem)) {
        return WrongUsage(err, problem);
    }

    // Made before the link's worker thread, which inherits the blocked signals.
    CPollHost host;
    if (!host.Ready()) {
        err << "re2-device: nie można przygotować pętli zdarzeń\n";
        return 1;
    }
    int status = 1;
    {
        CCliSession session(host, link, err);
        session.SetReadoutPartFolder(ReadoutPartFolderOf(programDirectory));
        if ((options.trace.empty() || StartTrace(session, options.trace, err)) &&
            session.Connect()) {
            if (const std::string notice = session.PortNotice();
                !notice.empty() && !options.quiet) {
                err << notice << '\n';
            }
            t_command_context context{
                session, session, options, out, err, programDirectory, isatty(STDERR_FILENO) == 1};
            status = RunCommand(context);
        }
        // The session's end gives the port back before the program ends, by a signal too.
    }
    out.flush();
    host.EndBySignal();
    return status;
}
