#pragma once
// A host for the link objects without a window: it records console lines and what the link
// told it, keeps armed timers for the test to fire, and queues posted commands until the
// test delivers them. Posting is the one thing the link worker does from its own thread.

#include "framework/cmd_target.h"
#include "link/link_host.h"

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FakeLinkHost : public CLinkHost {
public:
    struct t_armed {
        CCmdTarget* context = nullptr;
        TimerCallback callback = nullptr;
        int delayMs = 0;
        int arg = 0;
    };

    void ConsoleWrite(const std::string& text, int /*newLine*/) override {
        console.push_back(text);
    }
    void AddTimer(CCmdTarget* context, TimerCallback callback, int delayMs, int arg) override {
        timers.push_back({context, callback, delayMs, arg});
    }
    void RemoveTimers(CCmdTarget* context, TimerCallback callback, int arg) override {
        std::erase_if(timers, [&](const t_armed& t) {
            return t.context == context && t.callback == callback && t.arg == arg;
        });
    }
    void PostCommand(unsigned id) override {
        std::lock_guard<std::mutex> guard(m_lock);
        m_posted.push_back(id);
    }
    t_link_settings LinkSettings() const override { return settings; }
    std::string LinkDirectory() const override { return directory; }
    void OnLinkStarting() override { events.push_back("starting"); }
    void OnLinkUp() override { events.push_back("up"); }
    void OnLinkDown(const t_link_end& end) override {
        events.push_back("down");
        lastEnd = end;
    }
    void DisableDeviceButtons() override { events.push_back("disable"); }

    // Runs every armed call, as if its time had come; calls armed meanwhile wait.
    void FireTimers() {
        const std::vector<t_armed> due = std::move(timers);
        timers.clear();
        for (const t_armed& t : due) {
            (t.context->*t.callback)(t.arg);
        }
    }
    // Offers each posted command to the targets, in order, until none is left.
    void Deliver(std::initializer_list<CCmdTarget*> targets) {
        for (;;) {
            unsigned id = 0;
            {
                std::lock_guard<std::mutex> guard(m_lock);
                if (m_posted.empty()) {
                    return;
                }
                id = m_posted.front();
                m_posted.pop_front();
            }
            for (CCmdTarget* target : targets) {
                if (target->OnCmdMsg(id, 0, nullptr, nullptr)) {
                    break;
                }
            }
        }
    }
    // Delivers posted commands until done() holds or ms have passed; gives done().
    template <class Done>
    bool DeliverUntil(std::initializer_list<CCmdTarget*> targets, Done done, int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done() && std::chrono::steady_clock::now() < end) {
            Deliver(targets);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        Deliver(targets);
        return done();
    }

    t_link_settings settings{1, 57600, 31};
    std::string directory;
    std::vector<std::string> console;
    std::vector<t_armed> timers;
    std::vector<std::string> events;
    t_link_end lastEnd;

private:
    std::mutex m_lock;
    std::deque<unsigned> m_posted;
};
