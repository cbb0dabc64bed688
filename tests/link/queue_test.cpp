// The request queue inside a real main window whose link is down: requests go nowhere, and
// the test plays the device by handing frames to OnFrame.

#include "app/win1250.h"
#include "res/resource.h"
#include "tests/link/link_test_util.h"

#include <gtest/gtest.h>

using afx::testing::ProcessEvents;
using afx::testing::WaitUntil;

namespace {

t_harness_options Offline() {
    t_harness_options options;
    options.startSimulator = false;
    return options;
}

void RunOffline(const std::function<void(CLWDlg&, CQueue&)>& body) {
    TerminalHarness h(Offline());
    h.Run([&](CLWDlg& dlg) {
        body(dlg, dlg.Queue());
        dlg.Queue().ClearQueue(); // the test's owners are gone
    });
}

std::uint32_t Send(CQueue& q, CReplyRecorder& owner, int command, int type = 1) {
    return q.AddRequest(31, type, command, nullptr, 0, &owner, owner.Handler());
}

} // namespace

TEST(RequestQueue, RequestWithoutReplyTimesOutOnceAfter1500ms) {
    RunOffline([](CLWDlg&, CQueue& q) {
        CReplyRecorder owner(q);
        const auto sent = std::chrono::steady_clock::now();
        const std::uint32_t id = Send(q, owner, 33);
        ASSERT_NE(id, 0u);
        ASSERT_TRUE(WaitUntil([&] { return !owner.deliveries.empty(); }, 3000));
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(owner.deliveries[0].at - sent)
                .count();
        EXPECT_GE(ms, 1400);
        EXPECT_LE(ms, 1700);
        EXPECT_FALSE(owner.deliveries[0].reply.has_value());
        EXPECT_EQ(owner.deliveries[0].request, id);
        EXPECT_FALSE(q.IsBusy());
        ProcessEvents(300);
        EXPECT_EQ(owner.deliveries.size(), 1u);
    });
}

TEST(RequestQueue, RequestsGoOutOneAtATimeAndRepliesReachTheirOwnersInOrder) {
    RunOffline([](CLWDlg&, CQueue& q) {
        CReplyRecorder first(q), second(q);
        const std::uint32_t a = Send(q, first, 33);
        const std::uint32_t b = Send(q, second, 47);
        EXPECT_NE(a, b);
        EXPECT_TRUE(q.IsBusy());
        EXPECT_EQ(q.PendingCount(), 1u);

        q.OnFrame(MakeRecord(31, 1, 33, {7}));
        EXPECT_EQ(q.PendingCount(), 0u); // the second went out at once
        EXPECT_TRUE(q.IsBusy());
        q.OnFrame(MakeRecord(31, 1, 47, {8}));
        EXPECT_FALSE(q.IsBusy());
        ProcessEvents(50);

        ASSERT_EQ(first.deliveries.size(), 1u);
        ASSERT_EQ(second.deliveries.size(), 1u);
        EXPECT_EQ(first.deliveries[0].reply->data[0], 7);
        EXPECT_EQ(first.deliveries[0].request, a);
        EXPECT_EQ(second.deliveries[0].reply->data[0], 8);
        EXPECT_EQ(second.deliveries[0].request, b);
        EXPECT_EQ(q.CurrentDelivery(), 0u);
    });
}

TEST(RequestQueue, RepliesOfTypeTwoAreDeliveredInOrderAndTheLastOneEndsTheRequest) {
    RunOffline([](CLWDlg& dlg, CQueue& q) {
        CReplyRecorder owner(q);
        const std::uint32_t id = Send(q, owner, 40);
        q.OnFrame(MakeRecord(31, 2, 40, {1}));
        q.OnFrame(MakeRecord(31, 2, 40, {2}));
        EXPECT_TRUE(q.IsBusy());
        q.OnFrame(MakeRecord(31, 1, 40, {3}));
        EXPECT_FALSE(q.IsBusy());
        EXPECT_EQ(dlg.ArmedTimerCount(), 0u);
        ProcessEvents(50);
        ASSERT_EQ(owner.deliveries.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(owner.deliveries[i].reply->data[0], i + 1);
            EXPECT_EQ(owner.deliveries[i].request, id);
        }
    });
}

TEST(RequestQueue, TypeTwoRepliesWithoutAFinalOneEndByTheTimeOut) {
    RunOffline([](CLWDlg&, CQueue& q) {
        CReplyRecorder owner(q);
        Send(q, owner, 40);
        q.OnFrame(MakeRecord(31, 2, 40, {1}));
        ASSERT_TRUE(WaitUntil([&] { return owner.deliveries.size() == 2; }, 3000));
        EXPECT_TRUE(owner.deliveries[0].reply.has_value());
        EXPECT_FALSE(owner.deliveries[1].reply.has_value());
    });
}

TEST(RequestQueue, ReplyWhileNothingIsOutstandingIsDropped) {
    RunOffline([](CLWDlg&, CQueue& q) {
        CReplyRecorder owner(q);
        Send(q, owner, 33);
        q.OnFrame(MakeRecord(31, 1, 33, {1}));
        q.OnFrame(MakeRecord(31, 1, 33, {2})); // a second, unasked reply
        ProcessEvents(50);
        ASSERT_EQ(owner.deliveries.size(), 1u);
        EXPECT_EQ(owner.deliveries[0].reply->data[0], 1);
    });
}

TEST(RequestQueue, LateReplyAfterTheTimeOutIsDropped) {
    RunOffline([](CLWDlg&, CQueue& q) {
        CReplyRecorder owner(q);
        Send(q, owner, 33);
        ASSERT_TRUE(WaitUntil([&] { return owner.deliveries.size() == 1; }, 3000));
        q.OnFrame(MakeRecord(31, 1, 33, {1}));
        ProcessEvents(50);
        EXPECT_EQ(owner.deliveries.size(), 1u);
    });
}

TEST(RequestQueue, DeviceTextLinesGoToTheConsoleWithoutEndingTheWait) {
    RunOffline([](CLWDlg& dlg, CQueue& q) {
        CReplyRecorder owner(q);
        Send(q, owner, 33);
        const auto text = Utf8ToWin1250("Zażółć gęślą");
        std::vector<std::uint8_t> data(text.begin(), text.end());
        data.push_back(0);
        data.push_back('x'); // after the zero byte: not text
        q.OnFrame(MakeRecord(31, 0, 12, data));
        // A line that fills the whole frame has no zero byte.
        q.OnFrame(MakeRecord(31, 0, 12, std::vector<std::uint8_t>(62, 'A')));
        ProcessEvents(50);
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        EXPECT_EQ(CountLines(lines, "Zażółć gęślą"), 1);
        EXPECT_EQ(CountLines(lines, std::string(62, 'A')), 1);
        EXPECT_TRUE(q.IsBusy());
        EXPECT_TRUE(owner.deliveries.empty());
    });
}

TEST(RequestQueue, MessageWithoutReplyLeavesTheQueueFreeAndTheNextWaitsForAnEvent) {
    RunOffline([](CLWDlg& dlg, CQueue& q) {
        CReplyRecorder owner(q);
        Send(q, owner, 0, 0); // reset: nothing comes back
        EXPECT_FALSE(q.IsBusy());
        EXPECT_EQ(dlg.ArmedTimerCount(), 0u);

        Send(q, owner, 33);
        Send(q, owner, 0, 0);
        Send(q, owner, 47);
        EXPECT_EQ(q.PendingCount(), 2u);
        q.OnFrame(MakeRecord(31, 1, 33));
        // The reset went out in the reply's place; the request behind it waits for the
        // next event.
        EXPECT_FALSE(q.IsBusy());
        EXPECT_EQ(q.PendingCount(), 1u);
        Send(q, owner, 49);
        EXPECT_TRUE(q.IsBusy());
        EXPECT_EQ(q.PendingCount(), 1u);
        ProcessEvents(50);
        EXPECT_EQ(owner.deliveries.size(), 1u);
    });
}

TEST(RequestQueue, DataLongerThanAFrameIsRefused) {
    RunOffline([](CLWDlg&, CQueue& q) {
        CReplyRecorder owner(q);
        std::uint8_t data[63] = {};
        EXPECT_EQ(q.AddRequest(31, 1, 39, data, 63, &owner, owner.Handler()), 0u);
        EXPECT_FALSE(q.IsBusy());
        EXPECT_EQ(q.PendingCount(), 0u);
        EXPECT_NE(q.AddRequest(31, 1, 39, data, 62, &owner, owner.Handler()), 0u);
    });
}
