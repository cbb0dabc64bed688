#include "link/com_port.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kPort = 7;

// A pseudo-terminal whose slave side is linked as COM7 in a temporary program directory.
class PseudoTerminalPort : public ::testing::Test {
protected:
    void SetUp() override {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(m_master, 0);
        ASSERT_EQ(grantpt(m_master), 0);
        ASSERT_EQ(unlockpt(m_master), 0);
        const char* slave = ptsname(m_master);
        ASSERT_NE(slave, nullptr);
        char pattern[] = "/tmp/re2_com_port_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_directory = std::string(pattern) + "/";
        std::filesystem::create_symlink(slave, m_directory + "COM7");
        CComPort::SetProgramDirectory(m_directory);
    }
    void TearDown() override {
        CComPort::SetProgramDirectory("");
        if (m_master >= 0) {
            close(m_master);
        }
        std::filesystem::remove_all(m_directory);
    }
    // Reads from the master what arrives within about a second.
    std::string DrainMaster(std::size_t expected) {
        std::string got;
        for (int i = 0; i < 200 && got.size() < expected; ++i) {
            char buf[256];
            const ssize_t n = read(m_master, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, static_cast<std::size_t>(n));
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return got;
    }
    void MasterSends(const std::string& text) {
        ASSERT_EQ(write(m_master, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        // Let the line discipline pass the bytes to the slave side.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    int m_master = -1;
    std::string m_directory;
};

TEST(ComPortPath, LinkInProgramDirectoryWinsElseSerialDevice) {
    EXPECT_EQ(CComPort::DevicePath(1, "/nonexistent/"), "/dev/ttyS0");
    EXPECT_EQ(CComPort::DevicePath(6, ""), "/dev/ttyS5");
}

TEST_F(PseudoTerminalPort, OpensReopensWithoutChangeAndCloses) {
    EXPECT_EQ(CComPort::DevicePath(kPort, m_directory), m_directory + "COM7");
    CComPort port;
    EXPECT_EQ(port.Open(kPort, 57600), 1);
    EXPECT_TRUE(port.IsOpen());
    const int fd = port.Descriptor();
    EXPECT_GE(fd, 0);
    EXPECT_EQ(port.Open(kPort, 9600), 1);
    EXPECT_EQ(port.Descriptor(), fd);
    EXPECT_EQ(port.Close(), 1);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Descriptor(), -1);
    EXPECT_EQ(port.Close(), 1);
}

TEST_F(PseudoTerminalPort, SecondPortObjectCannotOpenTheSameDevice) {
    CComPort first;
    CComPort second;
    ASSERT_EQ(first.Open(kPort, 57600), 1);
    EXPECT_EQ(second.Open(kPort, 57600), 0);
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_EQ(second.Open(kPort, 57600), 1);
}

TEST_F(PseudoTerminalPort, ReadGivesNothingAtOnceAndOneByteLeavesTheRest) {
    CComPort port;
    ASSERT_EQ(port.Open(kPort, 57600), 1);
    char c = 0;
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Read(&c, 1), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(100));

    MasterSends(":03F9");
    ASSERT_EQ(port.Read(&c, 1), 1);
    EXPECT_EQ(c, ':');
    char rest[16] = {};
    EXPECT_EQ(port.ReadSome(rest, sizeof rest), 4);
    EXPECT_EQ(std::string(rest, 4), "03F9");
}

TEST_F(PseudoTerminalPort, LineIsRawSoBytesPassUnchanged) {
    CComPort port;
    ASSERT_EQ(port.Open(kPort, 57600), 1);
    const std::string bytes("\n\r:\x03\x11\x13\x7f\xff", 8);
    MasterSends(bytes);
    char got[16] = {};
    EXPECT_EQ(port.Read(got, sizeof got), 8);
    EXPECT_EQ(std::string(got, 8), bytes);
}

TEST_F(PseudoTerminalPort, WriteReachesThePeerByteExact) {
    CComPort port;
    ASSERT_EQ(port.Open(kPort, 57600), 1);
    const std::string frame("\n\r:03F921E3", 11);
    EXPECT_EQ(port.Write(frame.data(), frame.size()), 11);
    EXPECT_EQ(DrainMaster(frame.size()), frame);
}

TEST_F(PseudoTerminalPort, PeerThatGoesAwayMakesReadGiveNothing) {
    CComPort port;
    ASSERT_EQ(port.Open(kPort, 57600), 1);
    close(m_master);
    m_master = -1;
    char c;
    EXPECT_EQ(port.Read(&c, 1), 0);
    EXPECT_EQ(port.Read(&c, 1), 0);
    port.Write("x", 1); // must not crash or hang
}

TEST_F(PseudoTerminalPort, UnsupportedBaudRateFails) {
    CComPort port;
    EXPECT_EQ(port.Open(kPort, 12345), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Open(kPort, 0), 0);
    EXPECT_EQ(port.Open(kPort, 115200), 1);
}

TEST_F(PseudoTerminalPort, MissingPortFailsAndTheObjectStaysReusable) {
    CComPort port;
    EXPECT_EQ(port.Open(99, 57600), 0); // /dev/ttyS98 does not exist
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Descriptor(), -1);
    EXPECT_EQ(port.Open(kPort, 57600), 1);
}

TEST(ComPortClosed, OperationsOnAClosedPortGiveZero) {
    CComPort port;
    char c;
    EXPECT_EQ(port.Read(&c, 1), 0);
    EXPECT_EQ(port.Write("x", 1), 0);
    EXPECT_EQ(port.Close(), 1);
}

} // namespace
