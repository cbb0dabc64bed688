#include "link/com_port.h"

#include "link/protocol.h"
#include "link/uucp_lock.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <linux/serial.h>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kSettleAfterOpenMs = 100;
constexpr int kSettleAfterCloseMs = 10;
// How often the output queue is looked at while it drains.
constexpr int kDrainPollMs = 1;

std::mutex& DirectoryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& LockDirectory() {
    static std::string directory = "/run/lock/";
    return directory;
}

std::atomic<CComPort::SerialIoctl> g_serialIoctl{nullptr};

int SerialIoctlCall(int fd, unsigned long request, serial_struct* serial) {
    const CComPort::SerialIoctl seam = g_serialIoctl.load();
    return seam != nullptr ? seam(fd, request, serial) : ::ioctl(fd, request, serial);
}

// The termios speed constant for a rate in bits per second; false for a rate termios
// has no constant for.
bool SpeedFor(int baudRate, speed_t& speed) {
    struct Entry {
        int rate;
        speed_t speed;
    };
    static constexpr Entry kSpeeds[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const Entry& entry : kSpeeds) {
        if (entry.rate == baudRate) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

// The device a path names, with every link resolved (a /dev/serial/by-id/ name reads
// "../../ttyUSB0" otherwise). Where it leads nowhere, the links are followed as far as they
// go, so that the user sees the name that is missing.
std::string ResolvedDeviceOf(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) {
        return resolved;
    }
    constexpr int kMaxLinks = 40;
    std::string current = path;
    for (int i = 0; i < kMaxLinks; ++i) {
        const ssize_t n = ::readlink(current.c_str(), resolved, sizeof resolved - 1);
        if (n <= 0) {
            break;
        }
        std::string target(resolved, static_cast<std::size_t>(n));
        if (target.front() != '/') {
            const std::size_t slash = current.rfind('/');
            target = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) +
                     target;
        }
        current = std::filesystem::path(target).lexically_normal().string();
    }
    return current;
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Waits until the driver's output queue has gone out, at most until deadline, and then
// discards what is left: a line held by flow control or an adapter that died must hold up
// neither the next frame nor close(), which would otherwise wait for the queue itself.
// tcdrain alone has no deadline; it is called once the queue is empty, for the bytes in
// the hardware's own buffer, a wait the drivers bound themselves.
void DrainOutput(int fd, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        int queued = 0;
        if (ioctl(fd, TIOCOUTQ, &queued) != 0) {
            return; // hung up: nothing goes out any more
        }
        if (queued <= 0) {
            tcdrain(fd);
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            tcflush(fd, TCOFLUSH);
            return;
        }
        SleepMs(kDrainPollMs);
    }
}

} // namespace

CComPort::~CComPort() {
    Close();
}

std::string CComPort::DevicePath(int portNumber, const std::string& programDirectory) {
    const std::string name = "COM" + std::to_string(portNumber);
    const std::string local = programDirectory + name;
    struct stat info;
    // lstat: a link the user made names the port even when its target is missing, so the
    // open fails instead of silently reaching another device.
    if (!programDirectory.empty() && lstat(local.c_str(), &info) == 0) {
        return local;
    }
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

std::string CComPort::ResolvedDevice(const std::string& path) {
    return ResolvedDeviceOf(path);
}

void CComPort::SetLockDirectory(const std::string& directory) {
    std::lock_guard<std::mutex> lock(DirectoryMutex());
    LockDirectory() = directory;
}

void CComPort::SetSerialIoctlForTest(SerialIoctl function) {
    g_serialIoctl = function;
}

int CComPort::Fail(PortStep step, int error, int fd) {
    m_failure.step = step;
    m_failure.error = error;
    m_notice = t_port_notice{};
    if (fd >= 0) {
        Release(fd);
    }
    return 0;
}

void CComPort::Release(int fd) {
    const bool setLine = m_setLine;
    if (m_setLine) {
        // Queued bytes would go out at the found line's speed.
        DrainOutput(fd,
                    std::chrono::steady_clock::now() + std::chrono::milliseconds(kCloseDrainMs));
        tcsetattr(fd, TCSANOW, &m_foundLine);
        m_setLine = false;
    }
    if (m_setLowLatency) {
        // The bit alone: other flags may have been changed by another program meanwhile.
        serial_struct serial{};
        if (SerialIoctlCall(fd, TIOCGSERIAL, &serial) == 0 &&
            (serial.flags & ASYNC_LOW_LATENCY) != 0) {
            serial.flags &= ~ASYNC_LOW_LATENCY;
            SerialIoctlCall(fd, TIOCSSERIAL, &serial);
        }
        m_setLowLatency = false;
    }
    if (m_setExclusive) {
        ioctl(fd, TIOCNXCL);
        m_setExclusive = false;
    }
    if (!m_lockedPath.empty()) {
        // One that cannot be removed names this process and is stale once we have gone.
        ReleaseUucpLock(m_lockFolder, m_lockedPath);
        m_lockedPath.clear();
    }
    // Closing the last descriptor of a serial device waits for its output queue (the
    // driver's closing wait, 30 s by default): the line is ours, so nothing of another
    // program's is lost, and an echo of the found settings is no reason to wait.
    if (setLine) {
        tcflush(fd, TCOFLUSH);
    }
    ::close(fd);
}

// USB adapters hold the tail of what arrives until their latency timer runs out (16 ms
// for the common FTDI driver), which would add that much to every exchange. Drivers that
// know no such setting (pseudo-terminals) refuse the request; that is no failure.
void CComPort::SetLowLatency(int fd) {
    serial_struct serial{};
    if (SerialIoctlCall(fd, TIOCGSERIAL, &serial) != 0) {
        return;
    }
    if ((serial.flags & ASYNC_LOW_LATENCY) != 0) {
        return;
    }
    serial.flags |= ASYNC_LOW_LATENCY;
    if (SerialIoctlCall(fd, TIOCSSERIAL, &serial) == 0) {
        m_setLowLatency = true;
    }
}

bool CComPort::TakeLocks(int fd, const std::string& lockFolder,
                         std::chrono::steady_clock::time_point deadline) {
    // The advisory lock holds against root and against a second CComPort of this
    // process; it goes with the descriptor.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        // The holder most likely announced itself in the lock folder too: the user is told
        // which process to look for.
        m_failure.lockOwner = UucpLockHolder(lockFolder, m_failure.path).owner;
        return Fail(PortStep::Lock, error, fd);
    }
    // Programs that announce themselves only with a lock file.
    const t_uucp_lock_result lock = TakeUucpLock(lockFolder, m_failure.path, deadline);
    if (!lock.taken) {
        m_failure.lockOwner = lock.owner;
        return Fail(PortStep::LockFile, lock.timedOut ? ETIMEDOUT : 0, fd);
    }
    if (lock.created) {
        m_lockedPath = m_failure.path;
        m_lockFolder = lockFolder;
    }
    if (!lock.staleLeft.empty()) {
        m_notice.path = m_failure.path;
        m_notice.lockFile = lock.staleLeft;
        m_notice.lockOwner = lock.staleOwner;
    }
    return true;
}

bool CComPort::TakeLine(int fd, speed_t speed) {
    // TIOCEXCL keeps other non-root processes out. It belongs to the device, not to this
    // descriptor, and outlives it while the device lives on (a pseudo-terminal's slave
    // while its master is open): it is set only when clear, and cleared on close only
    // when set here, so that nobody else's exclusive use is ever stripped.
    int exclusive = 0;
    if (ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive == 0) {
        if (ioctl(fd, TIOCEXCL) == 0) {
            m_setExclusive = true;
        }
    }

    termios tio;
    if (tcgetattr(fd, &tio) != 0) {
        return Fail(PortStep::Attributes, errno, fd);
    }
    // Set before the change: tcsetattr may apply part of it and still fail.
    m_foundLine = tio;
    m_setLine = true;
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0 ||
        tcsetattr(fd, TCSANOW, &tio) != 0) {
        return Fail(PortStep::LineSettings, errno, fd);
    }
    // Pseudo-terminals refuse modem-control lines; that is no reason to fail.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIC, &lines);
    SetLowLatency(fd);
    return true;
}

int CComPort::Open(const std::string& path, int baudRate) {
    if (m_open) {
        return 1;
    }
    std::string lockFolder;
    {
        std::lock_guard<std::mutex> lock(DirectoryMutex());
        lockFolder = LockDirectory();
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kOpenDeadlineMs);
    m_failure = t_port_failure{};
    m_notice = t_port_notice{};
    m_failure.path = ResolvedDevice(path);
    speed_t speed;
    if (!SpeedFor(baudRate, speed)) {
        return Fail(PortStep::Speed, 0, -1);
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EBUSY) {
            // Another program's exclusive use (TIOCEXCL): its lock file may name it.
            m_failure.lockOwner = UucpLockHolder(lockFolder, m_failure.path).owner;
        }
        return Fail(PortStep::Open, error, -1);
    }
    if (!isatty(fd)) {
        return Fail(PortStep::NotTerminal, errno, fd);
    }
    if (!TakeLocks(fd, lockFolder, deadline) || !TakeLine(fd, speed)) {
        return 0;
    }

    m_fd = fd;
    m_open = 1;
    tcflush(fd, TCIOFLUSH);
    SleepMs(kSettleAfterOpenMs);
    return 1;
}

int CComPort::Close() {
    if (m_open && m_fd >= 0) {
        Release(m_fd);
        m_fd = -1;
        m_open = 0;
        SleepMs(kSettleAfterCloseMs);
    }
    return 1;
}

int CComPort::Write(const void* buffer, std::size_t count) {
    if (!m_open) {
        return 0;
    }
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(protocol::kWriteTimeoutMs);
    std::size_t written = 0;
    while (written < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            break;
        }
        pollfd pfd{m_fd, POLLOUT, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(left));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (ready == 0) {
            break;
        }
        if (pfd.revents & (POLLERR | POLLNVAL)) {
            break;
        }
        const ssize_t n = ::write(m_fd, bytes + written, count - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            break;
        }
    }
    if (written > 0) {
        DrainOutput(m_fd, deadline);
    }
    return static_cast<int>(written);
}

int CComPort::Read(void* buffer, std::size_t maximum) {
    if (!m_open || maximum == 0) {
        return 0;
    }
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, maximum);
        if (n > 0) {
            return static_cast<int>(n);
        }
        // Nothing waiting (EAGAIN), a peer that went away (EIO, end of file) or any other
        // failure: nothing read.
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return 0;
    }
}

int CComPort::ReadSome(void* buffer, std::size_t maximum) {
    return Read(buffer, maximum);
}

t_port_wait CComPort::Wait(int wakeFd, bool watchPort, int timeoutMs) {
    pollfd fds[2] = {{wakeFd, POLLIN, 0}, {m_fd, POLLIN, 0}};
    t_port_wait result;
    if (::poll(fds, watchPort ? 2 : 1, timeoutMs) <= 0) {
        return result;
    }
    result.woken = (fds[0].revents & POLLIN) != 0;
    if (watchPort) {
        result.readable = (fds[1].revents & POLLIN) != 0;
        result.hungUp = (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    }
    return result;
}
