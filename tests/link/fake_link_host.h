#pragma once
// A host for the link objects without a window: it records console lines and what the link
// told it, keeps armed timers for the test to fire, and queues posted work until the test
// runs it. Posting is the one thing the link worker does from its own thread.

#include "base/posted_work.h"
#include "link/link_host.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

class FakeLinkHost : public CLinkHost {
public:
    struct t_armed {
        HostTimerId id = 0;
        int delayMs = 0;
        std::function<void()> callback;
        std::int64_t dueMs = 0; // on the host's clock
    };

    void ConsoleWrite(const std::string& text, int /*newLine*/) override {
        console.push_back(text);
    }
    HostTimerId StartTimer(int delayMs, std::function<void()> callback) override {
        timers.push_back({m_nextTimer, delayMs, std::move(callback), nowMs + delayMs});
        return m_nextTimer++;
    }
    void CancelTimer(HostTimerId id) override {
        std::erase_if(timers, [&](const t_armed& t) { return t.id == id; });
    }
    // Moves only as FireTimers runs timers: by the longest delay among them.
    std::int64_t NowMs() const override { return nowMs; }
    void Post(std::function<void()> work) override { m_posted.Push(std::move(work)); }
    t_link_settings LinkSettings() const override { return settings; }
    std::string LinkDirectory() const override { return directory; }
    void OnLinkStarting() override { events.push_back("starting"); }
    void OnLinkUp() override { events.push_back("up"); }
    void OnLinkDown(const t_link_end& end) override {
        events.push_back("down");
        lastEnd = end;
    }
    void OnPortLost(const std::string& /*devicePath*/) override { events.push_back("lost"); }
    void OnPortBack(const std::string& /*devicePath*/) override { events.push_back("back"); }

    // Runs every armed call, as if its time had come (the clock moves on to the latest);
    // calls armed meanwhile wait.
    void FireTimers() {
        const std::vector<t_armed> due = std::move(timers);
        timers.clear();
        for (const t_armed& t : due) {
            nowMs = std::max(nowMs, t.dueMs);
        }
        for (const t_armed& t : due) {
            t.callback();
        }
    }
    // Runs posted work, in order, until none is left.
    void Deliver() {
        while (m_posted.RunOne()) {
        }
    }
    // Runs posted work as it comes until done() holds or ms have passed; gives done().
    // Waits on the posting itself, so the order is the worker's, not a sleep's.
    template <class Done> bool DeliverUntil(Done done, int ms = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            Deliver();
            if (done()) {
                return true;
            }
            if (!m_posted.WaitUntil(end)) {
                Deliver();
                return done();
            }
        }
    }

    t_link_settings settings{1, "", 57600, 31};
    std::string directory;
    std::vector<std::string> console;
    std::vector<t_armed> timers;
    std::vector<std::string> events;
    t_link_end lastEnd;
    std::int64_t nowMs = 0;

private:
    CPostedWork m_posted;
    HostTimerId m_nextTimer = 1;
};
