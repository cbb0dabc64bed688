// re2-simulator: the RE2 device on a pseudo-terminal, for trying the terminal without one.
// Prints the slave path, serves until SIGHUP, SIGINT or SIGTERM, then removes its COM link.
// A line cut by --cut-after is served again at once on a new pseudo-terminal, whose path is
// printed too (the COM link follows it), as a cable plugged back in.

#include "base/termination_signals.h"
#include "sim/pty_simulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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
    "  --no-echo          zeros instead of the address in read replies (command 40)\n"
    "  --help             this text\n";

bool ParseInt(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "re2-simulator: %s\n%s", message.c_str(), kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    t_pty_options options;
    long address = 31;
    bool programmer = false;
    bool stageWrites = false;
    long noise = 0;
    long delay = 0;
    double dropRate = 0;
    bool echoes = true;
    // Request numbers of the one-off faults (0: none) and the times they take.
    long silentAfter = 0;
    long silentFor = -1;
    long lateReply = 0;
    long lateBy = -1;
    long cutAfter = 0;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--programmer") {
            programmer = true;
            continue;
        }
        if (arg == "--stage-writes") {
            stageWrites = true;
            continue;
        }
        if (arg == "--pace-input") {
            options.paceInput = true;
            continue;
        }
        if (arg == "--no-echo") {
            echoes = false;
            continue;
        }
        if (i + 1 >= argc) {
            return Fail("unknown option or missing value: " + arg);
        }
        const char* value = argv[++i];
        long number = 0;
        if (arg == "--link-dir") {
            options.linkDirectory = value;
        } else if (arg == "--com" && ParseInt(value, 1, 255, number)) {
            options.comPort = static_cast<int>(number);
        } else if (arg == "--baud" && ParseInt(value, 0, 4000000, number)) {
            options.baud = static_cast<int>(number);
        } else if (arg == "--address" && ParseInt(value, 0, 31, address)) {
        } else if (arg == "--seed" && ParseInt(value, 0, 0xFFFFFFFFL, number)) {
            options.seed = static_cast<std::uint32_t>(number);
        } else if (arg == "--noise" && ParseInt(value, 0, 1000, noise)) {
        } else if (arg == "--delay" && ParseInt(value, 0, 600000, delay)) {
        } else if (arg == "--silent-after" && ParseInt(value, 1, 0xFFFFFFFFL, silentAfter)) {
        } else if (arg == "--silent-for" && ParseInt(value, 0, 3600000, silentFor)) {
        } else if (arg == "--late-reply" && ParseInt(value, 1, 0xFFFFFFFFL, lateReply)) {
        } else if (arg == "--late-by" && ParseInt(value, 0, 600000, lateBy)) {
        } else if (arg == "--cut-after" && ParseInt(value, 1, 0xFFFFFFFFL, cutAfter)) {
        } else if (arg == "--drop-rate") {
            char* end = nullptr;
            dropRate = std::strtod(value, &end);
            if (end == value || *end != '\0' || !(dropRate >= 0 && dropRate <= 1)) {
                return Fail("bad value for --drop-rate: " + std::string(value));
            }
        } else {
            return Fail("unknown option or bad value: " + arg + " " + value);
        }
    }
    if (options.linkDirectory.empty() != (options.comPort == 0)) {
        return Fail("--link-dir and --com go together");
    }
    if ((silentAfter == 0) != (silentFor < 0)) {
        return Fail("--silent-after and --silent-for go together");
    }
    if ((lateReply == 0) != (lateBy < 0)) {
        return Fail("--late-reply and --late-by go together");
    }

    // The serving thread inherits the blocked signals; only sigtimedwait below takes them.
    termination_signals::Block();

    PtySimulator simulator(options);
    simulator.WithDevice([&](DeviceSimulator& device) {
        device.SetAddress(static_cast<int>(address));
        device.SetProgrammer(programmer);
        device.SetStageWrites(stageWrites);
        device.SetNoiseBetweenFrames(static_cast<unsigned>(noise));
        device.SetReplyDelayMs(static_cast<int>(delay));
        if (dropRate > 0) {
            device.SetRandomDrop(dropRate, options.seed);
        }
        device.SetEchoesAddress(echoes);
        if (silentAfter > 0) {
            device.AddFault(TimedFaultRule(SimFault::SilentFor, static_cast<unsigned>(silentFor),
                                           kAnyCommand, static_cast<unsigned>(silentAfter)));
        }
        if (lateReply > 0) {
            device.AddFault(TimedFaultRule(SimFault::DelayReply, static_cast<unsigned>(lateBy),
                                           kAnyCommand, static_cast<unsigned>(lateReply)));
        }
        if (cutAfter > 0) {
            device.AddFault(
                FaultRule(SimFault::CutLine, kAnyCommand, static_cast<unsigned>(cutAfter)));
        }
    });
    if (!simulator.Start()) {
        std::fprintf(stderr, "re2-simulator: cannot open a pseudo-terminal or make the link: %s\n",
                     std::strerror(errno));
        return 1;
    }
    std::printf("%s\n", simulator.SlavePath().c_str());
    std::fflush(stdout);

    // Between signals, look now and then whether a rule cut the line.
    const sigset_t signals = termination_signals::Set();
    const timespec look{0, 200'000'000};
    for (;;) {
        if (sigtimedwait(&signals, nullptr, &look) > 0) {
            break;
        }
        if (!simulator.Running()) {
            if (!simulator.Start()) {
                std::fprintf(stderr, "re2-simulator: cannot serve again after the cut: %s\n",
                             std::strerror(errno));
                simulator.Stop();
                return 1;
            }
            std::printf("%s\n", simulator.SlavePath().c_str());
            std::fflush(stdout);
        }
    }
    simulator.Stop();
    return 0;
}
