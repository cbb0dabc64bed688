#include "sim/sim_options.h"

#include "base/option_scan.h"
#include "base/program_info.h"

#include <cerrno>
#include <cstdlib>

namespace {

constexpr char kUsage[] =
    "usage: re2-simulator [options]\n"
    "Plays the RE2 device on a pseudo-terminal and prints the path of its slave side.\n"
    "Requests are counted from 1 over all commands.\n"
    "\n"
    "  --link-dir DIR     with --com: make DIR/COM<N> a symbolic link to the slave\n"
    "  --com N            port number of that link (1 to 6 for the terminal)\n"
    "  --baud B           send at the speed of a B baud line (10 bits a character)\n"
    "  --pace-input       take requests at that speed too\n"
    "  --address A        device address, 0 to 31 (default 31)\n"
    "  --programmer       report a programmer unit instead of a recorder\n"
    "  --stage-writes     keep written chunks back until their block write is closed\n"
    "  --seed S           seed of the recorder content and random faults (default 1)\n"
    "  --noise N          up to N noise characters before each frame sent\n"
    "  --drop-rate R      lose replies at random with probability R (0 to 1)\n"
    "  --delay MS         answer every request MS milliseconds late\n"
    "  --silent-after N   from request N on, answer nothing for --silent-for MS\n"
    "  --silent-for MS    length of that silence; requests still take effect\n"
    "  --late-reply N     answer request N --late-by MS late; later replies follow\n"
    "  --late-by MS       how many milliseconds late that one reply goes out\n"
    "  --cut-after N      hang up at request N, then serve on a new pseudo-terminal\n"
    "  --record S         the device recorded one more run of S seconds, up to now\n"
    "  --no-echo          zeros instead of the address in read replies (command 40)\n"
    "  --help, -h         this text\n"
    "  --version          the version of the program\n"
    "A value may also follow its option after '=' (--baud=57600); '--' ends the options.\n";

enum Option {
    kVersion = 256,
    kLinkDir,
    kCom,
    kBaud,
    kPaceInput,
    kAddress,
    kProgrammer,
    kStageWrites,
    kSeed,
    kNoise,
    kDropRate,
    kDelay,
    kSilentAfter,
    kSilentFor,
    kLateReply,
    kLateBy,
    kCutAfter,
    kRecord,
    kNoEcho,
};

constexpr option kLongOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {"link-dir", required_argument, nullptr, kLinkDir},
    {"com", required_argument, nullptr, kCom},
    {"baud", required_argument, nullptr, kBaud},
    {"pace-input", no_argument, nullptr, kPaceInput},
    {"address", required_argument, nullptr, kAddress},
    {"programmer", no_argument, nullptr, kProgrammer},
    {"stage-writes", no_argument, nullptr, kStageWrites},
    {"seed", required_argument, nullptr, kSeed},
    {"noise", required_argument, nullptr, kNoise},
    {"drop-rate", required_argument, nullptr, kDropRate},
    {"delay", required_argument, nullptr, kDelay},
    {"silent-after", required_argument, nullptr, kSilentAfter},
    {"silent-for", required_argument, nullptr, kSilentFor},
    {"late-reply", required_argument, nullptr, kLateReply},
    {"late-by", required_argument, nullptr, kLateBy},
    {"cut-after", required_argument, nullptr, kCutAfter},
    {"record", required_argument, nullptr, kRecord},
    {"no-echo", no_argument, nullptr, kNoEcho},
    {nullptr, 0, nullptr, 0},
};

bool ParseInt(const std::string& text, long low, long high, long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && end != text.c_str() && *end == '\0' && value >= low && value <= high;
}

// Sets the option's field from value; false when value is out of its range.
bool SetValue(int option, const std::string& value, t_sim_options& options) {
    long number = 0;
    switch (option) {
    case kLinkDir:
        options.pty.linkDirectory = value;
        return true;
    case kCom:
        if (!ParseInt(value, 1, 255, number)) {
            return false;
        }
        options.pty.comPort = static_cast<int>(number);
        return true;
    case kBaud:
        if (!ParseInt(value, 0, 4000000, number)) {
            return false;
        }
        options.pty.baud = static_cast<int>(number);
        return true;
    case kSeed:
        if (!ParseInt(value, 0, 0xFFFFFFFFL, number)) {
            return false;
        }
        options.pty.seed = static_cast<std::uint32_t>(number);
        return true;
    case kAddress:
        return ParseInt(value, 0, 31, options.address);
    case kNoise:
        return ParseInt(value, 0, 1000, options.noise);
    case kDelay:
        return ParseInt(value, 0, 600000, options.delayMs);
    case kSilentAfter:
        return ParseInt(value, 1, 0xFFFFFFFFL, options.silentAfter);
    case kSilentFor:
        return ParseInt(value, 0, 3600000, options.silentForMs);
    case kLateReply:
        return ParseInt(value, 1, 0xFFFFFFFFL, options.lateReply);
    case kLateBy:
        return ParseInt(value, 0, 600000, options.lateByMs);
    case kCutAfter:
        return ParseInt(value, 1, 0xFFFFFFFFL, options.cutAfter);
    case kRecord:
        return ParseInt(value, 1, 10L * 24 * 60 * 60, options.recordSeconds);
    default:
        return false;
    }
}

std::string LongName(int value) {
    for (const option& o : kLongOptions) {
        if (o.name != nullptr && o.val == value) {
            return std::string("--") + o.name;
        }
    }
    return {};
}

} // namespace

std::string SimUsage() {
    return kUsage;
}

std::string SimVersion() {
    return std::string("re2-simulator ") + kPackageVersion;
}

SimParse ParseSimOptions(const std::vector<std::string>& words, t_sim_options& options,
                         std::string& problem) {
    OptionScan scan(words, "h", kLongOptions);
    for (OptionScan::Item item = scan.Next(); item.kind != OptionScan::Kind::End;
         item = scan.Next()) {
        const std::string& value = item.text;
        switch (item.kind) {
        case OptionScan::Kind::EndOfOptions:
            scan.OperandsOnly();
            continue;
        case OptionScan::Kind::Operand:
        case OptionScan::Kind::Unknown:
        case OptionScan::Kind::MissingValue:
            problem = "unknown option or missing value: " + value;
            return SimParse::Wrong;
        case OptionScan::Kind::Option:
        case OptionScan::Kind::End:
            break;
        }
        switch (item.option) {
        case 'h':
            return SimParse::Help;
        case kVersion:
            return SimParse::Version;
        case kProgrammer:
            options.programmer = true;
            break;
        case kStageWrites:
            options.stageWrites = true;
            break;
        case kPaceInput:
            options.pty.paceInput = true;
            break;
        case kNoEcho:
            options.echoes = false;
            break;
        case kDropRate: {
            char* end = nullptr;
            options.dropRate = std::strtod(value.c_str(), &end);
            if (end == value.c_str() || *end != '\0' ||
                !(options.dropRate >= 0 && options.dropRate <= 1)) {
                problem = "bad value for --drop-rate: " + value;
                return SimParse::Wrong;
            }
            break;
        }
        default:
            if (!SetValue(item.option, value, options)) {
                problem = "unknown option or bad value: " + LongName(item.option) + " " + value;
                return SimParse::Wrong;
            }
        }
    }
    if (options.pty.linkDirectory.empty() != (options.pty.comPort == 0)) {
        problem = "--link-dir and --com go together";
        return SimParse::Wrong;
    }
    if ((options.silentAfter == 0) != (options.silentForMs < 0)) {
        problem = "--silent-after and --silent-for go together";
        return SimParse::Wrong;
    }
    if ((options.lateReply == 0) != (options.lateByMs < 0)) {
        problem = "--late-reply and --late-by go together";
        return SimParse::Wrong;
    }
    return SimParse::Run;
}
