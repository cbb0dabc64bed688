#include "sim/pty_simulator.h"

#include "sim/line_pacer.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = LinePacer::Clock;

// While the terminal has the port closed the master reports a hang-up at once on every
// poll; it is looked at again after this pause instead of spinning.
constexpr auto kHangUpPause = std::chrono::milliseconds(5);

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Whether nobody has the slave open: then the master reports a hang-up.
bool HungUp(int master) {
    pollfd p{master, 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP) != 0;
}

std::string ReadLink(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
    return n < 0 ? std::string() : std::string(target, static_cast<std::size_t>(n));
}

} // namespace

PtySimulator::PtySimulator(const t_pty_options& options)
    : m_options(options), m_device(options.seed), m_baud(options.baud),
      m_paceInput(options.paceInput) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        m_wakeRead = fds[0];
        m_wakeWrite = fds[1];
    }
}

PtySimulator::~PtySimulator() {
    Stop();
    CloseFd(m_wakeRead);
    CloseFd(m_wakeWrite);
}

bool PtySimulator::Start() {
    if (Running()) {
        return true;
    }
    if (m_thread.joinable()) { // cut by a rule: the thread has ended or is about to
        m_thread.join();
        ClosePty();
    }
    if (m_wakeRead < 0 || !OpenPty()) {
        return false;
    }
    if (!MakeLink()) {
        ClosePty();
        return false;
    }
    m_stop = false;
    m_serving = true;
    m_thread = std::thread(&PtySimulator::Serve, this);
    return true;
}

void PtySimulator::Stop() {
    CutLink();
    RemoveLink();
}

void PtySimulator::CutLink() {
    if (m_thread.joinable()) {
        m_stop = true;
        Wake();
        m_thread.join();
    }
    m_serving = false;
    ClosePty();
}

std::string PtySimulator::SlavePath() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_slavePath;
}

std::string PtySimulator::LinkPath() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_linkPath;
}

std::uint64_t PtySimulator::RequestCount() {
    return WithDevice([](DeviceSimulator& d) { return d.RequestCount(); });
}

std::uint64_t PtySimulator::CommandCount(std::uint8_t command) {
    return WithDevice([command](DeviceSimulator& d) { return d.CommandCount(command); });
}

std::vector<t_sim_request> PtySimulator::Log() {
    return WithDevice([](DeviceSimulator& d) {
        return std::vector<t_sim_request>(d.Log().begin(), d.Log().end());
    });
}

bool PtySimulator::WaitForRequests(std::uint64_t count, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_device.RequestCount() >= count; });
}

void PtySimulator::SetPacing(int baud, bool paceInput) {
    m_baud = baud;
    m_paceInput = paceInput;
    Wake();
}

void PtySimulator::Wake() {
    if (m_wakeWrite >= 0) {
        const char c = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakeWrite, &c, 1);
    }
}

bool PtySimulator::OpenPty() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        return false;
    }
    char name[PATH_MAX];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        ::close(master);
        return false;
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    // Raw mode on the slave: no echo, no line discipline, 8 bits. The setting stays with the
    // pseudo-terminal while the master is open, for whoever opens the slave later.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave >= 0) {
        termios tio{};
        if (::tcgetattr(slave, &tio) == 0) {
            ::cfmakeraw(&tio);
            tio.c_cc[VMIN] = 1;
            tio.c_cc[VTIME] = 0;
            ::tcsetattr(slave, TCSANOW, &tio);
        }
        ::close(slave);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_master = master;
    m_slavePath = name;
    return true;
}

void PtySimulator::ClosePty() {
    std::lock_guard<std::mutex> lock(m_mutex);
    CloseFd(m_master);
}

bool PtySimulator::MakeLink() {
    if (m_options.linkDirectory.empty() || m_options.comPort <= 0) {
        return true;
    }
    std::string path = m_options.linkDirectory;
    if (path.back() != '/') {
        path += '/';
    }
    path += "COM" + std::to_string(m_options.comPort);
    ::unlink(path.c_str()); // an old link, ours or a stale one
    if (::symlink(SlavePath().c_str(), path.c_str()) != 0) {
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_linkPath = path;
    return true;
}

void PtySimulator::RemoveLink() {
    std::string path;
    std::string slave;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        path.swap(m_linkPath);
        slave = m_slavePath;
    }
    // Only our own link goes; someone may have pointed it elsewhere meanwhile.
    if (!path.empty() && ReadLink(path) == slave) {
        ::unlink(path.c_str());
    }
}

// What the serving thread keeps from one round of its loop to the next.
struct PtySimulator::t_serving {
    LinePacer input;
    LinePacer output;
    std::vector<std::uint8_t> incoming;
    std::vector<std::uint8_t> outgoing; // released, not yet written
    std::size_t written = 0;
    Clock::time_point now{};
    Clock::time_point hungUpUntil{};
    bool watchMaster = false;
    short masterEvents = 0;
    std::uint8_t buffer[4096];
};

void PtySimulator::Serve() {
    // Paced characters fall due every few microseconds at the higher rates; the default
    // timer slack of 50 us would make every wait for one late and stretch each exchange.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    t_serving line;
    while (!m_stop) {
        if (!WaitForLine(line)) {
            break;
        }
        line.now = Clock::now();
        line.input.SetBaud(m_paceInput ? m_baud.load() : 0);
        if (line.watchMaster && line.masterEvents != 0) {
            ReadFromPort(line);
        }
        if (!PassThroughDevice(line)) {
            return;
        }
        WriteToPort(line);
    }
    m_serving = false;
}

void PtySimulator::HangUp(t_serving& line) {
    line.hungUpUntil = line.now + kHangUpPause;
    ++m_hangUpsMet;
    line.output.Clear();
    line.outgoing.clear();
    line.written = 0;
}

bool PtySimulator::WaitForLine(t_serving& line) {
    const Clock::time_point now = Clock::now();
    line.watchMaster = now >= line.hungUpUntil;
    Clock::time_point deadline = std::min(line.input.NextDue(), line.output.NextDue());
    if (!line.watchMaster) {
        deadline = std::min(deadline, line.hungUpUntil);
    }
    pollfd fds[2] = {{m_wakeRead, POLLIN, 0}, {m_master, POLLIN, 0}};
    if (line.written < line.outgoing.size()) {
        fds[1].events |= POLLOUT;
    }
    timespec wait{};
    timespec* waitPointer = nullptr;
    if (deadline != Clock::time_point::max()) {
        const auto left = std::max(deadline - now, Clock::duration::zero());
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        wait.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        wait.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        waitPointer = &wait;
    }
    if (::ppoll(fds, line.watchMaster ? 2 : 1, waitPointer, nullptr) < 0 && errno != EINTR) {
        return false;
    }
    if (fds[0].revents & POLLIN) {
        while (::read(m_wakeRead, line.buffer, sizeof line.buffer) > 0) {
        }
    }
    line.masterEvents = fds[1].revents;
    return true;
}

void PtySimulator::ReadFromPort(t_serving& line) {
    bool hung = (line.masterEvents & (POLLHUP | POLLERR)) != 0;
    if (line.masterEvents & POLLIN) {
        for (;;) {
            const ssize_t n = ::read(m_master, line.buffer, sizeof line.buffer);
            if (n > 0) {
                m_charactersReceived += static_cast<std::uint64_t>(n);
                if (!m_lineDown) {
                    line.input.Push(line.buffer, static_cast<std::size_t>(n), line.now);
                }
                hung = false;
                continue;
            }
            if (n < 0 && errno == EIO) {
                hung = true;
            }
            break;
        }
    }
    if (hung) {
        HangUp(line);
    }
}

bool PtySimulator::PassThroughDevice(t_serving& line) {
    const Clock::time_point now = line.now;
    // Read after the request, so that a change made just before it applies to its reply.
    line.output.SetBaud(m_baud);
    line.incoming.clear();
    line.input.Release(now, line.incoming);
    bool cut = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!line.incoming.empty()) {
            m_device.Receive(line.incoming.data(), line.incoming.size());
        }
        cut = m_device.TakeLineCut();
        if (cut) {
            // Not serving before the port sees the hang-up, so that a Start() made
            // after the terminal noticed it serves again.
            m_serving = false;
            m_device.TakeOutput();
            CloseFd(m_master);
        }
        auto outputs = m_device.TakeOutput();
        if (!outputs.empty() && now < line.hungUpUntil && !HungUp(m_master)) {
            line.hungUpUntil = now; // the port was opened during the pause
        }
        const bool connected = now >= line.hungUpUntil && !m_lineDown;
        for (t_sim_output& out : outputs) {
            if (connected) {
                line.output.Push(out.bytes.data(), out.bytes.size(),
                                 now + std::chrono::milliseconds(out.delayMs));
            }
        }
    }
    if (!line.incoming.empty()) {
        m_changed.notify_all();
    }
    return !cut;
}

void PtySimulator::WriteToPort(t_serving& line) {
    if (line.written == line.outgoing.size()) {
        line.outgoing.clear();
        line.written = 0;
    }
    line.output.Release(line.now, line.outgoing);
    while (line.written < line.outgoing.size()) {
        const ssize_t n = ::write(m_master, line.outgoing.data() + line.written,
                                  line.outgoing.size() - line.written);
        if (n > 0) {
            line.written += static_cast<std::size_t>(n);
            m_charactersSent += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n < 0 && errno == EIO) {
            HangUp(line);
        }
        break; // full: POLLOUT says when to go on
    }
}
