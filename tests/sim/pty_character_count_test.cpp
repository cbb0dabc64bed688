// The simulator counts the characters that pass on its line, both ways.

#include "sim/pty_simulator.h"

#include "sim_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace simtest;

namespace {

// Reads from fd until `frames` frames have come or the time is up; gives the characters.
std::vector<std::uint8_t> ReadFrames(int fd, std::size_t frames, int ms) {
    std::vector<std::uint8_t> chars;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (DecodeFrames(chars).size() < frames && std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0 && (p.revents & POLLIN)) {
            std::uint8_t buffer[512];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                chars.insert(chars.end(), buffer, buffer + n);
            }
        }
    }
    return chars;
}

TEST(PtySimulatorCharacterCount, CountsEveryCharacterReceivedAndSentIncludingLostRequests) {
    PtySimulator sim;
    ASSERT_TRUE(sim.Start());
    const int fd = ::open(sim.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    EXPECT_EQ(sim.CharactersReceived(), 0u);
    EXPECT_EQ(sim.CharactersSent(), 0u);

    const auto request = EncodeRequest(protocol::kCmdReadClock);
    ASSERT_EQ(::write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    const auto reply = ReadFrames(fd, 1, 2000);
    ASSERT_EQ(DecodeFrames(reply).size(), 1u);
    EXPECT_EQ(sim.CharactersReceived(), request.size());
    // The count of sent characters grows just after the write the reader may have seen.
    EXPECT_TRUE(WaitFor([&] { return sim.CharactersSent() >= reply.size(); }));
    EXPECT_EQ(sim.CharactersSent(), reply.size());

    // A request lost on a line that is down still went over the wire.
    sim.SetLineDown(true);
    ASSERT_EQ(::write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    EXPECT_TRUE(WaitFor([&] { return sim.CharactersReceived() == 2 * request.size(); }));
    EXPECT_TRUE(ReadFrames(fd, 1, 100).empty());
    EXPECT_EQ(sim.CharactersSent(), reply.size());
    ::close(fd);
}

} // namespace
