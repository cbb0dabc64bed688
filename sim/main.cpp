// re2-simulator: the RE2 device on a pseudo-terminal, for trying the terminal without one.
// Prints the slave path, serves until SIGHUP, SIGINT or SIGTERM, then removes its COM link.
// A line cut by --cut-after is served again at once on a new pseudo-terminal, whose path is
// printed too (the COM link follows it), as a cable plugged back in.

#include "base/termination_signals.h"
#include "sim/pty_simulator.h"
#include "sim/sim_options.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    t_sim_options o;
    std::string problem;
    switch (ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), o, problem)) {
    case SimParse::Help:
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    case SimParse::Version:
        std::printf("%s\n", SimVersion().c_str());
        return 0;
    case SimParse::Wrong:
        std::fprintf(stderr, "re2-simulator: %s\n%s", problem.c_str(), SimUsage().c_str());
        return 2;
    case SimParse::Run:
        break;
    }

    // The serving thread inherits the blocked signals; only sigtimedwait below takes them.
    termination_signals::Block();

    PtySimulator simulator(o.pty);
    simulator.WithDevice([&](DeviceSimulator& device) {
        device.SetAddress(static_cast<int>(o.address));
        device.SetProgrammer(o.programmer);
        device.SetStageWrites(o.stageWrites);
        device.SetNoiseBetweenFrames(static_cast<unsigned>(o.noise));
        device.SetReplyDelayMs(static_cast<int>(o.delayMs));
        if (o.dropRate > 0) {
            device.SetRandomDrop(o.dropRate, o.pty.seed);
        }
        device.SetEchoesAddress(o.echoes);
        if (o.silentAfter > 0) {
            device.AddFault(TimedFaultRule(SimFault::SilentFor,
                                           static_cast<unsigned>(o.silentForMs), kAnyCommand,
                                           static_cast<unsigned>(o.silentAfter)));
        }
        if (o.lateReply > 0) {
            device.AddFault(TimedFaultRule(SimFault::DelayReply, static_cast<unsigned>(o.lateByMs),
                                           kAnyCommand, static_cast<unsigned>(o.lateReply)));
        }
        if (o.recordSeconds > 0) {
            // A run that ends now on the device's clock.
            const std::time_t start = std::time(nullptr) + device.ClockOffset() - o.recordSeconds;
            std::tm local{};
            localtime_r(&start, &local);
            device.Memory().Record(static_cast<int>(o.recordSeconds),
                                   MakeDeviceTime(local.tm_year + 1900, local.tm_mon + 1,
                                                  local.tm_mday, local.tm_hour, local.tm_min,
                                                  local.tm_sec),
                                   o.pty.seed);
        }
        if (o.cutAfter > 0) {
            device.AddFault(
                FaultRule(SimFault::CutLine, kAnyCommand, static_cast<unsigned>(o.cutAfter)));
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
