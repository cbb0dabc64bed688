// re2-simulator: the RE2 device on a pseudo-terminal, for trying the terminal without one.
// Prints the slave path, serves until SIGHUP, SIGINT or SIGTERM, then removes its COM link.

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
    "\n"
    "  --link-dir DIR   with --com: make DIR/COM<N> a symbolic link to the slave\n"
    "  --com N          port number of that link (1 to 6 for the terminal)\n"
    "  --baud B         send at the speed of a B baud line (10 bits a character)\n"
    "  --pace-input     take requests at that speed too\n"
    "  --address A      device address, 0 to 31 (default 31)\n"
    "  --programmer     report a programmer unit instead of a recorder\n"
    "  --stage-writes   hold written chunks back until their block write is closed\n"
    "                   (command 41); by default each chunk is written at once, as the\n"
    "                   device does, so a write cut short leaves part of its block new\n"
    "  --seed S         seed of the recorder content and random faults (default 1)\n"
    "  --noise N        up to N noise characters before each frame sent\n"
    "  --drop-rate R    lose replies at random with probability R (0 to 1)\n"
    "  --delay MS       answer MS milliseconds late\n"
    "  --help           this text\n";

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

    // The serving thread inherits the blocked signals; only sigwait below takes them.
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
    });
    if (!simulator.Start()) {
        std::fprintf(stderr, "re2-simulator: cannot open a pseudo-terminal or make the link: %s\n",
                     std::strerror(errno));
        return 1;
    }
    std::printf("%s\n", simulator.SlavePath().c_str());
    std::fflush(stdout);

    const sigset_t signals = termination_signals::Set();
    int signal = 0;
    sigwait(&signals, &signal);
    simulator.Stop();
    return 0;
}
