#include "export/device_cli_options.h"

#include <charconv>
#include <string_view>

namespace {

constexpr char kHelp[] =
    "usage: re2-device [--port COMn|PATH] [--baud N] [--address N] [--config-dir DIR]\n"
    "                  [--quiet] COMMAND [ARGS]\n"
    "Works with a Dovuzedu RE2 device on a serial port, without a window.\n"
    "\n"
    "Commands:\n"
    "  info                      the device's name and version and one live status,\n"
    "                            one 'name: value' line each\n"
    "  clock                     device time, PC time and their difference (device\n"
    "                            minus PC) in seconds\n"
    "  clock --set [--max-drift S]\n"
    "                            sets the device clock to the PC's local time (with\n"
    "                            --max-drift only when the difference exceeds S seconds)\n"
    "                            and shows the times before and after\n"
    "  readout -o FILE.qz|DIR/ [--restart]\n"
    "                            reads the recorder memory into a measurement file; DIR/\n"
    "                            names it <factory number>_<YYYY-MM-DD_HHMMSS>.qz. A cut\n"
    "                            readout is continued from its part; --restart reads it\n"
    "                            all again\n"
    "  settings dump [-o FILE]   the settings blocks as text (standard output by default)\n"
    "  settings write FILE [--dry-run] [--other-device]\n"
    "                            writes the fields that differ from the device's, only the\n"
    "                            blocks that hold them; --dry-run shows the differences\n"
    "                            only; --other-device takes a file of another device\n"
    "\n"
    "Options:\n"
    "  --port COMn|PATH  the port: COMn as the terminal names it (the link COMn beside\n"
    "                    config.cfg, else /dev/ttyS<n-1>) or a device path\n"
    "  --baud N          the line speed\n"
    "  --address N       the device address, 0..31\n"
    "  --config-dir DIR  the folder of config.cfg and the COMn links (default: the\n"
    "                    terminal's settings folder)\n"
    "  --quiet           no progress line\n"
    "  --help            this text\n"
    "Port, speed and address not given come from config.cfg, or are COM1, 57600 and 31.\n"
    "\n"
    "Exit status: 0 done; 1 the port, the device or a file failed, or the settings file\n"
    "is bad (the reason on standard error); 2 wrong usage. Ended by SIGINT, SIGTERM or\n"
    "SIGHUP it gives the port back, keeps a readout's part and ends by the signal.\n"
    "See re2-device(1) for the keys of the settings text.\n";

bool ParseNumber(std::string_view text, long long minimum, long long maximum, long long& out) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < minimum ||
        value > maximum) {
        return false;
    }
    out = value;
    return true;
}

} // namespace

std::string DeviceCliHelp() {
    return kHelp;
}

bool ParseDeviceCli(const std::vector<std::string>& words, t_device_cli_options& options,
                    std::string& error) {
    std::vector<std::string> rest; // the command and its arguments
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const bool takesValue = word == "--port" || word == "--baud" || word == "--address" ||
                                word == "--config-dir" || word == "--max-drift" || word == "-o";
        std::string value;
        if (takesValue) {
            if (i + 1 == words.size()) {
                error = word + " needs a value";
                return false;
            }
            value = words[++i];
        }
        long long number = 0;
        if (word == "--help" || word == "-h") {
            options.command = DeviceCommand::Help;
            return true;
        } else if (word == "--port") {
            if (value.empty()) {
                error = "--port needs a port";
                return false;
            }
            options.port = value;
        } else if (word == "--baud") {
            if (!ParseNumber(value, 1, 4000000, number)) {
                error = "bad baud rate '" + value + "'";
                return false;
            }
            options.baudRate = static_cast<int>(number);
        } else if (word == "--address") {
            if (!ParseNumber(value, 0, kMaxDeviceAddress, number)) {
                error = "bad device address '" + value + "' (0..31)";
                return false;
            }
            options.deviceAddress = static_cast<int>(number);
        } else if (word == "--config-dir") {
            if (value.empty()) {
                error = "--config-dir needs a folder";
                return false;
            }
            options.configDirectory = value;
        } else if (word == "--quiet" || word == "-q") {
            options.quiet = true;
        } else if (word == "--set") {
            options.setClock = true;
        } else if (word == "--max-drift") {
            if (!ParseNumber(value, 0, 1000000000, number)) {
                error = "bad drift '" + value + "' (seconds, 0 or more)";
                return false;
            }
            options.maxDriftGiven = true;
            options.maxDriftSeconds = number;
        } else if (word == "-o") {
            if (value.empty()) {
                error = "-o needs a file name";
                return false;
            }
            options.output = value;
        } else if (word == "--restart") {
            options.restart = true;
        } else if (word == "--dry-run") {
            options.dryRun = true;
        } else if (word == "--other-device") {
            options.otherDevice = true;
        } else if (word.size() > 1 && word[0] == '-') {
            error = "unknown option " + word;
            return false;
        } else {
            rest.push_back(word);
        }
    }
    if (rest.empty()) {
        error = "no command given";
        return false;
    }
    const std::string& command = rest[0];
    std::size_t arguments = 1;
    if (command == "info") {
        options.command = DeviceCommand::Info;
    } else if (command == "clock") {
        options.command = DeviceCommand::Clock;
    } else if (command == "readout") {
        options.command = DeviceCommand::Readout;
    } else if (command == "settings" && rest.size() >= 2 && rest[1] == "dump") {
        options.command = DeviceCommand::SettingsDump;
        arguments = 2;
    } else if (command == "settings" && rest.size() >= 3 && rest[1] == "write") {
        options.command = DeviceCommand::SettingsWrite;
        options.input = rest[2];
        arguments = 3;
    } else if (command == "settings") {
        error = "settings needs 'dump' or 'write FILE'";
        return false;
    } else {
        error = "unknown command '" + command + "'";
        return false;
    }
    if (rest.size() > arguments) {
        error = "unexpected '" + rest[arguments] + "'";
        return false;
    }
    // Each command's own options belong to it alone.
    const DeviceCommand c = options.command;
    if ((options.setClock || options.maxDriftGiven) && c != DeviceCommand::Clock) {
        error = "--set and --max-drift belong to clock";
        return false;
    }
    if (options.maxDriftGiven && !options.setClock) {
        error = "--max-drift needs --set";
        return false;
    }
    if (!options.output.empty() && c != DeviceCommand::Readout &&
        c != DeviceCommand::SettingsDump) {
        error = "-o belongs to readout and settings dump";
        return false;
    }
    if (c == DeviceCommand::Readout && options.output.empty()) {
        error = "readout needs -o FILE.qz or -o DIR/";
        return false;
    }
    if (options.restart && c != DeviceCommand::Readout) {
        error = "--restart belongs to readout";
        return false;
    }
    if ((options.dryRun || options.otherDevice) && c != DeviceCommand::SettingsWrite) {
        error = "--dry-run and --other-device belong to settings write";
        return false;
    }
    return true;
}
