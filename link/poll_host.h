#pragma once
// CPollHost: the link's host in a program without a window. One poll() loop on the calling
// thread runs the timers (the nearest one is poll's time-out), the work posted from any
// thread (an eventfd wakes the loop) and sees the termination signals.
//
// SIGINT, SIGTERM and SIGHUP (base/termination_signals.h) are blocked from the host's
// making on and read from their descriptor, so the loop learns of them at a point where
// the program can still close its port and keep its files whole; the host must therefore
// be made before any other thread starts (threads inherit the blocked set). Once a signal
// came, the loop runs no more, and the program ends by it with EndBySignal after cleaning
// up.

#include "base/posted_work.h"
#include "link/link_host.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

class CPollHost : public CLinkHost {
public:
    CPollHost();
    ~CPollHost() override;
    CPollHost(const CPollHost&) = delete;
    CPollHost& operator=(const CPollHost&) = delete;

    // False when the eventfd or the signalfd could not be made (errno tells why).
    bool Ready() const { return m_wakeFd >= 0 && m_signalFd >= 0; }

    void SetLinkSettings(const t_link_settings& settings, const std::string& linkDirectory);
    // What the host does when the link comes up or goes down; both run on the loop.
    void SetLinkHandlers(std::function<void()> up, std::function<void(const t_link_end&)> down);
    // What the host does when the port goes away and when it is back (see CLinkHost).
    using PortFunction = std::function<void(const std::string& devicePath)>;
    void SetPortHandlers(PortFunction lost, PortFunction back);

    // Runs due timers and posted work until done() holds (checked before waiting and after
    // every piece of work). False when a termination signal came first, or had come before.
    bool RunUntil(const std::function<bool()>& done);
    // The termination signal taken; 0 for none.
    int Signal() const { return m_signal; }
    // While held, the first termination signal does not end the loop: it is kept
    // (HeldSignal), so that work which must not be cut (the rest of a block write) can end
    // first. A further signal ends the loop as any signal does. Holding again keeps what
    // was held.
    void HoldSignals(bool hold) { m_holding = hold; }
    int HeldSignal() const { return m_held; }
    // Ends the process by the signal taken (the held one first), as it would have ended
    // without the host: the default action restored and the signal unblocked. Returns only
    // when none was taken.
    void EndBySignal();

    // ---- CLinkHost ----
    // The console of a program without a window is dropped: what the user is told goes
    // through the program's own messages.
    void ConsoleWrite(const std::string& text, int newLine) override;
    HostTimerId StartTimer(int delayMs, std::function<void()> callback) override;
    void CancelTimer(HostTimerId id) override;
    void Post(std::function<void()> work) override;
    t_link_settings LinkSettings() const override { return m_settings; }
    std::string LinkDirectory() const override { return m_linkDirectory; }
    void OnLinkStarting() override {}
    void OnLinkUp() override;
    void OnLinkDown(const t_link_end& end) override;
    void OnPortLost(const std::string& devicePath) override;
    void OnPortBack(const std::string& devicePath) override;

private:
    using Clock = std::chrono::steady_clock;
    struct t_timer {
        Clock::time_point due;
        std::function<void()> callback;
    };

    // Runs one due timer or one piece of posted work; false when there was none.
    bool RunOne();
    // Sleeps in poll() until the nearest timer is due, work is posted or a signal came.
    void Wait();
    void TakeSignal();

    int m_wakeFd = -1;
    int m_signalFd = -1;
    int m_signal = 0;
    bool m_holding = false;
    int m_held = 0;
    t_link_settings m_settings;
    std::string m_linkDirectory;
    std::function<void()> m_onUp;
    std::function<void(const t_link_end&)> m_onDown;
    PortFunction m_onPortLost;
    PortFunction m_onPortBack;
    std::map<HostTimerId, t_timer> m_timers;
    HostTimerId m_nextTimer = 1;
    CPostedWork m_posted;
};
