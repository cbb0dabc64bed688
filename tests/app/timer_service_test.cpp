// The timer service of the main window: one-shot calls, cancellation, and calls that arm
// or cancel from inside a call.
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

class Recorder : public CCmdTarget {
public:
    explicit Recorder(CLWDlg* dlg) : m_dlg(dlg) {}

    void Record(int arg) { calls.push_back(arg); }
    // Arms a follow-up call with arg + 100, once.
    void Rearm(int arg) {
        calls.push_back(arg);
        if (arg < 100) {
            m_dlg->AddTimer(this, MakeTimerCallback(&Recorder::Rearm), 10, arg + 100);
            armedInside = m_dlg->ArmedTimerCount();
        }
    }
    void CancelSelf(int arg) {
        calls.push_back(arg);
        m_dlg->RemoveTimers(this, MakeTimerCallback(&Recorder::CancelSelf), arg);
        armedInside = m_dlg->ArmedTimerCount();
    }

    std::vector<int> calls;
    std::size_t armedInside = 0;

private:
    CLWDlg* m_dlg;
};

t_harness_options NoLink() {
    t_harness_options options;
    options.startSimulator = false;
    return options;
}

TEST(TimerService, RunsEachCallOnceWithItsArgument) {
    TerminalHarness harness(NoLink());
    harness.Run([](CLWDlg& dlg) {
        Recorder recorder(&dlg);
        const std::size_t base = dlg.ArmedTimerCount();
        dlg.AddTimer(&recorder, MakeTimerCallback(&Recorder::Record), 10, 7);
        EXPECT_EQ(dlg.ArmedTimerCount(), base + 1);
        ASSERT_TRUE(WaitUntil([&] { return !recorder.calls.empty(); }, 2000));
        ProcessEvents(150); // a repeating system timer would fire again meanwhile
        EXPECT_EQ(recorder.calls, std::vector<int>{7});
        EXPECT_EQ(dlg.ArmedTimerCount(), base);
    });
}

TEST(TimerService, RemoveTimersCancelsEveryMatchingCallAndOnlyThose) {
    TerminalHarness harness(NoLink());
    harness.Run([](CLWDlg& dlg) {
        Recorder recorder(&dlg);
        Recorder other(&dlg);
        const auto record = MakeTimerCallback(&Recorder::Record);
        dlg.AddTimer(&recorder, record, 20, 1);
        dlg.AddTimer(&recorder, record, 30, 1);
        dlg.AddTimer(&recorder, record, 40, 2);                                   // other arg
        dlg.AddTimer(&other, record, 40, 1);                                      // other context
        dlg.AddTimer(&recorder, MakeTimerCallback(&Recorder::CancelSelf), 40, 1); // other call
        dlg.RemoveTimers(&recorder, record, 1);
        ProcessEvents(250);
        std::sort(recorder.calls.begin(), recorder.calls.end());
        EXPECT_EQ(recorder.calls, (std::vector<int>{1, 2})); // arg 2 and CancelSelf(1)
        EXPECT_EQ(other.calls, std::vector<int>{1});
    });
}

TEST(TimerService, CallArmedFromInsideACallGetsItsOwnEntry) {
    TerminalHarness harness(NoLink());
    harness.Run([](CLWDlg& dlg) {
        Recorder recorder(&dlg);
        const std::size_t base = dlg.ArmedTimerCount();
        dlg.AddTimer(&recorder, MakeTimerCallback(&Recorder::Rearm), 10, 1);
        ASSERT_TRUE(WaitUntil([&] { return recorder.calls.size() == 2; }, 2000));
        // Inside the first call both its own entry and the new one were armed.
        EXPECT_EQ(recorder.armedInside, base + 2);
        EXPECT_EQ(recorder.calls, (std::vector<int>{1, 101}));
        ProcessEvents(150);
        EXPECT_EQ(recorder.calls.size(), 2u);
        EXPECT_EQ(dlg.ArmedTimerCount(), base);
    });
}

TEST(TimerService, CallCancellingItselfLeavesNothingBehind) {
    TerminalHarness harness(NoLink());
    harness.Run([](CLWDlg& dlg) {
        Recorder recorder(&dlg);
        const std::size_t base = dlg.ArmedTimerCount();
        dlg.AddTimer(&recorder, MakeTimerCallback(&Recorder::CancelSelf), 10, 3);
        ASSERT_TRUE(WaitUntil([&] { return !recorder.calls.empty(); }, 2000));
        EXPECT_EQ(recorder.armedInside, base);
        ProcessEvents(150);
        EXPECT_EQ(recorder.calls, std::vector<int>{3});
        EXPECT_EQ(dlg.ArmedTimerCount(), base);
    });
}

} // namespace
