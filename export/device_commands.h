#pragma once
// The commands of re2-device, each run against a connected session. Each gives the exit
// status: 0 done, 1 the device or a file failed (the reason is on the error stream). A
// command that ends because a termination signal came gives 1 too; the session tells it
// (CCliSession::Interrupted) and the program then ends by the signal.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

class CCliSession;
struct t_device_cli_options;

struct t_command_context {
    CCliSession& session;
    const t_device_cli_options& options;
    std::ostream& out;
    std::ostream& err;
    std::string programDirectory;    // of re2-device, ending in '/'
    bool progressOnTerminal = false; // the error stream is a terminal
};

// "info": command 33 and one live status, one "name: value" line each.
int RunInfo(t_command_context& context);
// "clock", "clock --set [--max-drift S]".
int RunClock(t_command_context& context);
// "readout -o FILE.qz|DIR/ [--restart]".
int RunReadout(t_command_context& context);
// "settings dump [-o FILE]" and "settings write FILE [--dry-run] [--other-device]".
int RunSettingsDump(t_command_context& context);
int RunSettingsWrite(t_command_context& context);

// Shared by the commands: the exchange's reply data, or nullptr after telling the user
// "Urządzenie nie odpowiada" (nothing on a signal); size receives the data's length.
struct t_transfer_data;
const std::uint8_t* ExchangeData(CCliSession& session, int command, const std::uint8_t* data,
                                 int length, std::size_t& size);
