#pragma once
// The bench of re2-device's end-to-end tests: one simulated device on a pseudo-terminal,
// linked as COM1 in a folder of the test's own, re2-device copied there, and the checks
// the tests share.

#include "link/protocol.h"
#include "measure/readout_part.h"
#include "sim/pty_simulator.h"
#include "tests/support/device_child.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace device_bench {

using namespace std::chrono_literals;

constexpr unsigned kRecorderChunks =
    (protocol::kRecorderSize + protocol::kChunkData - 1) / protocol::kChunkData;

// Polls until done() holds, for at most timeout.
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// One simulated device on a pseudo-terminal, linked as COM1 in the test's folder, and that
// folder as re2-device's settings folder and home. re2-device runs as a portable copy in
// that folder, so that its readout parts are the test's own too.
struct Bench {
    TemporaryDirectory dir{"re2_device_"};
    std::string program = CopyDeviceProgramTo(dir.Path());
    PtySimulator sim{[this] {
        t_pty_options options;
        options.linkDirectory = dir.Path() + "/";
        options.comPort = 1;
        return options;
    }()};

    Bench() {
        EXPECT_FALSE(program.empty());
        EXPECT_TRUE(sim.Start());
    }

    // re2-device with the simulator's port and the test's folder before args.
    std::vector<std::string> Args(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--port", sim.LinkPath(), "--config-dir", dir.Path()};
        all.insert(all.end(), args.begin(), args.end());
        return all;
    }
    t_child_run Run(const std::vector<std::string>& args) {
        return DeviceChild(program, Args(args), dir.Path()).Finish();
    }

    std::vector<std::uint8_t> Memory(std::uint32_t address, std::size_t n) {
        return sim.WithDevice([&](DeviceSimulator& d) { return d.Memory().Bytes(address, n); });
    }
    std::vector<std::uint8_t> Block(int id) {
        return Memory(protocol::BlockAddress(id), protocol::BlockSize(id));
    }
    unsigned FactoryNumber() {
        const auto block = Block(protocol::kBlockConfiguration);
        return block[2] | block[3] << 8;
    }
    // The memory addresses of the chunk requests of command (39 write, 40 read) the device
    // received, in order.
    std::vector<std::uint32_t> Chunks(std::uint8_t command) {
        std::vector<std::uint32_t> addresses;
        for (const t_sim_request& r : sim.Log()) {
            if (r.addressed && r.record.command == command) {
                addresses.push_back(r.record.data[0] | r.record.data[1] << 8 |
                                    r.record.data[2] << 16 |
                                    static_cast<std::uint32_t>(r.record.data[3]) << 24);
            }
        }
        return addresses;
    }
    std::vector<std::uint32_t> WrittenChunks() { return Chunks(protocol::kCmdWriteChunk); }

    std::vector<std::uint8_t> Recorder() {
        return sim.WithDevice([](DeviceSimulator& d) { return d.Memory().Recorder(); });
    }
    std::string PartPath() {
        return dir.PathOf("odczyt-" + std::to_string(FactoryNumber()) + ".part");
    }
    // The recorder bytes the readout's part file holds on the disk now.
    std::size_t PartBytes() {
        t_readout_part part;
        return ReadReadoutPart(PartPath(), part) ? part.bytes.size() : 0;
    }

    // From the recorder's middle on, a readout crawls: of every four tries of a read chunk
    // three go unanswered. It never gives a chunk up (that takes five failed tries in a
    // row) and its part keeps growing on the disk; three reply waits a chunk over two
    // hundred chunks keep it there far longer than a test thread ever falls behind.
    void CrawlFromTheMiddle() {
        constexpr unsigned kCrawlChunks = 200;
        // The first read chunk is that of the configuration block, the identity of the part.
        constexpr unsigned kFirst = 1 + kRecorderChunks / 2 + 1;
        sim.WithDevice([](DeviceSimulator& d) {
            for (unsigned i = 0; i < 4 * kCrawlChunks; ++i) {
                if (i % 4 != 3) {
                    d.DropReply(protocol::kCmdReadChunk, kFirst + i);
                }
            }
        });
    }
    std::string Text(const std::string& name) {
        std::ifstream in(dir.PathOf(name));
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void SetText(const std::string& name, const std::string& text) {
        std::ofstream(dir.PathOf(name)) << text;
    }
    // The dump of the device's settings, saved as name; "" when it failed.
    std::string Dump(const std::string& name) {
        const t_child_run run = Run({"settings", "dump", "-o", dir.PathOf(name)});
        EXPECT_EQ(run.status, 0) << run.err;
        return Text(name);
    }
};

// The text with the line of key replaced by `key = value`.
inline std::string WithValue(std::string text, const std::string& key, const std::string& value) {
    const std::size_t at = text.find("\n" + key + " = ");
    EXPECT_NE(at, std::string::npos) << key;
    if (at == std::string::npos) {
        return text;
    }
    const std::size_t end = text.find('\n', at + 1);
    return text.replace(at + 1, end - at - 1, key + " = " + value);
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Whether text has the shape of pattern: '#' stands for one digit, '*' for one or more,
// anything else for itself.
inline bool Shaped(const std::string& text, const std::string& pattern) {
    const auto digit = [&](std::size_t i) {
        return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
    };
    std::size_t t = 0;
    for (const char p : pattern) {
        if (p == '#' || p == '*') {
            if (!digit(t)) {
                return false;
            }
            ++t;
            while (p == '*' && digit(t)) {
                ++t;
            }
        } else if (t >= text.size() || text[t++] != p) {
            return false;
        }
    }
    return t == text.size();
}

} // namespace device_bench
