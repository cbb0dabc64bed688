#include "cli/device_cli_options.h"

#include "base/option_scan.h"
#include "base/program_info.h"

#include <charconv>
#include <string_view>

namespace {

constexpr char kHelp[] =
    "usage: re2-device [--port COMn|PATH] [--baud N] [--address N] [--config-dir DIR]\n"
    "                  [--trace FILE] [--quiet] [--] COMMAND [ARGS]\n"
    "       re2-device --help | --version\n"
    "Works with a Dovuzedu RE2 device on a serial port, without a window.\n"
    "\n"
    "Commands:\n"
    "  ports [--json]            the serial ports of this machine, one a line: stable\n"
    "                            name, device, maker, model and serial number, and why\n"
    "                            it cannot be used; --json as a JSON array. Opens no\n"
    "                            port and needs no device or config.cfg\n"
    "  info                      the device's name and version and one live status,\n"
    "                            one 'name: value' line each\n"
    "  clock                     device time, PC time and their difference (device\n"
    "                            minus PC) in seconds\n"
    "  clock --set [--max-drift S]\n"
    "                            sets the device clock to the PC's local time (with\n"
    "                            --max-drift only when the difference exceeds S seconds)\n"
    "                            and shows the times before and after\n"
    "  readout -o FILE.qz|DIR/ [--restart] [--full] [--wait-port S]\n"
    "                            reads the recorder memory into a measurement file; DIR/\n"
    "                            names it <factory number>_<YYYY-MM-DD_HHMMSS>.qz. A cut\n"
    "                            readout is continued from its part; --restart reads it\n"
    "                            all again. After a readout that completed, the next one\n"
    "                            reads only what the device recorded since, where it can\n"
    "                            tell that nothing else changed; --full reads it all.\n"
    "                            A port that goes away (a pulled adapter) is\n"
    "                            waited for S seconds (default 120, 0: not at all) and the\n"
    "                            readout goes on when it is back\n"
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
    "  --trace FILE      writes every frame sent and received, and every time-out,\n"
    "                    retry, damaged frame, connect and disconnect, to FILE, one\n"
    "                    line each (FILE.1 takes the older half past 10 MB)\n"
    "  --quiet, -q       no progress line\n"
    "  --help, -h        this text\n"
    "  --version         the version of the program\n"
    "Port, speed and address not given come from config.cfg, or are COM1, 57600 and 31.\n"
    "Options may stand before or after the command; a value may also follow its option\n"
    "after '=' (--port=/dev/ttyUSB0). '--' may stand before the command; after the\n"
    "command it ends the options, so that a file name may start with '-'.\n"
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

// The values of the options without a letter, past every letter.
enum LongOnly {
    kVersion = 256,
    kPort,
    kBaud,
    kAddress,
    kConfigDir,
    kSet,
    kMaxDrift,
    kRestart,
    kWaitPort,
    kFull,
    kDryRun,
    kOtherDevice,
    kJson,
    kTrace,
};

constexpr option kLongOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {"port", required_argument, nullptr, kPort},
    {"baud", required_argument, nullptr, kBaud},
    {"address", required_argument, nullptr, kAddress},
    {"config-dir", required_argument, nullptr, kConfigDir},
    {"quiet", no_argument, nullptr, 'q'},
    {"set", no_argument, nullptr, kSet},
    {"max-drift", required_argument, nullptr, kMaxDrift},
    {"restart", no_argument, nullptr, kRestart},
    {"wait-port", required_argument, nullptr, kWaitPort},
    {"full", no_argument, nullptr, kFull},
    {"dry-run", no_argument, nullptr, kDryRun},
    {"other-device", no_argument, nullptr, kOtherDevice},
    {"json", no_argument, nullptr, kJson},
    {"trace", required_argument, nullptr, kTrace},
    {nullptr, 0, nullptr, 0},
};

} // namespace

std::string DeviceCliHelp() {
    return kHelp;
}

std::string DeviceCliVersion() {
    return std::string("re2-device ") + kPackageVersion;
}

bool ParseDeviceCli(const std::vector<std::string>& words, t_device_cli_options& options,
                    std::string& error) {
    std::vector<std::string> rest; // the command and its arguments
    OptionScan scan(words, "ho:q", kLongOptions);
    for (OptionScan::Item item = scan.Next(); item.kind != OptionScan::Kind::End;
         item = scan.Next()) {
        const std::string& value = item.text;
        long long number = 0;
        switch (item.kind) {
        case OptionScan::Kind::Operand:
            rest.push_back(value);
            continue;
        case OptionScan::Kind::EndOfOptions:
            // Before the command it only closes the global options; after it, the words
            // left are the command's, so a file name may start with "-".
            if (!rest.empty()) {
                scan.OperandsOnly();
            }
            continue;
        case OptionScan::Kind::Unknown:
            error = "unknown option " + value;
            return false;
        case OptionScan::Kind::MissingValue:
            error = value + " needs a value";
            return false;
        case OptionScan::Kind::Option:
        case OptionScan::Kind::End:
            break;
        }
        switch (item.option) {
        case 'h':
            options.command = DeviceCommand::Help;
            return true;
        case kVersion:
            options.command = DeviceCommand::Version;
            return true;
        case kPort:
            if (value.empty()) {
                error = "--port needs a port";
                return false;
            }
            options.port = value;
            break;
        case kBaud:
            if (!ParseNumber(value, 1, 4000000, number)) {
                error = "bad baud rate '" + value + "'";
                return false;
            }
            options.baudRate = static_cast<int>(number);
            break;
        case kAddress:
            if (!ParseNumber(value, 0, kMaxDeviceAddress, number)) {
                error = "bad device address '" + value + "' (0..31)";
                return false;
            }
            options.deviceAddress = static_cast<int>(number);
            break;
        case kConfigDir:
            if (value.empty()) {
                error = "--config-dir needs a folder";
                return false;
            }
            options.configDirectory = value;
            break;
        case 'q':
            options.quiet = true;
            break;
        case kSet:
            options.setClock = true;
            break;
        case kMaxDrift:
            if (!ParseNumber(value, 0, 1000000000, number)) {
                error = "bad drift '" + value + "' (seconds, 0 or more)";
                return false;
            }
            options.maxDriftGiven = true;
            options.maxDriftSeconds = number;
            break;
        case 'o':
            if (value.empty()) {
                error = "-o needs a file name";
                return false;
            }
            options.output = value;
            break;
        case kRestart:
            options.restart = true;
            break;
        case kFull:
            options.full = true;
            break;
        case kWaitPort:
            if (!ParseNumber(value, 0, 86400, number)) {
                error = "bad port wait '" + value + "' (seconds, 0..86400)";
                return false;
            }
            options.waitPortSeconds = number;
            break;
        case kDryRun:
            options.dryRun = true;
            break;
        case kOtherDevice:
            options.otherDevice = true;
            break;
        case kJson:
            options.json = true;
            break;
        case kTrace:
            if (value.empty()) {
                error = "--trace needs a file name";
                return false;
            }
            options.trace = value;
            break;
        }
    }
    if (rest.empty()) {
        error = "no command given";
        return false;
    }
    const std::string& command = rest[0];
    std::size_t arguments = 1;
    if (command == "ports") {
        options.command = DeviceCommand::Ports;
    } else if (command == "info") {
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
    if (options.waitPortSeconds >= 0 && c != DeviceCommand::Readout) {
        error = "--wait-port belongs to readout";
        return false;
    }
    if (options.full && c != DeviceCommand::Readout) {
        error = "--full belongs to readout";
        return false;
    }
    if (options.restart && c != DeviceCommand::Readout) {
        error = "--restart belongs to readout";
        return false;
    }
    if (options.json && c != DeviceCommand::Ports) {
        error = "--json belongs to ports";
        return false;
    }
    if (!options.trace.empty() && c == DeviceCommand::Ports) {
        error = "--trace needs a command that uses the device; ports opens no port";
        return false;
    }
    if ((options.dryRun || options.otherDevice) && c != DeviceCommand::SettingsWrite) {
        error = "--dry-run and --other-device belong to settings write";
        return false;
    }
    return true;
}
