// The timer service of the main window: one-shot calls, cancellation by id, and calls that
// arm or cancel from inside a call.
#include "app/lw_dlg.h"
#include "framework/afx.h"
#include "framework/testing/test_seams.h"
#include "tests/support/terminal_harness.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

using afx::testing::ProcessEvents;
using afx::testing::WaitUntil;

t_harness_options NoLink() {
    t_harness_options options;
    options.startSimulator = false;
    return options;
}

TEST(TimerService, RunsEachCallOnceAndGivesEachItsOwnId) {
    TerminalHarness harness(NoLink());
    harness.Run([](CLWDlg& dlg) {
        std::vector<int> calls;
        const std::size_t base = dlg.ArmedTimerCount();
        const HostTimerId first = dlg.StartTimer(10, [&] { calls.push_back(7); });
        const HostTimerId second = dlg.StartTimer(10, [&] { calls.push_back(8); });
        EXPECT_NE(first, 0u);
        EXPECT_NE(second, 0u);
        EXPECT_NE(first, second);
        EXPECT_EQ(dlg.ArmedTimerCount(), base + 2);
        ASSERT_TRUE(WaitUntil([&] { return calls.size() == 2; }, 2000));
        ProcessEvents(150); // a repeating system timer would fire again meanwhile
        std::sort(calls.begin(), calls.end());
        EXPECT_EQ(calls, (std::vector<int>{7, 8}));
        EXPECT_EQ(dlg.ArmedTimerCount(), base);
        dlg.CancelTimer(first); // already ran: nothing happens
        dlg.CancelTimer(0);
    });
}

TEST(TimerService, CancelTimerDisarmsThatCallOnly) {
    TerminalHarness harness(NoLink());
    harness.Run([](CLWDlg& dlg) {
        std::vector<int> calls;
        dlg.StartTimer(20, [&] { calls.push_back(1); });
        const HostTimerId cancelled = dlg.StartTimer(20, [&] { calls.push_back(2); });
        dlg.StartTimer(40, [&] { calls.push_back(3); });
        dlg.CancelTimer(cancelled);
        // The 40 ms call fires last, so the cancelled one would have come before it.
        ASSERT_TRUE(WaitUntil([&] { return calls.size() >= 2; }));
        ProcessEvents(50);
        std::sort(calls.begin(), calls.end());
        EXPECT_EQ(calls, (std::vector<int>{1, 3}));
    });
}

TEST(TimerService, CallsMayArmAndCancelFromInsideACall) {
    TerminalHarness harness(NoLink());
    harness.Run([](CLWDlg& dlg) {
        std::vector<int> calls;
        std::size_t armedInside = 0;
        const std::size_t base = dlg.ArmedTimerCount();
        dlg.StartTimer(10, [&] {
            calls.push_back(1);
            dlg.StartTimer(10, [&] { calls.push_back(101); });
            // Its own entry stays armed until it returns, beside the new one.
            armedInside = dlg.ArmedTimerCount();
        });
        HostTimerId self = 0;
        self = dlg.StartTimer(10, [&] {
            calls.push_back(3);
            dlg.CancelTimer(self);
        });
        ASSERT_TRUE(WaitUntil([&] { return calls.size() == 3; }, 2000));
        EXPECT_GE(armedInside, base + 2);
        ProcessEvents(150);
        std::sort(calls.begin(), calls.end());
        EXPECT_EQ(calls, (std::vector<int>{1, 3, 101}));
        EXPECT_EQ(dlg.ArmedTimerCount(), base);
    });
}

} // namespace
