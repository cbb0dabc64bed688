#include "link/com_port.h"
#include "link/uucp_lock.h"
#include "tests/support/pty_device_end.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/serial.h>
#include <optional>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPort = 7;

// A pseudo-terminal whose slave side is linked as COM7 in a temporary program directory.
class PseudoTerminalPort : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_device.Ok());
        m_slave = std::filesystem::canonical(m_directory + "COM7").string();
        CComPort::SetProgramDirectory(m_directory);
        CComPort::SetLockDirectory(m_directory);
    }
    void TearDown() override {
        CComPort::SetProgramDirectory("");
        CComPort::SetLockDirectory("/run/lock/");
    }
    void MasterSends(const std::string& text) {
        m_device.Send(text);
        // Let the line discipline pass the bytes to the slave side.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    TemporaryDirectory m_temporary{"re2_com_port_"};
    const std::string m_directory = m_temporary.Path() + "/";
    PtyDeviceEnd m_device{m_directory, kPort};
    std::string m_slave;

    std::string LockPath() const { return m_directory + UucpLockName(m_slave); }
    std::string LockContent() const {
        std::ifstream in(LockPath());
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

bool ExclusiveFlag(const std::string& device) {
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    int flag = -1;
    if (fd >= 0) {
        ioctl(fd, TIOCGEXCL, &flag);
        close(fd);
    }
    return flag == 1;
}

// A process id that is surely gone: a child that has been waited for.
int DeadProcessId() {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    return child;
}

std::string LockText(int pid) {
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", pid);
    return text;
}

// What the serial-driver seam saw: the flags read and every flags value written.
struct SerialDriverLog {
    int flags = 0x1000; // some other flag set, low latency clear
    std::vector<int> written;
};
SerialDriverLog g_serialDriver;

int FakeSerialIoctl(int /*fd*/, unsigned long request, void* arg) {
    auto* serial = static_cast<serial_struct*>(arg);
    if (request == TIOCGSERIAL) {
        serial->flags = g_serialDriver.flags;
        return 0;
    }
    g_serialDriver.flags = serial->flags;
    g_serialDriver.written.push_back(serial->flags);
    return 0;
}

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

TEST_F(PseudoTerminalPort, ExclusiveUseIsClearedOnCloseOnlyWhereThePortSetIt) {
    {
        CComPort port;
        ASSERT_EQ(port.Open(kPort, 57600), 1);
        EXPECT_TRUE(ExclusiveFlag(m_slave) || geteuid() != 0); // a user cannot even look
        port.Close();
        EXPECT_FALSE(ExclusiveFlag(m_slave));
    }
    // Another program holds the port exclusively: a user is refused as busy; root gets in
    // but leaves the other program's exclusive use in place.
    const int other = open(m_slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(other, 0);
    ASSERT_EQ(ioctl(other, TIOCEXCL), 0);
    CComPort port;
    if (geteuid() == 0) {
        EXPECT_EQ(port.Open(kPort, 57600), 1);
        port.Close();
        EXPECT_TRUE(ExclusiveFlag(m_slave));
    } else {
        EXPECT_EQ(port.Open(kPort, 57600), 0);
        EXPECT_EQ(port.Failure().step, PortStep::Open);
        EXPECT_EQ(port.Failure().error, EBUSY);
    }
    ioctl(other, TIOCNXCL);
    close(other);
}

TEST_F(PseudoTerminalPort, LockFilesOfLiveProgramsKeepThePortAndStaleOnesAreTakenOver) {
    const std::string self = LockText(getpid());
    struct Case {
        const char* what;
        std::optional<std::string> before; // lock file content before Open; none: no file
        bool opens;
        int owner; // with a refusal: the process reported
    };
    const Case cases[] = {
        {"no lock", std::nullopt, true, 0},
        {"stale lock", LockText(DeadProcessId()), true, 0},
        {"our own lock", self, true, 0},
        {"live program (init)", LockText(1), false, 1},
        {"live program, 4-byte text", std::string("  1\n"), false, 1},
    };
    for (const Case& c : cases) {
        if (c.before) {
            std::ofstream(LockPath()) << *c.before;
        }
        CComPort port;
        EXPECT_EQ(port.Open(kPort, 57600), c.opens ? 1 : 0) << c.what;
        if (c.opens) {
            EXPECT_EQ(LockContent(), self) << c.what;
            port.Close();
            EXPECT_FALSE(std::filesystem::exists(LockPath())) << c.what;
        } else {
            EXPECT_EQ(port.Failure().step, PortStep::LockFile) << c.what;
            EXPECT_EQ(port.Failure().lockOwner, c.owner) << c.what;
            EXPECT_EQ(LockContent(), *c.before) << c.what;
            std::filesystem::remove(LockPath());
        }
    }
    EXPECT_EQ(UucpLockName("/dev/ttyUSB0"), "LCK..ttyUSB0");
    EXPECT_EQ(UucpLockName("/dev/pts/3"), "LCK..pts_3");
}

TEST_F(PseudoTerminalPort, LowLatencyIsSetWhileOpenAndTheDriversFlagsComeBackOnClose) {
    g_serialDriver = SerialDriverLog{};
    CComPort::SetSerialIoctlForTest(&FakeSerialIoctl);
    CComPort port;
    ASSERT_EQ(port.Open(kPort, 57600), 1);
    EXPECT_EQ(g_serialDriver.written, std::vector<int>{0x1000 | ASYNC_LOW_LATENCY});
    port.Close();
    EXPECT_EQ(g_serialDriver.written.back(), 0x1000);
    CComPort::SetSerialIoctlForTest(nullptr);
}

TEST(ComPortSerialDevice, LowLatencyOnTheFirstSerialPortWhileOpenOnly) {
    const int probe = open("/dev/ttyS0", O_RDWR | O_NOCTTY | O_NONBLOCK);
    serial_struct serial{};
    if (probe < 0 || ioctl(probe, TIOCGSERIAL, &serial) != 0 || serial.type == PORT_UNKNOWN) {
        if (probe >= 0) {
            close(probe);
        }
        GTEST_SKIP() << "no usable /dev/ttyS0 here";
    }
    const int before = serial.flags;
    CComPort::SetProgramDirectory("");
    CComPort port;
    ASSERT_EQ(port.Open(1, 57600), 1);
    ASSERT_EQ(ioctl(probe, TIOCGSERIAL, &serial), 0);
    EXPECT_NE(serial.flags & ASYNC_LOW_LATENCY, 0);
    port.Close();
    ASSERT_EQ(ioctl(probe, TIOCGSERIAL, &serial), 0);
    EXPECT_EQ(serial.flags, before);
    close(probe);
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
