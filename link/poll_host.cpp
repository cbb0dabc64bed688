#include "link/poll_host.h"

#include "base/termination_signals.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

CPollHost::CPollHost() {
    termination_signals::Block();
    m_signalFd = termination_signals::OpenDescriptor();
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CPollHost::~CPollHost() {
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
    }
    if (m_signalFd >= 0) {
        ::close(m_signalFd);
    }
}

void CPollHost::SetLinkSettings(const t_link_settings& settings, const std::string& linkDirectory) {
    m_settings = settings;
    m_linkDirectory = linkDirectory;
}

void CPollHost::SetLinkHandlers(std::function<void()> up,
                                std::function<void(const t_link_end&)> down) {
    m_onUp = std::move(up);
    m_onDown = std::move(down);
}

void CPollHost::SetPortHandlers(PortFunction lost, PortFunction back) {
    m_onPortLost = std::move(lost);
    m_onPortBack = std::move(back);
}

void CPollHost::ConsoleWrite(const std::string& /*text*/, int /*newLine*/) {}

HostTimerId CPollHost::StartTimer(int delayMs, std::function<void()> callback) {
    const HostTimerId id = m_nextTimer++;
    m_timers[id] = {Clock::now() + std::chrono::milliseconds(delayMs < 0 ? 0 : delayMs),
                    std::move(callback)};
    return id;
}

void CPollHost::CancelTimer(HostTimerId id) {
    m_timers.erase(id);
}

void CPollHost::Post(std::function<void()> work) {
    m_posted.Push(std::move(work));
    const std::uint64_t one = 1;
    // The counter cannot overflow at one per post; a failed write would only delay the
    // work until the next wake-up, and there is none to wait for without it.
    while (::write(m_wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void CPollHost::OnLinkUp() {
    if (m_onUp) {
        m_onUp();
    }
}

void CPollHost::OnLinkDown(const t_link_end& end) {
    if (m_onDown) {
        m_onDown(end);
    }
}

void CPollHost::OnPortLost(const std::string& devicePath) {
    if (m_onPortLost) {
        m_onPortLost(devicePath);
    }
}

void CPollHost::OnPortBack(const std::string& devicePath) {
    if (m_onPortBack) {
        m_onPortBack(devicePath);
    }
}

bool CPollHost::RunOne() {
    if (m_posted.RunOne()) {
        return true;
    }
    // The earliest due timer; of timers due at once, the one armed first.
    auto next = m_timers.end();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (next == m_timers.end() || it->second.due < next->second.due) {
            next = it;
        }
    }
    if (next == m_timers.end() || next->second.due > Clock::now()) {
        return false;
    }
    const std::function<void()> work = std::move(next->second.callback);
    m_timers.erase(next);
    work();
    return true;
}

void CPollHost::Wait() {
    int timeoutMs = -1;
    for (const auto& [id, timer] : m_timers) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(timer.due - Clock::now()).count();
        const int ms = left < 0 ? 0 : static_cast<int>(left);
        if (timeoutMs < 0 || ms < timeoutMs) {
            timeoutMs = ms;
        }
    }
    pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_signalFd, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0) {
        return;
    }
    if ((fds[0].revents & POLLIN) != 0) {
        std::uint64_t count = 0;
        while (::read(m_wakeFd, &count, sizeof count) < 0 && errno == EINTR) {
        }
    }
    if ((fds[1].revents & POLLIN) != 0) {
        TakeSignal();
    }
}

void CPollHost::TakeSignal() {
    const int signal = termination_signals::Take(m_signalFd);
    if (signal == 0) {
        return;
    }
    if (m_holding && m_held == 0 && m_signal == 0) {
        m_held = signal;
    } else if (m_signal == 0) {
        m_signal = signal;
    }
}

bool CPollHost::RunUntil(const std::function<bool()>& done) {
    if (!Ready()) {
        return false;
    }
    for (;;) {
        // A signal that came while work was waiting is seen before that work is done: what
        // a signal must stop (a block write's next chunk) is never sent after it.
        TakeSignal();
        if (m_signal != 0) {
            return false;
        }
        if (done()) {
            return true;
        }
        if (!RunOne()) {
            Wait();
        }
    }
}

void CPollHost::EndBySignal() {
    if (m_held != 0 || m_signal != 0) {
        termination_signals::EndBy(m_held != 0 ? m_held : m_signal);
    }
}
