#pragma once
// The commands of re2-device, each run against a connected device session. Each gives the
// exit status: 0 done, 1 the device or a file failed (the reason is on the error stream).
// A command that ends because a termination signal came gives 1 too; the shell session
// tells it (CShellSession::Interrupted) and the program then ends by the signal.

#include <iosfwd>
#include <string>

class CCliReport;
class CDeviceSession;
class CShellSession;
struct t_device_cli_options;

struct t_command_context {
    CDeviceSession& session;
    CShellSession& shell; // the same session's side that only the shell has
    const t_device_cli_options& options;
    std::ostream& out;               // standard output: what the command gives
    CCliReport& report;              // standard error: what it tells
    std::string programDirectory;    // of re2-device, ending in '/'
    bool progressOnTerminal = false; // the error stream is a terminal
    bool cursorMoves = false;        // and that terminal can write a line over (not dumb)
};

// "ports [--json]": the machine's serial ports, one a line or as a JSON array on out. Opens
// no port and needs no session.
int RunPorts(const t_device_cli_options& options, std::ostream& out);
// "settings check FILE": the file against the editors' limits, with no device.
int RunSettingsCheck(const t_device_cli_options& options, std::ostream& out, CCliReport& report);

// "info [--json]": command 33 and one live status, one "name: value" line each.
int RunInfo(t_command_context& context);
// "clock", "clock --set [--max-drift S]", [--json].
int RunClock(t_command_context& context);
// "monitor [--interval MS] [--count N] [--json]".
int RunMonitor(t_command_context& context);
// "readout -o FILE.qz|DIR/|- [--restart] [--json]".
int RunReadout(t_command_context& context);
// Whether readout's -o can be written, tried before the port is opened (by creating a file
// where the measurement file goes); false after telling why.
bool CheckReadoutOutput(const std::string& output, CCliReport& report);
// "settings dump [-o FILE|-]" and "settings write FILE|- [--dry-run] [--other-device]".
int RunSettingsDump(t_command_context& context);
int RunSettingsWrite(t_command_context& context);

// Flushes out; false after telling why when a write to it failed (nothing is told for a
// closed pipe: its reader has gone).
bool OutputWritten(std::ostream& out, CCliReport& report);
