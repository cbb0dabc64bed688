#include "sim/pty_simulator.h"

#include "sim_test_support.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace simtest;
using namespace std::chrono_literals;

namespace {

// The terminal's end of the line: the slave opened as a raw serial port.
class Port {
public:
    explicit Port(const std::string& path) {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd >= 0) {
            termios tio{};
            ::tcgetattr(m_fd, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~Port() { Close(); }
    bool IsOpen() const { return m_fd >= 0; }
    void Close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    void Send(const std::vector<std::uint8_t>& chars) {
        ASSERT_EQ(::write(m_fd, chars.data(), chars.size()), static_cast<ssize_t>(chars.size()));
    }
    // Reads until `frames` frames have come or the time is up.
    std::vector<t_transfer_data> Receive(std::size_t frames, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        for (;;) {
            const auto decoded = DecodeFrames(m_received);
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (decoded.size() >= frames || left.count() <= 0) {
                m_received.clear();
                return decoded;
            }
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) > 0 && (p.revents & POLLIN)) {
                std::uint8_t buffer[512];
                const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
                if (n > 0) {
                    m_received.insert(m_received.end(), buffer, buffer + n);
                }
            }
        }
    }
    std::vector<t_transfer_data> Exchange(int command, const std::vector<std::uint8_t>& data = {}) {
        Send(EncodeRequest(command, data));
        return Receive(1, 2000ms);
    }
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
    std::vector<std::uint8_t> m_received;
};

} // namespace

TEST(PtySimulator, AnswersRequestsOverTheSlave) {
    PtySimulator sim;
    ASSERT_TRUE(sim.Start());
    Port port(sim.SlavePath());
    ASSERT_TRUE(port.IsOpen());
    const auto frames = port.Exchange(protocol::kCmdReadVersions);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].command, protocol::kCmdReadVersions);
    EXPECT_EQ(frames[0].data[0], 5);

    // A whole block, chunk after chunk, as the terminal reads it.
    for (std::uint32_t address = protocol::BlockAddress(4); address < protocol::BlockAddress(5);
         address += 57) {
        const auto chunk = port.Exchange(protocol::kCmdReadChunk, ChunkHeader(address, 57));
        ASSERT_EQ(chunk.size(), 1u);
    }
    EXPECT_EQ(sim.CommandCount(protocol::kCmdReadChunk), 3u);
    EXPECT_EQ(sim.Log().back().record.command, protocol::kCmdReadChunk);
}

TEST(PtySimulator, KeepsServingWhenThePortIsClosedAndOpenedAgain) {
    PtySimulator sim;
    ASSERT_TRUE(sim.Start());
    for (int round = 0; round < 3; ++round) {
        Port port(sim.SlavePath());
        ASSERT_TRUE(port.IsOpen());
        EXPECT_EQ(port.Exchange(protocol::kCmdReadPosition).size(), 1u) << "round " << round;
        const std::uint64_t hangUps = sim.HangUpsMet();
        port.Close();
        ASSERT_TRUE(WaitFor([&] { return sim.HangUpsMet() > hangUps; }));
    }
    EXPECT_EQ(sim.RequestCount(), 3u);
}

TEST(PtySimulator, ChangesMadeThroughWithDeviceReachTheLine) {
    PtySimulator sim;
    ASSERT_TRUE(sim.Start());
    Port port(sim.SlavePath());
    sim.WithDevice([](DeviceSimulator& d) {
        d.SetPosition(4321);
        d.SendText("Start");
    });
    const auto text = port.Receive(1, 2000ms);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].Type(), protocol::kTypeNoReply);
    const auto frames = port.Exchange(protocol::kCmdReadPosition);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].data[0] | frames[0].data[1] << 8, 4321);
}

TEST(PtySimulator, LineDownLosesRequestsUntilItComesBack) {
    PtySimulator sim;
    ASSERT_TRUE(sim.Start());
    Port port(sim.SlavePath());
    sim.SetLineDown(true);
    const auto request = EncodeRequest(protocol::kCmdReadVersions);
    port.Send(request);
    // Once the server has read the characters they are lost; the line may come back.
    ASSERT_TRUE(WaitFor([&] { return sim.CharactersReceived() == request.size(); }));
    EXPECT_TRUE(port.Receive(1, 100ms).empty());
    EXPECT_EQ(sim.RequestCount(), 0u);
    sim.SetLineDown(false);
    EXPECT_EQ(port.Exchange(protocol::kCmdReadVersions).size(), 1u);
}

// Cut by CutLink from the test's thread, or by a CutLine rule at the request it names.
TEST(PtySimulator, CutHangsUpThePortAndStartServesOnANewOne) {
    for (const bool byRule : {false, true}) {
        const TemporaryDirectory temporary("re2_sim_test_");
        const std::string& dir = temporary.Path();
        t_pty_options options;
        options.linkDirectory = dir;
        options.comPort = 4;
        PtySimulator sim(options);
        ASSERT_TRUE(sim.Start());
        const std::string link = dir + "/COM4";
        EXPECT_EQ(sim.LinkPath(), link);
        Port port(link);
        ASSERT_TRUE(port.IsOpen());
        EXPECT_EQ(port.Exchange(protocol::kCmdReadPosition).size(), 1u);

        if (byRule) {
            sim.WithDevice([](DeviceSimulator& d) {
                d.AddFault(FaultRule(SimFault::CutLine, protocol::kCmdSetPosition, 1));
            });
            port.Send(EncodeRequest(protocol::kCmdSetPosition, {9, 0, 0, 0}));
        } else {
            sim.CutLink();
        }
        pollfd p{port.Fd(), POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 5000), 1) << byRule;
        EXPECT_NE(p.revents & POLLHUP, 0);
        EXPECT_FALSE(sim.Running());
        if (byRule) {
            EXPECT_EQ(sim.WithDevice([](DeviceSimulator& d) { return d.Position(); }), 9);
        }

        ASSERT_TRUE(sim.Start());
        Port again(link); // the link follows the new slave
        ASSERT_TRUE(again.IsOpen());
        EXPECT_EQ(again.Exchange(protocol::kCmdReadPosition).size(), 1u) << byRule;

        sim.Stop();
        EXPECT_NE(::access(link.c_str(), F_OK), 0);
    }
}

TEST(PtySimulator, ReplacesAStaleComLink) {
    const TemporaryDirectory temporary("re2_sim_test_");
    const std::string& dir = temporary.Path();
    const std::string link = dir + "/COM1";
    ASSERT_EQ(::symlink("/dev/null/nothing", link.c_str()), 0);
    t_pty_options options;
    options.linkDirectory = dir;
    options.comPort = 1;
    {
        PtySimulator sim(options);
        ASSERT_TRUE(sim.Start());
        Port port(link);
        ASSERT_TRUE(port.IsOpen());
        EXPECT_EQ(port.Exchange(protocol::kCmdReadVersions).size(), 1u);
    }
    EXPECT_NE(::access(link.c_str(), F_OK), 0); // removed with the simulator
}

TEST(PtySimulator, PacedRepliesTakeTheirLineTime) {
    t_pty_options options;
    options.baud = 2400; // 4.17 ms a character
    PtySimulator sim(options);
    ASSERT_TRUE(sim.Start());
    Port port(sim.SlavePath());
    const auto start = std::chrono::steady_clock::now();
    // 135 characters: 562 ms on the line.
    const auto frames = port.Exchange(protocol::kCmdReadChunk, ChunkHeader(0, 57));
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_GE(took, 450ms);

    sim.SetPacing(0, false);
    const auto fastStart = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Exchange(protocol::kCmdReadChunk, ChunkHeader(0, 57)).size(), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - fastStart, 450ms);
}

// Every reply late, or only the first: a request sent behind a late one is answered after
// it, as by a device that serves its requests one by one.
TEST(PtySimulator, LateRepliesComeLateAndInTheOrderOfTheirRequests) {
    for (const bool onlyTheFirst : {false, true}) {
        PtySimulator sim;
        ASSERT_TRUE(sim.Start());
        Port port(sim.SlavePath());
        sim.WithDevice([onlyTheFirst](DeviceSimulator& d) {
            if (onlyTheFirst) {
                d.AddFault(TimedFaultRule(SimFault::DelayReply, 400, kAnyCommand, 1));
            } else {
                d.SetReplyDelayMs(400);
            }
        });
        port.Send(EncodeRequest(protocol::kCmdReadVersions));
        port.Send(EncodeRequest(protocol::kCmdReadPosition));
        EXPECT_TRUE(port.Receive(1, 250ms).empty()) << onlyTheFirst;
        const auto frames = port.Receive(2, 3000ms);
        ASSERT_EQ(frames.size(), 2u) << onlyTheFirst;
        EXPECT_EQ(frames[0].command, protocol::kCmdReadVersions);
        EXPECT_EQ(frames[1].command, protocol::kCmdReadPosition);
    }
}
