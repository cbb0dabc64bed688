// Speed of re2-device's recorder readout: the program run as a child process against the
// simulator on a pseudo-terminal, paced at line speeds, beside the wire time of every
// character that passed both ways (10 bit times each).
//
//   device_cli_bench            paced at 57600 and 460800 baud (some five minutes)
//   device_cli_bench 460800     the given baud rates only (0: unpaced)
//   device_cli_bench --loss 0.01 57600 460800
//                               with that share of the replies lost at random (fixed seed)

#include "bench/loss_text.h"
#include "link/protocol.h"
#include "sim/pty_simulator.h"
#include "tests/support/temporary_directory.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

constexpr int kBitsPerCharacter = 10;

void Readout(int baud, double loss) {
    TemporaryDirectory dir("re2_device_bench_");
    t_pty_options options;
    options.baud = baud;
    options.paceInput = baud != 0;
    PtySimulator sim(options);
    if (!sim.Start()) {
        std::printf("  the simulator did not start\n");
        return;
    }
    if (loss > 0) {
        sim.WithDevice([&](DeviceSimulator& d) { d.SetRandomDrop(loss, 1); });
    }
    const std::string file = dir.PathOf("pomiar.qz");
    std::vector<std::string> words = {RE2_DEVICE_PROGRAM,
                                      "--port",
                                      sim.SlavePath(),
                                      "--baud",
                                      std::to_string(baud != 0 ? baud : 57600),
                                      "--quiet",
                                      "readout",
                                      "--restart",
                                      "-o",
                                      file};
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    std::string state = "XDG_STATE_HOME=" + dir.Path();
    std::vector<char*> envp = {state.data(), nullptr};

    const std::uint64_t toDevice = sim.CharactersReceived();
    const std::uint64_t fromDevice = sim.CharactersSent();
    const std::uint64_t chunks = sim.CommandCount(protocol::kCmdReadChunk);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    int status = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0 ||
        waitpid(pid, &status, 0) != pid) {
        std::printf("  re2-device did not run\n");
        return;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::uint64_t characters =
        sim.CharactersReceived() - toDevice + sim.CharactersSent() - fromDevice;
    const std::uint64_t exchanges = sim.CommandCount(protocol::kCmdReadChunk) - chunks;
    std::printf("  exit status %d, time %.3f s (process start, identity and settings block "
                "included), %llu chunk exchanges, %llu characters\n",
                WIFEXITED(status) ? WEXITSTATUS(status) : -1, seconds,
                static_cast<unsigned long long>(exchanges),
                static_cast<unsigned long long>(characters));
    if (baud != 0) {
        const double wire =
            static_cast<double>(characters) * kBitsPerCharacter / static_cast<double>(baud);
        std::printf("  wire time %.3f s; time / wire time = %.4f\n", wire, seconds / wire);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> rates;
    double loss = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--loss" && i + 1 < argc) {
            loss = std::atof(argv[++i]);
        } else {
            rates.push_back(std::atoi(argv[i]));
        }
    }
    if (rates.empty()) {
        rates = {57600, 460800};
    }
    for (const int baud : rates) {
        std::printf("re2-device readout, %s%s\n",
                    baud != 0 ? (std::to_string(baud) + " baud").c_str() : "unpaced",
                    LossText(loss).c_str());
        std::fflush(stdout);
        Readout(baud, loss);
    }
    return 0;
}
