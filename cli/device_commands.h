#pragma once
// The commands of re2-device, each run against a connected device session. Each gives the
// exit status: 0 done, 1 the device or a file failed (the reason is on the error stream).
// A command that ends because a termination signal came gives 1 too; the shell session
// tells it (CShellSession::Interrupted) and the program then ends by the signal.

#include <iosfwd>
#include <string>

class CDeviceSession;
class CShellSession;
struct t_device_cli_options;

struct t_command_context {
    CDeviceSession& session;
    CShellSession& shell; // the same session's side that only the shell has
    const t_device_cli_options& options;
    std::ostream& out;
    std::ostream& err;
    std::string programDirectory;    // of re2-device, ending in '/'
    bool progressOnTerminal = false; // the error stream is a terminal
};

// "ports [--json]": the machine's serial ports, one a line or as a JSON array on out. Opens
// no port and needs no session.
int RunPorts(const t_device_cli_options& options, std::ostream& out);

// "info": command 33 and one live status, one "name: value" line each.
int RunInfo(t_command_context& context);
// "clock", "clock --set [--max-drift S]".
int RunClock(t_command_context& context);
// "readout -o FILE.qz|DIR/ [--restart]".
int RunReadout(t_command_context& context);
// "settings dump [-o FILE]" and "settings write FILE [--dry-run] [--other-device]".
int RunSettingsDump(t_command_context& context);
int RunSettingsWrite(t_command_context& context);
