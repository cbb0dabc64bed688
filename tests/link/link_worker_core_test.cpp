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
