// The request queue on a fake host and a link that is down: requests go nowhere, the test
// plays the device by handing frames to OnFrame, delivers the queue's posted commands and
// fires its time-outs itself.

#include "base/win1250.h"
#include "link/transfer.h"
#include "res/resource.h"
#include "tests/link/fake_link_host.h"
#include "tests/link/link_test_util.h"

#include <gtest/gtest.h>

namespace {

// A queue with its host and its (never started) link.
struct QueueBench {
    FakeLinkHost host;
    CTransfer transfer{host};
    CQueue q{host, transfer};

    void Deliver() { host.Deliver({&q}); }
};

std::uint32_t Send(CQueue& q, CReplyRecorder& owner, int command, int type = 1) {
    return q.AddRequest(31, type, command, nullptr, 0, &owner, owner.Handler());
}

} // namespace

TEST(RequestQueue, RequestWithoutReplyTimesOutOnceAfter1500ms) {
    QueueBench bench;
    CReplyRecorder owner(bench.q);
    const std::uint32_t id = Send(bench.q, owner, 33);
    ASSERT_NE(id, 0u);
    ASSERT_EQ(bench.host.timers.size(), 1u);
    EXPECT_EQ(bench.host.timers[0].delayMs, 1500);
    bench.host.FireTimers();
    bench.Deliver();
    ASSERT_EQ(owner.deliveries.size(), 1u);
    EXPECT_FALSE(owner.deliveries[0].reply.has_value());
    EXPECT_EQ(owner.deliveries[0].request, id);
    EXPECT_FALSE(bench.q.IsBusy());
    EXPECT_TRUE(bench.host.timers.empty());
    bench.host.FireTimers();
    bench.Deliver();
    EXPECT_EQ(owner.deliveries.size(), 1u);
}

TEST(RequestQueue, RequestsGoOutOneAtATimeAndRepliesReachTheirOwnersInOrder) {
    {
        QueueBench bench;
        CQueue& q = bench.q;
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
        bench.Deliver();

        ASSERT_EQ(first.deliveries.size(), 1u);
        ASSERT_EQ(second.deliveries.size(), 1u);
        EXPECT_EQ(first.deliveries[0].reply->data[0], 7);
        EXPECT_EQ(first.deliveries[0].request, a);
        EXPECT_EQ(second.deliveries[0].reply->data[0], 8);
        EXPECT_EQ(second.deliveries[0].request, b);
        EXPECT_EQ(q.CurrentDelivery(), 0u);
    }
}

TEST(RequestQueue, RepliesOfTypeTwoAreDeliveredInOrderAndTheLastOneEndsTheRequest) {
    {
        QueueBench bench;
        CQueue& q = bench.q;
        CReplyRecorder owner(q);
        const std::uint32_t id = Send(q, owner, 40);
        q.OnFrame(MakeRecord(31, 2, 40, {1}));
        q.OnFrame(MakeRecord(31, 2, 40, {2}));
        EXPECT_TRUE(q.IsBusy());
        q.OnFrame(MakeRecord(31, 1, 40, {3}));
        EXPECT_FALSE(q.IsBusy());
        EXPECT_EQ(bench.host.timers.size(), 0u);
        bench.Deliver();
        ASSERT_EQ(owner.deliveries.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(owner.deliveries[i].reply->data[0], i + 1);
            EXPECT_EQ(owner.deliveries[i].request, id);
        }
    }
}

TEST(RequestQueue, TypeTwoRepliesWithoutAFinalOneEndByTheTimeOut) {
    {
        QueueBench bench;
        CQueue& q = bench.q;
        CReplyRecorder owner(q);
        Send(q, owner, 40);
        q.OnFrame(MakeRecord(31, 2, 40, {1}));
        bench.host.FireTimers();
        bench.Deliver();
        ASSERT_EQ(owner.deliveries.size(), 2u);
        EXPECT_TRUE(owner.deliveries[0].reply.has_value());
        EXPECT_FALSE(owner.deliveries[1].reply.has_value());
    }
}

TEST(RequestQueue, ReplyWhileNothingIsOutstandingIsDropped) {
    {
        QueueBench bench;
        CQueue& q = bench.q;
        CReplyRecorder owner(q);
        Send(q, owner, 33);
        q.OnFrame(MakeRecord(31, 1, 33, {1}));
        q.OnFrame(MakeRecord(31, 1, 33, {2})); // a second, unasked reply
        bench.Deliver();
        ASSERT_EQ(owner.deliveries.size(), 1u);
        EXPECT_EQ(owner.deliveries[0].reply->data[0], 1);
    }
}

TEST(RequestQueue, LateReplyAfterTheTimeOutIsDropped) {
    {
        QueueBench bench;
        CQueue& q = bench.q;
        CReplyRecorder owner(q);
        Send(q, owner, 33);
        bench.host.FireTimers();
        bench.Deliver();
        ASSERT_EQ(owner.deliveries.size(), 1u);
        q.OnFrame(MakeRecord(31, 1, 33, {1}));
        bench.Deliver();
        EXPECT_EQ(owner.deliveries.size(), 1u);
    }
}

TEST(RequestQueue, DeviceTextLinesGoToTheConsoleWithoutEndingTheWait) {
    {
        QueueBench bench;
        CQueue& q = bench.q;
        CReplyRecorder owner(q);
        Send(q, owner, 33);
        const auto text = Utf8ToWin1250("Zażółć gęślą");
        std::vector<std::uint8_t> data(text.begin(), text.end());
        data.push_back(0);
        data.push_back('x'); // after the zero byte: not text
        q.OnFrame(MakeRecord(31, 0, 12, data));
        // A line that fills the whole frame has no zero byte.
        q.OnFrame(MakeRecord(31, 0, 12, std::vector<std::uint8_t>(62, 'A')));
        bench.Deliver();
        EXPECT_EQ(bench.host.console,
                  (std::vector<std::string>{"Zażółć gęślą", std::string(62, 'A')}));
        EXPECT_TRUE(q.IsBusy());
        EXPECT_TRUE(owner.deliveries.empty());
    }
}

TEST(RequestQueue, MessageWithoutReplyLeavesTheQueueFreeAndTheNextWaitsForAnEvent) {
    {
        QueueBench bench;
        CQueue& q = bench.q;
        CReplyRecorder owner(q);
        Send(q, owner, 0, 0); // reset: nothing comes back
        EXPECT_FALSE(q.IsBusy());
        EXPECT_EQ(bench.host.timers.size(), 0u);

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
        bench.Deliver();
        EXPECT_EQ(owner.deliveries.size(), 1u);
    }
}

TEST(RequestQueue, DataLongerThanAFrameIsRefused) {
    {
        QueueBench bench;
        CQueue& q = bench.q;
        CReplyRecorder owner(q);
        std::uint8_t data[63] = {};
        EXPECT_EQ(q.AddRequest(31, 1, 39, data, 63, &owner, owner.Handler()), 0u);
        EXPECT_FALSE(q.IsBusy());
        EXPECT_EQ(q.PendingCount(), 0u);
        EXPECT_NE(q.AddRequest(31, 1, 39, data, 62, &owner, owner.Handler()), 0u);
    }
}
