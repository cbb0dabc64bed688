// The chunk walk of a block transfer, played against a device in memory: no window, no queue.

#include "link/block_transfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

namespace {

using Next = CBlockTransfer::Next;
using State = CBlockTransfer::State;
using Failure = CBlockTransfer::Failure;

t_transfer_data Reply(int command, std::vector<std::uint8_t> data) {
    t_transfer_data r;
    r.addressType = MakeAddressType(31, protocol::kTypeReply);
    r.command = static_cast<std::uint8_t>(command);
    r.length = static_cast<std::uint8_t>(data.size());
    std::memcpy(r.data, data.data(), std::min(data.size(), sizeof r.data));
    return r;
}

std::uint8_t PatternAt(std::uint32_t address) {
    return static_cast<std::uint8_t>(address * 7 + (address >> 8));
}

// A device whose memory holds PatternAt everywhere until written.
struct MemoryDevice {
    std::vector<std::uint8_t> written = std::vector<std::uint8_t>(0x110000, 0);

    t_transfer_data Answer(const t_block_request& q) {
        switch (q.command) {
        case protocol::kCmdReadChunk: {
            std::vector<std::uint8_t> data(q.data.begin(), q.data.begin() + 5);
            for (std::uint32_t i = 0; i < q.count; ++i) {
                data.push_back(PatternAt(q.address + i));
            }
            return Reply(q.command, data);
        }
        case protocol::kCmdWriteChunk:
            std::memcpy(written.data() + q.address, q.data.data() + 5, q.count);
            return Reply(q.command, {1});
        default:
            return Reply(q.command, {});
        }
    }
};

// Drives a walk to its end. answer gives the reply to the n-th request (from 0), or nothing
// for a time-out; it may act on the walk itself (to abort it).
struct Driver {
    std::vector<t_block_request> requests;
    std::vector<std::uint32_t> doneAtSend;
    std::uint32_t lastTicket = 0;

    void Drive(CBlockTransfer& walk,
               const std::function<std::optional<t_transfer_data>(const t_block_request&,
                                                                  std::size_t)>& answer) {
        Next next = walk.Start();
        while (next == Next::Send) {
            requests.push_back(walk.Request());
            doneAtSend.push_back(walk.Done());
            lastTicket += 10; // tickets as a queue gives them: any non-zero numbers
            walk.Sent(lastTicket);
            const auto reply = answer(walk.Request(), requests.size() - 1);
            next = reply ? walk.OnReply(lastTicket, *reply) : walk.OnTimeout(lastTicket);
        }
    }
};

} // namespace

TEST(BlockTransferWalk, ReadAsksChunksInOrderAndAssemblesTheBlock) {
    struct Case {
        int block;
        std::size_t chunks;
        std::uint32_t lastCount;
    };
    const Case cases[] = {
        {protocol::kBlockConfiguration, 1, 50},
        {protocol::kBlockRelays, 3, 26},
        {protocol::kBlockRecorder, 8336, 41},
        {9, 0, 0}, // unknown block: nothing to read
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.block);
        MemoryDevice device;
        CBlockTransfer walk;
        walk.SetRead(c.block);
        Driver run;
        run.Drive(walk, [&](const t_block_request& q, std::size_t) { return device.Answer(q); });
        EXPECT_EQ(walk.GetState(), State::Complete);
        const std::uint32_t base = protocol::BlockAddress(c.block);
        const std::uint32_t size = protocol::BlockSize(c.block);
        ASSERT_EQ(run.requests.size(), c.chunks);
        std::uint32_t address = base;
        for (std::size_t i = 0; i < run.requests.size(); ++i) {
            const t_block_request& q = run.requests[i];
            ASSERT_EQ(q.command, protocol::kCmdReadChunk);
            ASSERT_EQ(q.length, 5);
            ASSERT_EQ(q.address, address);
            ASSERT_EQ(q.data[0] | q.data[1] << 8 | q.data[2] << 16 | q.data[3] << 24,
                      static_cast<int>(address));
            ASSERT_EQ(q.data[4], q.count);
            ASSERT_EQ(q.count, i + 1 == c.chunks ? c.lastCount : 57u);
            ASSERT_EQ(run.doneAtSend[i], address - base);
            address += q.count;
        }
        EXPECT_EQ(walk.Done(), size);
        EXPECT_EQ(walk.Total(), size);
        for (std::uint32_t i = 0; i < size; ++i) {
            ASSERT_EQ(walk.Data()[i], PatternAt(base + i)) << "byte " << i;
        }
    }
}

TEST(BlockTransferWalk, ReadContinuedFromHeldBytesAsksOnlyForTheRest) {
    struct Case {
        std::uint32_t held;
        std::size_t chunks;
    };
    // Held bytes that end inside a chunk, on a chunk's end, the whole block, and more.
    const Case cases[] = {{100, 8334}, {57 * 4000, 8336 - 4000}, {475136, 0}, {500000, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.held);
        std::vector<std::uint8_t> held(c.held, 0xEE);
        MemoryDevice device;
        CBlockTransfer walk;
        walk.SetReadFrom(protocol::kBlockRecorder, c.held, held.data());
        Driver run;
        run.Drive(walk, [&](const t_block_request& q, std::size_t) { return device.Answer(q); });
        EXPECT_EQ(walk.GetState(), State::Complete);
        ASSERT_EQ(run.requests.size(), c.chunks);
        if (!run.requests.empty()) {
            EXPECT_EQ(run.requests[0].address, c.held);
        }
        const std::uint32_t kept = std::min<std::uint32_t>(c.held, protocol::kRecorderSize);
        for (std::uint32_t i = 0; i < protocol::kRecorderSize; ++i) {
            ASSERT_EQ(walk.Data()[i], i < kept ? 0xEE : PatternAt(i)) << "byte " << i;
        }
    }
}

TEST(BlockTransferWalk, WriteSendsEveryChunkAndClosesOnlyAfterTheLastConfirmation) {
    std::vector<std::uint8_t> block(protocol::kRelaysSize);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    MemoryDevice device;
    CBlockTransfer walk;
    walk.SetWrite(protocol::kBlockRelays, block.data());
    Driver run;
    std::size_t confirmed = 0;
    run.Drive(walk, [&](const t_block_request& q, std::size_t) {
        if (q.command == protocol::kCmdCloseWrite) {
            EXPECT_EQ(confirmed, 3u) << "closed before every chunk was confirmed";
        } else {
            ++confirmed;
        }
        return device.Answer(q);
    });
    EXPECT_EQ(walk.GetState(), State::Complete);
    ASSERT_EQ(run.requests.size(), 4u);
    const std::uint32_t counts[] = {57, 57, 26};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(run.requests[i].command, protocol::kCmdWriteChunk);
        EXPECT_EQ(run.requests[i].count, counts[i]);
        EXPECT_EQ(run.requests[i].length, 5 + counts[i]);
    }
    EXPECT_EQ(run.requests[3].command, protocol::kCmdCloseWrite);
    EXPECT_EQ(run.requests[3].length, 1);
    EXPECT_EQ(run.requests[3].data[0], protocol::kBlockRelays);
    EXPECT_EQ(run.doneAtSend, (std::vector<std::uint32_t>{0, 57, 114, 140}));
    EXPECT_EQ(std::vector<std::uint8_t>(device.written.begin() + protocol::kRelaysAddress,
                                        device.written.begin() + protocol::kRelaysAddress + 140),
              block);
}

TEST(BlockTransferWalk, EachStopRuleEndsTheWalkAtTheFaultyReply) {
    std::vector<std::uint8_t> moreThanCarried(5 + 20, 0);
    moreThanCarried[4] = 57;
    std::vector<std::uint8_t> otherCount(5 + 56, 0);
    otherCount[4] = 56;
    struct Case {
        const char* what;
        bool write;
        std::size_t faultAt;                  // the request whose reply is replaced
        std::optional<t_transfer_data> fault; // none: a time-out
        State state;
        const char* text;
    };
    const Case cases[] = {
        {"read time-out", false, 1, std::nullopt, State::Failed, "Urządzenie nie odpowiada"},
        {"short read reply", false, 1, Reply(40, {0, 0, 0}), State::Failed,
         "Błędna odpowiedź urządzenia"},
        {"count other than asked", false, 1, Reply(40, otherCount), State::Failed,
         "Błędna odpowiedź urządzenia"},
        {"count beyond the frame", false, 1, Reply(40, moreThanCarried), State::Failed,
         "Błędna odpowiedź urządzenia"},
        {"write refused", true, 1, Reply(39, {0}), State::Failed,
         "Błąd przy weryfikacji zapisu do pamieci !"},
        {"confirmation without status", true, 1, Reply(39, {}), State::Failed,
         "Błąd przy weryfikacji zapisu do pamieci !"},
        {"write time-out", true, 1, std::nullopt, State::Failed, "Urządzenie nie odpowiada"},
        {"close time-out", true, 3, std::nullopt, State::Failed, "Urządzenie nie odpowiada"},
        {"abort", false, 1, std::nullopt, State::Aborted, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryDevice device;
        std::vector<std::uint8_t> block(protocol::kRelaysSize, 7);
        CBlockTransfer walk;
        if (c.write) {
            walk.SetWrite(protocol::kBlockRelays, block.data());
        } else {
            walk.SetRead(protocol::kBlockRelays);
        }
        Driver run;
        run.Drive(walk, [&](const t_block_request& q, std::size_t n) {
            if (n != c.faultAt) {
                return std::optional<t_transfer_data>(device.Answer(q));
            }
            if (c.state == State::Aborted) {
                walk.Abort();
                return std::optional<t_transfer_data>(device.Answer(q)); // comes too late
            }
            return c.fault;
        });
        EXPECT_EQ(walk.GetState(), c.state);
        EXPECT_STREQ(walk.FailureText(), c.text);
        EXPECT_EQ(run.requests.size(), c.faultAt + 1); // nothing is sent after the stop
        EXPECT_EQ(walk.Done(), std::min<std::size_t>(c.faultAt * 57, protocol::kRelaysSize));
    }
}

TEST(BlockTransferWalk, ADeliveryForAnotherRequestIsIgnored) {
    struct Case {
        const char* what;
        // Brings the walk, whose first request went out under ticket 10, to the moment of
        // the late delivery.
        std::function<void(CBlockTransfer&)> before;
        State state;
        std::uint32_t awaited; // the ticket still outstanding; 0 when the walk has ended
    };
    const Case cases[] = {
        {"another ticket while running", [](CBlockTransfer&) {}, State::Running, 10},
        {"after a time-out", [](CBlockTransfer& w) { w.OnTimeout(10); }, State::Failed, 0},
        {"after an abort", [](CBlockTransfer& w) { w.Abort(); }, State::Aborted, 0},
        {"an older transfer's, in a new transfer",
         [](CBlockTransfer& w) {
             w.Abort();
             w.SetRead(protocol::kBlockInspections);
             w.Start();
             w.Sent(20);
         },
         State::Running, 20},
    };
    const t_transfer_data bad = Reply(40, {}); // would end the walk if it were taken
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CBlockTransfer walk;
        walk.SetRead(protocol::kBlockRelays);
        ASSERT_EQ(walk.Start(), Next::Send);
        walk.Sent(10);
        c.before(walk);
        const std::uint32_t late = c.awaited == 10 ? 9 : 10;
        EXPECT_EQ(walk.OnReply(late, bad), Next::Ignore);
        EXPECT_EQ(walk.OnTimeout(late), Next::Ignore);
        EXPECT_EQ(walk.GetState(), c.state);
        EXPECT_EQ(walk.Done(), 0u);
        if (c.awaited != 0) {
            MemoryDevice device;
            EXPECT_EQ(walk.OnReply(c.awaited, device.Answer(walk.Request())), Next::Send);
            EXPECT_EQ(walk.Done(), 57u);
        }
    }
}
