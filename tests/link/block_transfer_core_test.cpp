// The chunk walk of a block transfer, played against a device in memory: no window, no queue.

#include "link/block_transfer.h"
#include "link/read_reply_check.h"
#include "link/read_timing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
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
    std::copy_n(data.begin(), std::min(data.size(), sizeof r.data), r.data);
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
    std::int64_t nowMs = 0; // each request takes a second: five tries are past the give-up time

    void Drive(CBlockTransfer& walk,
               const std::function<std::optional<t_transfer_data>(const t_block_request&,
                                                                  std::size_t)>& answer) {
        Next next = walk.Start();
        while (next == Next::Send) {
            requests.push_back(walk.Request());
            doneAtSend.push_back(walk.Done());
            lastTicket += 10; // tickets as a queue gives them: any non-zero numbers
            walk.Sent(lastTicket, nowMs);
            nowMs += 1000;
            const auto reply = answer(walk.Request(), requests.size() - 1);
            next =
                reply ? walk.OnReply(lastTicket, *reply, nowMs) : walk.OnTimeout(lastTicket, nowMs);
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
    struct Case {
        const char* what;
        bool write;
        std::size_t faultAt;                  // the request whose reply is replaced
        std::optional<t_transfer_data> fault; // none: a time-out
        State state;
        const char* text;
    };
    const Case cases[] = {
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
        {"after a time-out, its retry outstanding",
         [](CBlockTransfer& w) {
             w.OnTimeout(10, 0);
             w.Sent(20, 0);
         },
         State::Running, 20},
        {"after an abort", [](CBlockTransfer& w) { w.Abort(); }, State::Aborted, 0},
        {"an older transfer's, in a new transfer",
         [](CBlockTransfer& w) {
             w.Abort();
             w.SetRead(protocol::kBlockInspections);
             w.Start();
             w.Sent(20, 0);
         },
         State::Running, 20},
    };
    const t_transfer_data bad = Reply(40, {}); // would end the walk if it were taken
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CBlockTransfer walk;
        walk.SetRead(protocol::kBlockRelays);
        ASSERT_EQ(walk.Start(), Next::Send);
        walk.Sent(10, 0);
        c.before(walk);
        const std::uint32_t late = c.awaited == 10 ? 9 : 10;
        EXPECT_EQ(walk.OnReply(late, bad, 0), Next::Ignore);
        EXPECT_EQ(walk.OnTimeout(late, 0), Next::Ignore);
        EXPECT_EQ(walk.GetState(), c.state);
        EXPECT_EQ(walk.Done(), 0u);
        if (c.awaited != 0) {
            MemoryDevice device;
            EXPECT_EQ(walk.OnReply(c.awaited, device.Answer(walk.Request()), 0), Next::Send);
            EXPECT_EQ(walk.Done(), 57u);
        }
    }
}

TEST(BlockTransferWalk, ALostReadReplyIsAskedAgainUntilOneChunkHadFiveTriesAndThreeSeconds) {
    // What becomes of each request in turn, from the first; '.', and every request past the
    // end, is answered well. T: time-out. S: a reply too short for a count. C: another count.
    // B: a count beyond the frame. W: another chunk's reply, its address echoed. L: a time-out
    // whose reply, with other bytes, comes while the next try is outstanding.
    struct Case {
        const char* what;
        const char* losses;
        State state;
        const char* text;
        std::size_t requests;
        std::uint32_t done;
        int stepMs; // from one try to the next
    };
    const Case cases[] = {
        {"time-out, then a reply", ".T", State::Complete, "", 4, 140, 1000},
        {"too short, then a reply", "S", State::Complete, "", 4, 140, 1000},
        {"another count, then a reply", ".C", State::Complete, "", 4, 140, 1000},
        {"count beyond the frame, then a reply", "..B", State::Complete, "", 4, 140, 1000},
        {"another chunk's address, then a reply", ".W", State::Complete, "", 4, 140, 1000},
        {"late reply during the next try", ".L", State::Complete, "", 4, 140, 1000},
        {"four failures, then a reply", ".TCLS", State::Complete, "", 7, 140, 1000},
        {"each chunk has its own tries", "TTTT.TTTT.TTTT", State::Complete, "", 15, 140, 1000},
        {"five failures, the last a count", ".TTTTC", State::Failed, "Błędna odpowiedź urządzenia",
         6, 57, 1000},
        {"five failures, the last a time-out", ".CWCCT", State::Failed, "Urządzenie nie odpowiada",
         6, 57, 1000},
        // Quick failures: tries go on until 3 s have passed since the chunk's first try.
        {"a pause of the device: seven quick failures, then a reply", ".TTTTTTT", State::Complete,
         "", 10, 140, 400},
        {"quick failures end once 3 s have passed", ".TTTTTTTTT", State::Failed,
         "Urządzenie nie odpowiada", 9, 57, 400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryDevice device;
        CReadReplyCheck check;
        CBlockTransfer walk;
        walk.SetReplyCheck(&check);
        walk.SetRead(protocol::kBlockRelays);
        const std::string losses = c.losses;
        std::vector<t_block_request> requests;
        std::vector<Next> sentAs;
        std::optional<t_transfer_data> late; // the reply of the request before, still coming
        std::uint32_t ticket = 0;
        std::int64_t now = 0;
        Next next = walk.Start();
        while (next == Next::Send || next == Next::SendAfterQuiet) {
            const t_block_request q = walk.Request();
            const char loss = requests.size() < losses.size() ? losses[requests.size()] : '.';
            requests.push_back(q);
            sentAs.push_back(next);
            ticket += 10;
            walk.Sent(ticket, now);
            now += c.stepMs;
            if (late) {
                EXPECT_EQ(walk.OnReply(ticket - 10, *late, now), Next::Ignore);
                late.reset();
            }
            t_transfer_data reply = device.Answer(q);
            switch (loss) {
            case 'T':
                next = walk.OnTimeout(ticket, now);
                continue;
            case 'L':
                for (std::uint32_t i = 0; i < q.count; ++i) {
                    reply.data[5 + i] ^= 0xFF;
                }
                late = reply;
                next = walk.OnTimeout(ticket, now);
                continue;
            case 'S':
                reply.length = 4;
                break;
            case 'C':
                reply.data[4] = static_cast<std::uint8_t>(q.count - 1);
                break;
            case 'B':
                reply.length = static_cast<std::uint8_t>(5 + q.count - 1);
                break;
            case 'W': {
                t_block_request other = q;
                other.address += 57;
                for (int b = 0; b < 4; ++b) {
                    other.data[b] = static_cast<std::uint8_t>(other.address >> (8 * b));
                }
                reply = device.Answer(other);
                break;
            }
            default:
                break;
            }
            next = walk.OnReply(ticket, reply, now);
        }
        EXPECT_EQ(next, Next::End);
        EXPECT_EQ(walk.GetState(), c.state);
        EXPECT_STREQ(walk.FailureText(), c.text);
        ASSERT_EQ(requests.size(), c.requests);
        EXPECT_EQ(walk.Done(), c.done);
        std::uint32_t retries = 0;
        for (std::size_t i = 1; i < requests.size(); ++i) {
            // A try after a failure asks the same chunk, once the line is quiet.
            const bool failed = i - 1 < losses.size() && losses[i - 1] != '.';
            EXPECT_EQ(sentAs[i], failed ? Next::SendAfterQuiet : Next::Send) << "request " << i;
            EXPECT_EQ(requests[i].address == requests[i - 1].address, failed) << "request " << i;
            retries += failed ? 1 : 0;
        }
        EXPECT_EQ(walk.Retries(), retries);
        for (std::uint32_t i = 0; i < c.done; ++i) {
            ASSERT_EQ(walk.Data()[i], PatternAt(protocol::kRelaysAddress + i)) << "byte " << i;
        }
    }
}

TEST(ReadTiming, TheWaitFollowsTheRoundTripsOnlyWhereTheDeviceEchoesTheAddress) {
    struct Step {
        // Retry: the same chunk is asked again; any other step starts on a new chunk.
        enum Kind { Reply, RoundTrip, Late, NewTransfer, NewConnection, Retry } kind;
        std::uint32_t asked = 0;   // Reply: the address read
        std::uint32_t carried = 0; // Reply: data bytes 0-3
        bool accepted = true;      // Reply: the check's verdict
        int ms = 0;                // RoundTrip
        int wait = 0;              // the wait for the next read chunk afterwards
    };
    const auto reply = [](std::uint32_t asked, std::uint32_t carried, bool accepted, int wait) {
        return Step{Step::Reply, asked, carried, accepted, 0, wait};
    };
    const auto trip = [](int ms, int wait) { return Step{Step::RoundTrip, 0, 0, true, ms, wait}; };
    const auto then = [](Step::Kind kind, int wait) { return Step{kind, 0, 0, true, 0, wait}; };
    std::vector<Step> window = {reply(57, 57, true, 1500), trip(200, 800)};
    window.insert(window.end(), 31, trip(10, 800));
    window.push_back(trip(10, 40)); // the 200 ms round trip has left the window

    struct Case {
        const char* what;
        int baud;
        int quietMs;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"no echo: the full wait always",
         57600,
         47,
         {reply(57, 0, true, 1500), trip(10, 1500), reply(114, 57, true, 1500),
          then(Step::Late, 1500)}},
        {"echo: 4 x the longest round trip, 30..1500 ms",
         460800,
         20,
         {reply(0x100000, 0x100000, true, 1500), trip(5, 30), trip(20, 80), trip(100, 400),
          trip(50, 400), trip(600, 1500)}},
        {"the wait looks back 32 round trips", 115200, 24, window},
        {"a late reply doubles the wait for the rest of the transfer",
         9600,
         282,
         {reply(57, 57, true, 1500), trip(20, 80), then(Step::Late, 160), trip(10, 160),
          then(Step::Late, 320), then(Step::Late, 640), then(Step::Late, 1280),
          then(Step::Late, 1500), then(Step::NewTransfer, 80)}},
        {"a wrong address is rejected only once the echo was learnt",
         57600,
         47,
         {reply(0, 0, true, 1500), trip(10, 1500), reply(57, 57, true, 40),
          reply(114, 57, false, 40), reply(114, 114, true, 40), then(Step::NewConnection, 1500),
          reply(171, 114, true, 1500), reply(228, 171, true, 1500)}},
        {"each try of one chunk waits twice as long as the try before",
         57600,
         47,
         {reply(57, 57, true, 1500), trip(10, 40), then(Step::Retry, 80), then(Step::Retry, 160),
          then(Step::Retry, 320), then(Step::Retry, 640), trip(10, 40)}},
        {"an unknown speed keeps the full quiet time", 0, 1500, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(QuietAfterFailureMs(c.baud), c.quietMs);
        CReadReplyCheck check;
        CReadTiming timing;
        int tryNumber = 1;
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE(i);
            const Step& step = c.steps[i];
            tryNumber = step.kind == Step::Retry ? tryNumber + 1 : 1;
            switch (step.kind) {
            case Step::Retry:
                break;
            case Step::Reply: {
                t_transfer_data r = Reply(40, {0, 0, 0, 0, 0});
                r.data[0] = static_cast<std::uint8_t>(step.carried);
                r.data[1] = static_cast<std::uint8_t>(step.carried >> 8);
                r.data[2] = static_cast<std::uint8_t>(step.carried >> 16);
                r.data[3] = static_cast<std::uint8_t>(step.carried >> 24);
                EXPECT_EQ(check.Accept(step.asked, r), step.accepted);
                break;
            }
            case Step::RoundTrip:
                timing.OnRoundTrip(step.ms);
                break;
            case Step::Late:
                timing.OnLateReply();
                break;
            case Step::NewTransfer:
                timing.BeginTransfer();
                break;
            case Step::NewConnection:
                check.Reset();
                timing.Reset();
                break;
            }
            EXPECT_EQ(timing.ReadTimeoutMs(check.Echoes(), tryNumber), step.wait);
        }
    }
}
