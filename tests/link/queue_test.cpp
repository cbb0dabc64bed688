// The request queue on a fake host and a fake line: the test plays the device by handing
// frames to OnFrame, runs the queue's posted deliveries and fires its time-outs itself.

#include "base/win1250.h"
#include "tests/link/fake_frame_line.h"
#include "tests/link/fake_link_host.h"
#include "tests/link/link_test_util.h"

#include <gtest/gtest.h>

namespace {

// A queue with its host and its line.
struct QueueBench {
    FakeLinkHost host;
    FakeFrameLine line;
    CQueue q{host, line};

    void Deliver() { host.Deliver(); }
};

std::uint32_t Send(CQueue& q, CReplyRecorder& owner, int command, int type = 1,
                   t_request_options options = {}) {
    return q.AddRequest(31, type, command, nullptr, 0, owner.Handler(), std::move(options));
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

        ASSERT_EQ(bench.line.sent.size(), 1u);
        q.OnFrame(MakeRecord(31, 1, 33, {7}));
        EXPECT_EQ(q.PendingCount(), 0u); // the second went out at once
        ASSERT_EQ(bench.line.sent.size(), 2u);
        EXPECT_EQ(bench.line.sent[1].command, 47);
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

TEST(RequestQueue, ReplyWithAnotherCommandIsTurnedAwayOnlyFromADeviceThatEchoesCommands) {
    // The first reply of a connection teaches whether replies carry their request's command.
    const struct {
        int firstReplyCommand;
        bool strayTaken;
    } cases[] = {{33, false}, {99, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.firstReplyCommand);
        QueueBench bench;
        CQueue& q = bench.q;
        q.OnLinkUp(57600);
        CReplyRecorder owner(q);
        Send(q, owner, 33);
        q.OnFrame(MakeRecord(31, 1, c.firstReplyCommand, {1}));
        Send(q, owner, 34);
        q.OnFrame(MakeRecord(31, 1, 40, {2})); // a late read reply while a status poll waits
        q.OnFrame(MakeRecord(31, 1, 34, {3}));
        bench.Deliver();
        ASSERT_EQ(owner.deliveries.size(), 2u);
        EXPECT_EQ(owner.deliveries[1].reply->data[0], c.strayTaken ? 2 : 3);
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
        EXPECT_EQ(q.AddRequest(31, 1, 39, data, 63, owner.Handler()), 0u);
        EXPECT_FALSE(q.IsBusy());
        EXPECT_EQ(q.PendingCount(), 0u);
        EXPECT_NE(q.AddRequest(31, 1, 39, data, 62, owner.Handler()), 0u);
    }
}

TEST(RequestQueue, EachRequestWaitsItsOwnTimeOutAndItsCheckDecidesWhichFrameIsItsReply) {
    // The check takes replies whose first data byte is 5.
    const auto firstByteFive = [](const t_transfer_data& r) {
        return r.length > 0 && r.data[0] == 5;
    };
    struct Case {
        const char* what;
        t_request_options options;
        std::vector<t_transfer_data> frames; // from the device while the request waits
        int armedMs;
        std::vector<int> delivered; // first data byte of each reply delivered; -1 a time-out
        std::uint32_t rejected;
    };
    const Case cases[] = {
        {"default wait, no check", {}, {MakeRecord(31, 1, 40, {9})}, 1500, {9}, 0},
        {"own wait", {40, {}}, {}, 40, {-1}, 0},
        {"check takes the reply",
         {1500, firstByteFive},
         {MakeRecord(31, 1, 40, {5})},
         1500,
         {5},
         0},
        {"rejected frames, then the reply",
         {200, firstByteFive},
         {MakeRecord(31, 1, 40, {4}), MakeRecord(31, 2, 40, {6}), MakeRecord(31, 1, 40, {5})},
         200,
         {5},
         2},
        {"only rejected frames end by the time-out",
         {200, firstByteFive},
         {MakeRecord(31, 1, 40, {4}), MakeRecord(31, 1, 40)},
         200,
         {-1},
         2},
        {"text lines are no reply to check",
         {200, firstByteFive},
         {MakeRecord(31, 0, 5, {'x'})},
         200,
         {-1},
         0},
    };
    for (const Case& c : cases) {
        QueueBench bench;
        CReplyRecorder owner(bench.q);
        const std::uint32_t id = Send(bench.q, owner, 40, 1, c.options);
        ASSERT_EQ(bench.host.timers.size(), 1u) << c.what;
        EXPECT_EQ(bench.host.timers[0].delayMs, c.armedMs) << c.what;
        for (const t_transfer_data& frame : c.frames) {
            bench.q.OnFrame(frame);
        }
        bench.host.FireTimers();
        bench.Deliver();
        std::vector<int> delivered;
        for (const t_delivery& d : owner.deliveries) {
            delivered.push_back(d.reply ? d.reply->data[0] : -1);
            EXPECT_EQ(d.request, id) << c.what;
        }
        EXPECT_EQ(delivered, c.delivered) << c.what;
        EXPECT_EQ(bench.q.RejectedCount(), c.rejected) << c.what;
        EXPECT_FALSE(bench.q.IsBusy()) << c.what;
    }
}

TEST(RequestQueue, LineIsQuietOnlyWhenNoCharacterCameForTheWholeSpan) {
    using namespace std::chrono_literals;
    const auto now = CFrameLine::Clock::now();
    struct Case {
        CFrameLine::Clock::time_point last;
        int quietMs;
        bool quiet;
    };
    const Case cases[] = {
        {{}, 20, true}, // nothing came during this connection
        {now - 50ms, 20, true}, {now - 20ms, 20, true}, {now - 19ms, 20, false}, {now, 1, false},
    };
    for (const Case& c : cases) {
        QueueBench bench;
        bench.line.lastCharacter = c.last;
        EXPECT_EQ(bench.q.LineQuietFor(c.quietMs, now), c.quiet)
            << (now - c.last).count() << " ns, " << c.quietMs << " ms";
    }
}

TEST(RequestQueue, AfterAFailedTryTheNextSendWaitsForAQuietLineAndFramesMeanwhileAreDropped) {
    using namespace std::chrono_literals;
    struct Case {
        const char* what;
        int firstCommand;
        bool firstTimesOut;     // else it is answered and the next request asks for quiet
        bool lateLengthensRead; // the frame meanwhile is a late reply to a read chunk
    };
    const Case cases[] = {
        {"read chunk timed out", protocol::kCmdReadChunk, true, true},
        {"status request timed out", 33, true, false},
        {"read chunk asked again after a bad reply", protocol::kCmdReadChunk, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QueueBench bench;
        CQueue& q = bench.q;
        q.OnLinkUp(57600);
        q.ReadCheck().Accept(0x100, MakeRecord(31, 1, 40, {0x00, 0x01, 0, 0, 1, 7}));
        q.ReadTiming().OnRoundTrip(20);
        const int readWait = q.ReadTiming().ReadTimeoutMs(q.ReadCheck().Echoes());
        CReplyRecorder owner(q);
        Send(q, owner, c.firstCommand);
        bench.line.lastCharacter = std::chrono::steady_clock::now();
        if (c.firstTimesOut) {
            bench.host.FireTimers();
        } else {
            q.OnFrame(MakeRecord(31, 1, c.firstCommand, {1}));
        }
        bench.Deliver();
        t_request_options retry;
        retry.afterQuiet = !c.firstTimesOut;
        Send(q, owner, protocol::kCmdReadChunk, 1, retry);
        ASSERT_EQ(bench.line.sent.size(), 1u); // held back
        ASSERT_EQ(bench.host.timers.size(), 1u);
        EXPECT_GT(bench.host.timers[0].delayMs, 0);
        EXPECT_LE(bench.host.timers[0].delayMs, QuietAfterFailureMs(57600));

        q.OnFrame(MakeRecord(31, 1, c.firstCommand, {2})); // a late reply
        bench.line.lastCharacter = std::chrono::steady_clock::now();
        bench.host.FireTimers(); // too early: the line spoke since
        EXPECT_EQ(bench.line.sent.size(), 1u);
        EXPECT_EQ(bench.host.timers.size(), 1u);

        bench.line.lastCharacter = std::chrono::steady_clock::now() - 10s;
        bench.host.FireTimers();
        bench.Deliver();
        ASSERT_EQ(bench.line.sent.size(), 2u);
        EXPECT_EQ(bench.line.sent[1].command, protocol::kCmdReadChunk);
        EXPECT_EQ(owner.deliveries.size(), 1u); // the late reply reached no one
        EXPECT_EQ(q.DroppedCount(), 1u);
        EXPECT_EQ(q.ReadTiming().ReadTimeoutMs(q.ReadCheck().Echoes()),
                  c.lateLengthensRead ? 2 * readWait : readWait);
    }
}
