// The link and the queue without a window: the worker runs on a port in memory, and the
// fake host runs what it posts. Every wait is on a hand-over (a write, a posted event),
// never on a sleep.

#include "link/frame_codec.h"
#include "link/queue.h"
#include "link/transfer.h"
#include "tests/link/fake_link_host.h"
#include "tests/link/memory_port.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <optional>

namespace {

std::string Encoded(int type, int command, std::vector<std::uint8_t> data) {
    t_transfer_data record;
    record.addressType = MakeAddressType(31, type);
    record.command = static_cast<std::uint8_t>(command);
    record.length = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), record.data);
    std::uint8_t out[protocol::kMaxEncodedFrame];
    return std::string(reinterpret_cast<char*>(out), EncodeFrame(record, out));
}

// A link on a port in memory, with the queue as its frame sink.
struct MemoryLink {
    FakeLinkHost host;
    std::shared_ptr<MemoryLine> line = std::make_shared<MemoryLine>();
    CTransfer transfer{host, [l = line] { return std::make_unique<MemoryPort>(l); }};
    CQueue queue{host, transfer};

    MemoryLink() {
        transfer.SetFrameSink([this](const t_transfer_data& frame) { queue.OnFrame(frame); });
    }
    bool Down() {
        return host.DeliverUntil(
            [&] { return !host.events.empty() && host.events.back() == "down"; });
    }
};

} // namespace

TEST(LinkWorkerInMemory, FrameOutReplyInAndStop) {
    MemoryLink link;
    link.transfer.OnConnect("COM1", "memory", 57600);
    ASSERT_TRUE(link.host.DeliverUntil([&] { return link.transfer.IsConnected(); }));
    EXPECT_EQ(link.host.console,
              (std::vector<std::string>{"Otwieranie portu COM1 , 57600b/s...", "Połączono"}));
    EXPECT_EQ(link.transfer.LastCharacterTime(), CFrameLine::Clock::time_point{});

    std::optional<t_transfer_data> reply;
    int deliveries = 0;
    link.queue.AddRequest(31, protocol::kTypeReply, protocol::kCmdReadVersions, nullptr, 0,
                          [&](const t_transfer_data* r) {
                              ++deliveries;
                              if (r != nullptr) {
                                  reply = *r;
                              }
                          });
    ASSERT_TRUE(link.line->WaitWritten(":03F921E3"));
    EXPECT_EQ(link.line->Written(), "\n\r:03F921E3");

    // A reserved code is noise, the reply is the reply.
    const auto before = CFrameLine::Clock::now();
    link.line->Feed(Encoded(1, 101, {1}) + Encoded(1, 33, {7, 8}));
    ASSERT_TRUE(link.host.DeliverUntil([&] { return deliveries == 1; }));
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->command, 33);
    EXPECT_EQ(reply->length, 2);
    EXPECT_EQ(reply->data[1], 8);
    EXPECT_GE(link.transfer.LastCharacterTime(), before);
    EXPECT_FALSE(link.queue.LineQuietFor(60000));
    EXPECT_EQ(link.transfer.LineCounters().frames, 1u);
    EXPECT_GT(link.transfer.LineCounters().discarded, 0u);

    link.transfer.OnDisconnect();
    ASSERT_TRUE(link.Down());
    EXPECT_TRUE(link.line->WaitClosed());
    EXPECT_FALSE(link.transfer.IsConnected());
    EXPECT_EQ(link.host.events, (std::vector<std::string>{"starting", "up", "down"}));
    EXPECT_EQ(link.host.lastEnd.exitCode, 0);
    EXPECT_FALSE(link.host.lastEnd.failure.Failed());
    EXPECT_EQ(link.host.console.back(), "Rozłączono");
    EXPECT_EQ(link.transfer.PutToSend(t_transfer_data{}), 0);
}

TEST(LinkWorkerInMemory, PortThatDoesNotOpenStopsTheWorkerWithItsFailure) {
    MemoryLink link;
    link.line->failOpen = EACCES;
    link.transfer.OnConnect("COM1", "memory", 57600);
    ASSERT_TRUE(link.Down());
    EXPECT_EQ(link.host.events, (std::vector<std::string>{"starting", "down"}));
    EXPECT_EQ(link.host.lastEnd.exitCode, 2);
    EXPECT_EQ(link.host.lastEnd.failure.step, PortStep::Open);
    EXPECT_EQ(link.host.lastEnd.failure.error, EACCES);
    ASSERT_EQ(link.host.console.size(), 3u);
    EXPECT_EQ(link.host.console.back(), "Rozłączono");
    // The next start is a clean one.
    link.line->failOpen = 0;
    link.transfer.OnConnect("COM1", "memory", 57600);
    ASSERT_TRUE(link.host.DeliverUntil([&] { return link.transfer.IsConnected(); }));
}

namespace {

// What happens after the port hangs up while connected (a pulled adapter).
enum class AfterHangUp {
    Back,       // it opens again at a later look, by the path the resolver gives then
    WaitEnds,   // it does not: the link ends once the wait ran out
    Disconnect, // "Rozłącz" during the wait
    NoWait,     // a link told not to wait ends at once
};

struct t_hang_up_case {
    const char* name;
    AfterHangUp after;
    int waitMs;
};

class PortGoesAway : public ::testing::TestWithParam<t_hang_up_case> {};

} // namespace

TEST_P(PortGoesAway, LinkWaitsForItAndNeverSendsWhatWasAskedMeanwhile) {
    const t_hang_up_case& c = GetParam();
    MemoryLink link;
    int looks = 0;
    link.transfer.SetPortWaitMs(c.waitMs);
    link.transfer.SetPortResolver([&looks] { return "memory-" + std::to_string(++looks); });
    link.transfer.OnConnect("COM1", "memory", 57600);
    ASSERT_TRUE(link.host.DeliverUntil([&] { return link.transfer.IsConnected(); }));

    link.line->SetFailOpen(ENOENT);
    link.line->HangUp();
    if (c.after == AfterHangUp::NoWait) {
        ASSERT_TRUE(link.Down());
        EXPECT_EQ(link.host.lastEnd.exitCode, 3);
        EXPECT_EQ(link.line->Opens(), 1);
        return;
    }
    ASSERT_TRUE(link.host.DeliverUntil([&] { return link.transfer.IsAwaitingPort(); }));
    EXPECT_EQ(link.host.events.back(), "lost");
    EXPECT_EQ(link.host.console.back().rfind("Port COM1", 0), 0u) << link.host.console.back();
    // Asked while the port is away: never sent, also not once it is back.
    t_transfer_data meanwhile{};
    meanwhile.command = protocol::kCmdReadVersions;
    EXPECT_EQ(link.transfer.PutToSend(meanwhile), 1);

    switch (c.after) {
    case AfterHangUp::Back: {
        // A look that fails, then one that opens.
        ASSERT_TRUE(link.line->WaitOpens(2));
        link.line->SetFailOpen(0);
        ASSERT_TRUE(link.host.DeliverUntil([&] { return !link.transfer.IsAwaitingPort(); }));
        EXPECT_EQ(link.host.events, (std::vector<std::string>{"starting", "up", "lost", "back"}));
        EXPECT_TRUE(link.transfer.IsConnected());
        EXPECT_EQ(link.line->LastOpenedPath(), "memory-" + std::to_string(looks));
        link.queue.AddRequest(31, protocol::kTypeReply, protocol::kCmdReadVersions, nullptr, 0,
                              nullptr);
        ASSERT_TRUE(link.line->WaitWritten(":03F921E3"));
        EXPECT_EQ(link.line->Written(), "\n\r:03F921E3") << "the frame asked meanwhile went out";
        link.transfer.OnDisconnect();
        ASSERT_TRUE(link.Down());
        EXPECT_EQ(link.host.lastEnd.exitCode, 0);
        break;
    }
    case AfterHangUp::WaitEnds:
        ASSERT_TRUE(link.Down());
        EXPECT_EQ(link.host.lastEnd.exitCode, 3);
        EXPECT_EQ(link.host.lastEnd.failure.step, PortStep::Gone);
        EXPECT_GE(link.line->Opens(), 2);
        EXPECT_EQ(link.host.console.back(), "Rozłączono");
        break;
    case AfterHangUp::Disconnect:
        link.transfer.OnDisconnect();
        ASSERT_TRUE(link.Down());
        EXPECT_EQ(link.host.lastEnd.exitCode, 0);
        break;
    case AfterHangUp::NoWait:
        break;
    }
    EXPECT_FALSE(link.transfer.IsAwaitingPort());
    EXPECT_EQ(link.line->Written().find(":03F921E3"),
              c.after == AfterHangUp::Back ? 2u : std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(, PortGoesAway,
                         ::testing::Values(t_hang_up_case{"Back", AfterHangUp::Back, 60000},
                                           t_hang_up_case{"WaitEnds", AfterHangUp::WaitEnds, 1200},
                                           t_hang_up_case{"Disconnect", AfterHangUp::Disconnect,
                                                          60000},
                                           t_hang_up_case{"NoWait", AfterHangUp::NoWait, 0}),
                         [](const auto& info) { return std::string(info.param.name); });
