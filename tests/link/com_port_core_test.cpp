#include "link/com_port.h"
#include "tests/support/pty_device_end.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

constexpr int kPort = 7;

// A pseudo-terminal whose slave side is linked as COM7 in a temporary program directory.
class PseudoTerminalPort : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_device.Ok());
        CComPort::SetProgramDirectory(m_directory);
    }
    void TearDown() override { CComPort::SetProgramDirectory(""); }
    void MasterSends(const std::string& text) {
        m_device.Send(text);
        // Let the line discipline pass the bytes to the slave side.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    TemporaryDirectory m_temporary{"re2_com_port_"};
    const std::string m_directory = m_temporary.Path() + "/";
    PtyDeviceEnd m_device{m_directory, kPort};
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
    EXPECT_EQ(m_device.Receive(1000, frame), frame);
}

TEST_F(PseudoTerminalPort, PeerThatGoesAwayMakesReadGiveNothing) {
    CComPort port;
    ASSERT_EQ(port.Open(kPort, 57600), 1);
    m_device.Close();
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
