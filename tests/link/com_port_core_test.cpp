#include "link/com_port.h"
#include "link/port_failure_text.h"
#include "link/uucp_lock.h"
#include "tests/support/live_child.h"
#include "tests/support/pty_device_end.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <linux/serial.h>
#include <optional>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
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
        CComPort::SetLockDirectory(m_directory);
    }
    void TearDown() override { CComPort::SetLockDirectory("/run/lock/"); }
    // The device "COMn" names in the test's folder.
    std::string Com(int n) const { return CComPort::DevicePath(n, m_directory); }
    void MasterSends(const std::string& text) {
        m_device.Send(text);
        // Let the line discipline pass the bytes to the slave side.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    TemporaryDirectory m_temporary{"re2_com_port_"};
    const std::string m_directory = m_temporary.Path() + "/";
    PtyDeviceEnd m_device{m_directory, kPort};
    std::string m_slave;
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
    EXPECT_EQ(port.Open(Com(kPort), 57600), 1);
    EXPECT_TRUE(port.IsOpen());
    const int fd = port.Descriptor();
    EXPECT_GE(fd, 0);
    EXPECT_EQ(port.Open(Com(kPort), 9600), 1);
    EXPECT_EQ(port.Descriptor(), fd);
    EXPECT_EQ(port.Close(), 1);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Descriptor(), -1);
    EXPECT_EQ(port.Close(), 1);
}

TEST_F(PseudoTerminalPort, SecondPortObjectCannotOpenTheSameDevice) {
    CComPort first;
    CComPort second;
    ASSERT_EQ(first.Open(Com(kPort), 57600), 1);
    EXPECT_EQ(second.Open(Com(kPort), 57600), 0);
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_EQ(second.Open(Com(kPort), 57600), 1);
}

TEST_F(PseudoTerminalPort, ReadGivesNothingAtOnceAndOneByteLeavesTheRest) {
    CComPort port;
    ASSERT_EQ(port.Open(Com(kPort), 57600), 1);
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
    ASSERT_EQ(port.Open(Com(kPort), 57600), 1);
    const std::string bytes("\n\r:\x03\x11\x13\x7f\xff", 8);
    MasterSends(bytes);
    char got[16] = {};
    EXPECT_EQ(port.Read(got, sizeof got), 8);
    EXPECT_EQ(std::string(got, 8), bytes);
}

TEST_F(PseudoTerminalPort, WriteReachesThePeerByteExact) {
    CComPort port;
    ASSERT_EQ(port.Open(Com(kPort), 57600), 1);
    const std::string frame("\n\r:03F921E3", 11);
    EXPECT_EQ(port.Write(frame.data(), frame.size()), 11);
    EXPECT_EQ(m_device.Receive(1000, frame), frame);
}

TEST_F(PseudoTerminalPort, PeerThatGoesAwayMakesReadGiveNothing) {
    CComPort port;
    ASSERT_EQ(port.Open(Com(kPort), 57600), 1);
    m_device.Close();
    char c;
    EXPECT_EQ(port.Read(&c, 1), 0);
    EXPECT_EQ(port.Read(&c, 1), 0);
    port.Write("x", 1); // must not crash or hang
}

TEST_F(PseudoTerminalPort, UnsupportedBaudRateFails) {
    CComPort port;
    EXPECT_EQ(port.Open(Com(kPort), 12345), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Open(Com(kPort), 0), 0);
    EXPECT_EQ(port.Open(Com(kPort), 115200), 1);
}

TEST_F(PseudoTerminalPort, ExclusiveUseIsClearedOnCloseOnlyWhereThePortSetIt) {
    {
        CComPort port;
        ASSERT_EQ(port.Open(Com(kPort), 57600), 1);
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
        EXPECT_EQ(port.Open(Com(kPort), 57600), 1);
        port.Close();
        EXPECT_TRUE(ExclusiveFlag(m_slave));
    } else {
        EXPECT_EQ(port.Open(Com(kPort), 57600), 0);
        EXPECT_EQ(port.Failure().step, PortStep::Open);
        EXPECT_EQ(port.Failure().error, EBUSY);
    }
    ioctl(other, TIOCNXCL);
    close(other);
}

// What came of opening COM7 with the lock folder as a test left it.
struct LockOutcome {
    bool opened = false;
    bool lockMade = false; // a lock file naming the opening process, while open
    int owner = 0;         // with a refusal: the process reported
    std::string note;      // the console line of a port that opened; empty for none
};

LockOutcome OpenAndLook(const std::string& device, const std::string& lockPath) {
    LockOutcome outcome;
    CComPort port;
    outcome.opened = port.Open(device, 57600) == 1;
    if (outcome.opened &&
        std::filesystem::is_regular_file(std::filesystem::symlink_status(lockPath))) {
        std::ifstream in(lockPath);
        outcome.lockMade =
            std::string(std::istreambuf_iterator<char>(in), {}) == LockText(getpid());
    }
    outcome.owner = port.Failure().lockOwner;
    outcome.note = PortNoticeText(kPort, port.Notice());
    port.Close();
    return outcome;
}

// The same, by a child process that has become an unprivileged user (nobody).
LockOutcome OpenAndLookAsAnotherUser(const std::string& device, const std::string& lockPath) {
    constexpr uid_t kNobody = 65534;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        if (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
            setresuid(kNobody, kNobody, kNobody) != 0) {
            _exit(2);
        }
        const LockOutcome o = OpenAndLook(device, lockPath);
        const std::string text = std::to_string(o.opened) + " " + std::to_string(o.lockMade) + " " +
                                 std::to_string(o.owner) + " " + o.note;
        const bool sent =
            write(pipeFds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        _exit(sent ? 0 : 3);
    }
    close(pipeFds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    LockOutcome outcome;
    int opened = 0;
    int made = 0;
    int consumed = 0;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
        std::sscanf(text.c_str(), "%d %d %d %n", &opened, &made, &outcome.owner, &consumed) == 3) {
        outcome.opened = opened != 0;
        outcome.lockMade = made != 0;
        outcome.note = text.substr(static_cast<std::size_t>(consumed));
    }
    return outcome;
}

void WriteLockFile(const std::string& path, const std::string& content, int ageSeconds) {
    std::ofstream(path) << content;
    const timespec now = [] {
        timespec t{};
        clock_gettime(CLOCK_REALTIME, &t);
        return t;
    }();
    const timespec times[2] = {{now.tv_sec - ageSeconds, now.tv_nsec},
                               {now.tv_sec - ageSeconds, now.tv_nsec}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST_F(PseudoTerminalPort, LockFolderEntriesKeepThePortOnlyForALiveProgram) {
    const std::string self = LockText(getpid());
    const int dead = DeadProcessId();
    const bool root = geteuid() == 0;
    constexpr int kOld = kEmptyLockGraceSeconds + 5;
    constexpr uid_t kNobody = 65534;
    // A running program of this user, and one of nobody's (which only root can start).
    const LiveChild ours;
    ASSERT_GT(ours.Pid(), 0);
    const std::optional<LiveChild> nobodys =
        root ? std::optional<LiveChild>(std::in_place, static_cast<int>(kNobody)) : std::nullopt;
    const int nobodysPid = nobodys ? nobodys->Pid() : 0;
    enum class Note { None, WithProcess, WithoutProcess };
    struct Case {
        const char* what;
        std::function<void(const std::string& lockPath)> arrange;
        // Left by root in a sticky folder open to all, and met by another user, who may
        // not remove it.
        bool rootsInStickyFolder;
        bool opens;
        bool lockMade;
        int owner; // with a refusal: the process reported
        Note note;
        // The lock file must be root's or another user's, which only root can set up.
        bool needsRoot;
    };
    const auto lockFile = [](std::string content, int age) {
        return [content, age](const std::string& path) { WriteLockFile(path, content, age); };
    };
    // Written by nobody, as any local user can in the shared lock folder.
    const auto nobodysLockFile = [kNobody](std::string content) {
        return [content, kNobody](const std::string& path) {
            WriteLockFile(path, content, 0);
            ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
        };
    };
    const Case cases[] = {
        {"no lock", [](const std::string&) {}, false, true, true, 0, Note::None, false},
        {"lock of an ended process", lockFile(LockText(dead), 0), false, true, true, 0, Note::None,
         false},
        {"our own lock", lockFile(self, 0), false, true, true, 0, Note::None, false},
        {"live program of our user", lockFile(LockText(ours.Pid()), 0), false, false, false,
         ours.Pid(), Note::None, false},
        {"root's lock of a live program (init)", lockFile(LockText(1), 0), false, false, false, 1,
         Note::None, true},
        {"root's lock of init, 4-byte text", lockFile("  1\n", 0), false, false, false, 1,
         Note::None, true},
        {"nobody's lock of init", nobodysLockFile(LockText(1)), false, true, true, 0, Note::None,
         true},
        {"nobody's lock of root's live program", nobodysLockFile(LockText(ours.Pid())), false, true,
         true, 0, Note::None, true},
        {"nobody's lock of nobody's live program", nobodysLockFile(LockText(nobodysPid)), false,
         false, false, nobodysPid, Note::None, true},
        {"empty, just made", lockFile("", 0), false, false, false, 0, Note::None, false},
        {"empty, older than the grace", lockFile("", kOld), false, true, true, 0, Note::None,
         false},
        {"FIFO", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); }, false,
         true, true, 0, Note::None, false},
        {"link to /dev/zero",
         [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); }, false,
         true, true, 0, Note::None, false},
        {"directory", [](const std::string& path) { std::filesystem::create_directory(path); },
         false, true, false, 0, Note::WithoutProcess, false},
        {"root's lock of an ended process", lockFile(LockText(dead), 0), true, true, false, 0,
         Note::WithProcess, true},
        {"root's empty lock, older than the grace", lockFile("", kOld), true, true, false, 0,
         Note::WithoutProcess, true},
    };
    for (const Case& c : cases) {
        if (c.needsRoot && !root) {
            std::printf("[ skipped  ] %s: only root can leave a lock file of root or of another "
                        "user\n",
                        c.what);
            continue;
        }
        std::string folder = m_directory;
        if (c.rootsInStickyFolder) {
            // Made by root; the other user needs a way to the port and the folder.
            folder = m_directory + "sticky/";
            std::filesystem::create_directory(folder);
            ASSERT_EQ(chmod(folder.c_str(), 01777), 0);
            ASSERT_EQ(chmod(m_directory.c_str(), 0755), 0);
            ASSERT_EQ(chmod(m_slave.c_str(), 0666), 0);
        }
        CComPort::SetLockDirectory(folder);
        const std::string lockPath = folder + UucpLockName(m_slave);
        c.arrange(lockPath);
        const LockOutcome got = c.rootsInStickyFolder
                                    ? OpenAndLookAsAnotherUser(Com(kPort), lockPath)
                                    : OpenAndLook(Com(kPort), lockPath);
        EXPECT_EQ(got.opened, c.opens) << c.what;
        EXPECT_EQ(got.lockMade, c.lockMade) << c.what;
        EXPECT_EQ(got.owner, c.owner) << c.what;
        std::string note;
        if (c.note != Note::None) {
            note =
                "Port COM7 (" + m_slave + "): nie można usunąć pozostawionej blokady " + lockPath +
                (c.note == Note::WithProcess ? " (proces " + std::to_string(dead) + " nie działa)"
                                             : std::string()) +
                ", port otwarty bez pliku blokady";
        }
        EXPECT_EQ(got.note, note) << c.what;
        // The port's own lock is gone; what it could not remove stays as it was.
        EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(lockPath)),
                  !c.opens || c.note != Note::None)
            << c.what;
        std::filesystem::remove_all(lockPath);
    }
    EXPECT_EQ(UucpLockName("/dev/ttyUSB0"), "LCK..ttyUSB0");
    EXPECT_EQ(UucpLockName("/dev/pts/3"), "LCK..pts_3");
}

TEST_F(PseudoTerminalPort, LowLatencyIsSetWhileOpenAndOnlyThatBitIsClearedOnClose) {
    constexpr int kOther = 0x1000;   // a flag the driver had before
    constexpr int kChanged = 0x0200; // a flag another program sets while the port is open
    struct Case {
        const char* what;
        int found;
        int flippedMeanwhile; // by another program, between open and close
        std::vector<int> written;
        int after;
    };
    const Case cases[] = {
        {"clear at open",
         kOther,
         kChanged,
         {kOther | ASYNC_LOW_LATENCY, kOther | kChanged},
         kOther | kChanged},
        {"already set at open",
         kOther | ASYNC_LOW_LATENCY,
         kChanged,
         {},
         kOther | kChanged | ASYNC_LOW_LATENCY},
        {"cleared by another program meanwhile",
         kOther,
         ASYNC_LOW_LATENCY,
         {kOther | ASYNC_LOW_LATENCY},
         kOther},
    };
    CComPort::SetSerialIoctlForTest(&FakeSerialIoctl);
    for (const Case& c : cases) {
        g_serialDriver = SerialDriverLog{};
        g_serialDriver.flags = c.found;
        CComPort port;
        ASSERT_EQ(port.Open(Com(kPort), 57600), 1) << c.what;
        g_serialDriver.flags ^= c.flippedMeanwhile;
        port.Close();
        EXPECT_EQ(g_serialDriver.written, c.written) << c.what;
        EXPECT_EQ(g_serialDriver.flags, c.after) << c.what;
    }
    CComPort::SetSerialIoctlForTest(nullptr);
}

// The line settings as the driver keeps them, field by field ("" when they match).
std::string LineDifference(const termios& a, const termios& b) {
    std::string difference;
    const auto compare = [&](const char* name, unsigned long x, unsigned long y) {
        if (x != y) {
            difference +=
                std::string(name) + ": " + std::to_string(x) + " != " + std::to_string(y) + "; ";
        }
    };
    compare("iflag", a.c_iflag, b.c_iflag);
    compare("oflag", a.c_oflag, b.c_oflag);
    compare("cflag", a.c_cflag, b.c_cflag);
    compare("lflag", a.c_lflag, b.c_lflag);
    compare("line", a.c_line, b.c_line);
    compare("ispeed", cfgetispeed(&a), cfgetispeed(&b));
    compare("ospeed", cfgetospeed(&a), cfgetospeed(&b));
    for (int i = 0; i < NCCS; ++i) {
        compare(("cc[" + std::to_string(i) + "]").c_str(), a.c_cc[i], b.c_cc[i]);
    }
    return difference;
}

// What `stty -a -F device` would print, read through a descriptor of its own.
std::optional<termios> LineOf(const std::string& device) {
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios line{};
    const bool read = fd >= 0 && tcgetattr(fd, &line) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return read ? std::optional<termios>(line) : std::nullopt;
}

TEST_F(PseudoTerminalPort, CloseHandsTheLineSettingsBackExactly) {
    // A line another program left cooked at 9600 b/s, echoing, hanging up on close.
    {
        const int fd = open(m_slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        termios cooked{};
        ASSERT_EQ(tcgetattr(fd, &cooked), 0);
        cooked.c_iflag |= ICRNL | IXON;
        cooked.c_lflag |= ICANON | ECHO | ISIG;
        cooked.c_cflag |= HUPCL;
        cooked.c_cflag &= ~static_cast<tcflag_t>(CLOCAL);
        cooked.c_cc[VMIN] = 1;
        cooked.c_cc[VTIME] = 3;
        ASSERT_EQ(cfsetspeed(&cooked, B9600), 0);
        ASSERT_EQ(tcsetattr(fd, TCSANOW, &cooked), 0);
        close(fd);
    }
    const std::optional<termios> found = LineOf(m_slave);
    ASSERT_TRUE(found);
    ASSERT_EQ(cfgetospeed(&*found), B9600);
    CComPort port;
    ASSERT_EQ(port.Open(Com(kPort), 57600), 1);
    const std::optional<termios> open = LineOf(m_slave);
    port.Close();
    const std::optional<termios> after = LineOf(m_slave);
    ASSERT_TRUE(open || geteuid() != 0); // a user is kept out while the port is exclusive
    if (open) {
        EXPECT_NE(LineDifference(*found, *open), "");
    }
    ASSERT_TRUE(after);
    EXPECT_EQ(LineDifference(*found, *after), "");
}

TEST(ComPortSerialDevice, PortNamedForTestsGetsLowLatencyWhileOpenAndIsHandedBackAsFound) {
    const char* device = std::getenv("RE2_TEST_SERIAL_PORT");
    if (device == nullptr || *device == '\0') {
        GTEST_SKIP() << "RE2_TEST_SERIAL_PORT names no serial device to test on";
    }
    const int probe = open(device, O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(probe, 0) << device << ": " << std::strerror(errno);
    serial_struct serial{};
    const bool latency = ioctl(probe, TIOCGSERIAL, &serial) == 0;
    const int flagsBefore = serial.flags;
    termios lineBefore{};
    ASSERT_EQ(tcgetattr(probe, &lineBefore), 0);
    // Linked as COM1 in a folder of the test's own, which also takes the lock file.
    TemporaryDirectory folder{"re2_serial_"};
    const std::string directory = folder.Path() + "/";
    ASSERT_EQ(symlink(device, folder.PathOf("COM1").c_str()), 0);
    CComPort::SetLockDirectory(directory);
    CComPort port;
    const int opened = port.Open(CComPort::DevicePath(1, directory), 57600);
    EXPECT_EQ(opened, 1) << device;
    if (opened == 1 && latency) {
        ASSERT_EQ(ioctl(probe, TIOCGSERIAL, &serial), 0);
        EXPECT_NE(serial.flags & ASYNC_LOW_LATENCY, 0);
    }
    port.Close();
    CComPort::SetLockDirectory("/run/lock/");
    if (latency) {
        ASSERT_EQ(ioctl(probe, TIOCGSERIAL, &serial), 0);
        EXPECT_EQ(serial.flags, flagsBefore);
    }
    termios lineAfter{};
    ASSERT_EQ(tcgetattr(probe, &lineAfter), 0);
    EXPECT_EQ(LineDifference(lineBefore, lineAfter), "");
    close(probe);
}

TEST_F(PseudoTerminalPort, MissingPortFailsAndTheObjectStaysReusable) {
    // A link to nothing names the port, so no serial device of the machine is tried.
    std::filesystem::create_symlink(m_directory + "missing", m_directory + "COM99");
    CComPort port;
    EXPECT_EQ(port.Open(Com(99), 57600), 0);
    EXPECT_EQ(port.Failure().step, PortStep::Open);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Descriptor(), -1);
    EXPECT_EQ(port.Open(Com(kPort), 57600), 1);
}

TEST(ComPortClosed, OperationsOnAClosedPortGiveZero) {
    CComPort port;
    char c;
    EXPECT_EQ(port.Read(&c, 1), 0);
    EXPECT_EQ(port.Write("x", 1), 0);
    EXPECT_EQ(port.Close(), 1);
}

} // namespace
