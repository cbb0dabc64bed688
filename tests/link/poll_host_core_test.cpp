// The poll loop of a program without a window, in the test's own process: the loop blocks
// the termination signals of its thread, so each test gives the thread its signal mask back
// as it found it, with no termination signal left waiting.
#include "base/termination_signals.h"
#include "link/poll_host.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>

namespace {

class PollHost : public ::testing::Test {
protected:
    void SetUp() override { pthread_sigmask(SIG_BLOCK, nullptr, &m_mask); }
    void TearDown() override {
        const sigset_t set = termination_signals::Set();
        const timespec now{0, 0};
        while (sigtimedwait(&set, nullptr, &now) > 0) {
        }
        pthread_sigmask(SIG_SETMASK, &m_mask, nullptr);
    }

private:
    sigset_t m_mask{};
};

TEST_F(PollHost, TimersRunByTheirDueTimeThoseDueAtOnceInTheOrderArmedCancelledNever) {
    // Delays far apart, so that a test thread held up between two arms cannot swap them.
    const struct {
        const char* name;
        std::vector<int> delaysMs;
        std::vector<int> cancelled; // indexes into delaysMs
        std::vector<int> order;     // the indexes in the order they ran
    } cases[] = {
        {"the nearest first, whatever the order armed", {300, 0, 150}, {}, {1, 2, 0}},
        {"equal delays in the order armed", {0, 0, 0}, {}, {0, 1, 2}},
        {"a cancelled one never runs", {0, 150, 300}, {1}, {0, 2}},
        {"a negative delay is none", {150, -5}, {}, {1, 0}},
    };
    for (const auto& c : cases) {
        CPollHost host;
        ASSERT_TRUE(host.Ready());
        std::vector<int> ran;
        std::vector<HostTimerId> ids;
        for (std::size_t i = 0; i < c.delaysMs.size(); ++i) {
            ids.push_back(
                host.StartTimer(c.delaysMs[i], [&ran, i] { ran.push_back(static_cast<int>(i)); }));
        }
        for (const int i : c.cancelled) {
            host.CancelTimer(ids[static_cast<std::size_t>(i)]);
        }
        // One more timer after all the others tells that every one still armed has run.
        bool last = false;
        host.StartTimer(450, [&] { last = true; });
        EXPECT_TRUE(host.RunUntil([&] { return last; })) << c.name;
        EXPECT_EQ(ran, c.order) << c.name;
    }
}

TEST_F(PollHost, WorkPostedFromAnotherThreadRunsOnTheLoopInTheOrderPostedBeforeTimers) {
    CPollHost host;
    ASSERT_TRUE(host.Ready());
    constexpr int kPosts = 1000;
    const std::thread::id loop = std::this_thread::get_id();
    std::vector<int> ran;
    bool offLoop = false;
    bool timerRan = false;
    // Due at once, yet posted work comes first: the worker's events are never held up
    // behind the loop's own time-outs.
    host.StartTimer(0, [&] { timerRan = true; });
    host.Post([&] { ran.push_back(-1); });
    // The loop waits in poll() with nothing due but the thread's posts to wake it.
    std::thread worker([&] {
        for (int i = 0; i < kPosts; ++i) {
            host.Post([&, i] {
                offLoop = offLoop || std::this_thread::get_id() != loop;
                ran.push_back(i);
            });
        }
    });
    const bool done = host.RunUntil([&] { return ran.size() == kPosts + 1; });
    worker.join();
    ASSERT_TRUE(done);
    EXPECT_FALSE(offLoop);
    ASSERT_EQ(ran.size(), static_cast<std::size_t>(kPosts + 1));
    for (int i = 0; i <= kPosts; ++i) {
        EXPECT_EQ(ran[static_cast<std::size_t>(i)], i - 1);
    }
    EXPECT_TRUE(host.RunUntil([&] { return timerRan; }));
}

TEST_F(PollHost, ATerminationSignalEndsTheLoopForGoodAndIsTold) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        CPollHost host;
        ASSERT_TRUE(host.Ready());
        // Sent to the loop's thread by another one; the loop reads it when it next waits.
        const pthread_t loop = pthread_self();
        host.Post([&] { std::thread([&] { pthread_kill(loop, signal); }).join(); });
        EXPECT_FALSE(host.RunUntil([] { return false; })) << signal;
        EXPECT_EQ(host.Signal(), signal);
        // No loop runs after it, not even one with nothing to wait for.
        bool ran = false;
        host.Post([&] { ran = true; });
        EXPECT_FALSE(host.RunUntil([] { return true; })) << signal;
        EXPECT_FALSE(ran) << signal;
        EXPECT_EQ(host.Signal(), signal);
    }
}

TEST_F(PollHost, HeldSignalsLetTheWorkGoOnUntilASecondOneAndWorkAfterASignalNeverRuns) {
    struct Case {
        std::vector<int> signals; // sent one after another, each before the next work
        bool ends;                // the loop ends before the last work
        int held;
    };
    const Case cases[] = {
        {{SIGINT}, false, SIGINT},
        {{SIGINT, SIGTERM}, true, SIGINT},
    };
    for (const Case& c : cases) {
        CPollHost host;
        ASSERT_TRUE(host.Ready());
        host.HoldSignals(true);
        const pthread_t loop = pthread_self();
        int steps = 0;
        for (const int signal : c.signals) {
            host.Post([&, signal] {
                std::thread([&] { pthread_kill(loop, signal); }).join();
                ++steps;
            });
        }
        // Posted while the signals are already waiting: the loop sees them first.
        bool last = false;
        host.Post([&] { last = true; });
        EXPECT_EQ(host.RunUntil([&] { return last; }), !c.ends) << c.signals.size();
        EXPECT_EQ(last, !c.ends) << c.signals.size();
        EXPECT_EQ(host.HeldSignal(), c.held);
        EXPECT_EQ(host.Signal(), c.ends ? c.signals.back() : 0);
    }
}

} // namespace
