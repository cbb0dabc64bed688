// Speed of the recorder readout end to end: the real main window (offscreen), its link
// worker, request queue and block-transfer box reading block 0 from the simulator over a
// pseudo-terminal, unpaced and at line speeds. Also the wake-ups of the link worker of a
// connected terminal that only polls the device's status.
//
//   readout_bench            unpaced, then paced at 57600, 115200 and 460800 baud
//   readout_bench --quick    unpaced only (the paced readouts take some six minutes)
//   readout_bench 115200 0   the given line settings only (0: unpaced)
//   readout_bench --loss 0.01 57600 460800
//                            the same with that share of the device's replies lost at
//                            random (a fixed seed), to compare with the loss-free times
//   readout_bench --trace-pairs 4 460800
//                            four pairs of readouts, each one without the trace of the
//                            line and one with it (switched on from the system menu's
//                            entry, into its file), in turns, and the cost of the trace
//
// When paced, the simulator takes the terminal's requests at the line speed as well as
// sending its replies at it, so both directions take their wire time. The wire time shown
// is that of every character that passed between the two during the readout, both ways,
// status polls included: 10 bit times per character (start, 8 data bits, stop).

#include "app/lw_dlg.h"
#include "bench/loss_text.h"
#include "framework/afx.h"
#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "link/transfer.h"
#include "res/resource.h"
#include "res/templates.h"
#include "tests/support/terminal_harness.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBitsPerCharacter = 10;
constexpr int kUnpaced = 0;
constexpr int kPacedRates[] = {57600, 115200, 460800};
constexpr int kIdleSeconds = 5;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

struct t_line_counts {
    std::uint64_t chunks = 0;   // recorder chunk exchanges
    std::uint64_t requests = 0; // every addressed request, status polls included
    std::uint64_t toDevice = 0; // characters
    std::uint64_t fromDevice = 0;
};

t_line_counts Counts(PtySimulator& sim) {
    t_line_counts c;
    c.chunks = sim.CommandCount(protocol::kCmdReadChunk);
    c.requests = sim.RequestCount();
    c.toDevice = sim.CharactersReceived();
    c.fromDevice = sim.CharactersSent();
    return c;
}

struct t_readout_run {
    bool ok = false;
    double seconds = 0;
};

// One full readout at `baud` (0: unpaced), with the trace of the line or without it.
t_readout_run Readout(int baud, double loss, bool trace = false) {
    t_harness_options options;
    options.sim.baud = baud;
    options.sim.paceInput = baud != kUnpaced;
    options.baudRate = baud != kUnpaced ? baud : 57600;
    TerminalHarness h(options);
    bool ok = false;
    double took = 0;
    h.Run([&](CLWDlg& dlg) {
        if (!h.Connect(dlg)) {
            std::printf("  the terminal did not connect\n");
            return;
        }
        // The live status poll stays on, as for a user: its exchanges are part of the cost.
        afx::testing::ProcessEvents(200);
        if (loss > 0) {
            h.Sim().WithDevice([&](DeviceSimulator& d) { d.SetRandomDrop(loss, 1); });
        }
        if (trace) {
            dlg.SendMessage(WM_SYSCOMMAND, IDM_LINK_TRACE, 0);
        }
        const t_line_counts before = Counts(h.Sim());
        const std::uint64_t turns = dlg.Transfer().WorkerWakeups();
        const auto start = Clock::now();
        // The click runs the block-transfer box modally: it returns when the box closed.
        afx::testing::ClickButton(dlg, IDC_READ_RECORDER);
        const double seconds = Seconds(Clock::now() - start);
        took = seconds;
        if (trace) {
            dlg.SendMessage(WM_SYSCOMMAND, IDM_LINK_TRACE, 0);
            struct stat info {};
            if (::stat(dlg.LinkTracePath().c_str(), &info) == 0) {
                std::printf("  trace of the line: %lld bytes\n",
                            static_cast<long long>(info.st_size));
            }
        }
        const t_line_counts after = Counts(h.Sim());
        const std::uint64_t workerTurns = dlg.Transfer().WorkerWakeups() - turns;

        const auto device =
            h.Sim().WithDevice([](DeviceSimulator& d) { return d.Memory().Recorder(); });
        ok = device.size() == protocol::kRecorderSize &&
             std::memcmp(dlg.MemoryImage(), device.data(), device.size()) == 0;
        const std::uint64_t chunks = after.chunks - before.chunks;
        const std::uint64_t requests = after.requests - before.requests;
        const std::uint64_t toDevice = after.toDevice - before.toDevice;
        const std::uint64_t fromDevice = after.fromDevice - before.fromDevice;
        const std::uint64_t characters = toDevice + fromDevice;
        std::printf("  time %.3f s, %llu chunk exchanges (%.0f/s), %llu requests in all "
                    "(%llu status and other)%s\n",
                    seconds, static_cast<unsigned long long>(chunks),
                    static_cast<double>(chunks) / seconds,
                    static_cast<unsigned long long>(requests),
                    static_cast<unsigned long long>(requests - chunks),
                    ok ? "" : "  -- IMAGE DIFFERS FROM THE DEVICE'S");
        std::printf("  characters: %llu to the device + %llu from it = %llu (%.1f per chunk "
                    "exchange); link worker woke %.1f times per chunk exchange\n",
                    static_cast<unsigned long long>(toDevice),
                    static_cast<unsigned long long>(fromDevice),
                    static_cast<unsigned long long>(characters),
                    static_cast<double>(characters) / static_cast<double>(chunks),
                    static_cast<double>(workerTurns) / static_cast<double>(chunks));
        if (baud != kUnpaced) {
            const double wire =
                static_cast<double>(characters) * kBitsPerCharacter / static_cast<double>(baud);
            std::printf("  wire time of those characters %.3f s; time / wire time = %.4f; "
                        "%.3f ms per chunk exchange above the wire time\n",
                        wire, seconds / wire,
                        (seconds - wire) * 1000.0 / static_cast<double>(chunks));
        }
    });
    if (!h.Boxes().empty()) {
        std::printf("  message box: %s\n", h.Boxes().front().text.c_str());
        ok = false;
    }
    return {ok, took};
}

// Pairs of readouts at baud, one without the trace and one with it, so that a drift of the
// machine's load falls on both alike; false when one did not complete.
bool TracePairs(int baud, int pairs) {
    double without = 0;
    double with = 0;
    bool ok = true;
    for (int pair = 1; pair <= pairs; ++pair) {
        t_readout_run times[2];
        // Odd pairs start without the trace, even ones with it: what the first readout of
        // a pair gains or loses by its place falls on both alike.
        for (int step = 0; step < 2; ++step) {
            const int traced = pair % 2 == 1 ? step : 1 - step;
            std::printf("pair %d, paced at %d baud, %s the trace:\n", pair, baud,
                        traced ? "with" : "without");
            std::fflush(stdout);
            times[traced] = Readout(baud, 0, traced == 1);
            ok = ok && times[traced].ok;
        }
        without += times[0].seconds;
        with += times[1].seconds;
        std::printf("pair %d: %.3f s without, %.3f s with the trace: %+.2f %%\n", pair,
                    times[0].seconds, times[1].seconds,
                    (times[1].seconds / times[0].seconds - 1) * 100);
        std::fflush(stdout);
    }
    std::printf("%d pairs at %d baud: %.3f s without, %.3f s with the trace on average: "
                "%+.2f %%\n",
                pairs, baud, without / pairs, with / pairs, (with / without - 1) * 100);
    return ok;
}

// Loop turns of the link worker of a connected terminal, with the live status poll on and
// with it off.
void IdleWakeups() {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        if (!h.Connect(dlg)) {
            std::printf("  the terminal did not connect\n");
            return;
        }
        afx::testing::ProcessEvents(500);
        for (int poll : {1, 0}) {
            dlg.PollStatus(poll);
            afx::testing::ProcessEvents(500);
            const std::uint64_t turns = dlg.Transfer().WorkerWakeups();
            const t_line_counts before = Counts(h.Sim());
            afx::testing::ProcessEvents(kIdleSeconds * 1000);
            const double worker =
                static_cast<double>(dlg.Transfer().WorkerWakeups() - turns) / kIdleSeconds;
            const double requests =
                static_cast<double>(Counts(h.Sim()).requests - before.requests) / kIdleSeconds;
            std::printf("  status poll %s: %.1f worker wake-ups/s for %.1f request/reply "
                        "exchanges/s\n",
                        poll ? "on " : "off", worker, requests);
        }
    });
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    afx::InitApplicationForTests(argc, argv);
    RegisterProgramTemplates();

    std::vector<int> rates;
    bool quick = false;
    double loss = 0;
    int tracePairs = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[i], "--loss") == 0 && i + 1 < argc) {
            loss = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--trace-pairs") == 0 && i + 1 < argc) {
            tracePairs = std::atoi(argv[++i]);
        } else {
            rates.push_back(std::atoi(argv[i]));
        }
    }
    if (rates.empty()) {
        rates.push_back(kUnpaced);
        if (!quick) {
            rates.insert(rates.end(), std::begin(kPacedRates), std::end(kPacedRates));
        }
    }

    std::printf("Recorder readout, %u bytes (block 0), main window offscreen, simulator on a "
                "pseudo-terminal\n",
                static_cast<unsigned>(protocol::kRecorderSize));
    bool allOk = true;
    if (tracePairs > 0) {
        for (int baud : rates) {
            allOk = TracePairs(baud, tracePairs) && allOk;
        }
        return allOk ? 0 : 1;
    }
    for (int baud : rates) {
        if (baud == kUnpaced) {
            std::printf("unpaced:\n");
        } else {
            std::printf("paced at %d baud, both directions%s:\n", baud, LossText(loss).c_str());
        }
        std::fflush(stdout);
        if (!Readout(baud, loss).ok) {
            std::printf("  READOUT FAILED\n");
            allOk = false;
        }
        std::fflush(stdout);
    }
    std::printf("Connected terminal, link worker over %d s:\n", kIdleSeconds);
    std::fflush(stdout);
    IdleWakeups();
    return allOk ? 0 : 1;
}
