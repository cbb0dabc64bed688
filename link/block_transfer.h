#pragma once
// CBlockTransfer: the chunk walk that moves one memory block between the device and a
// buffer, with no link of its own. The owner sends the request the walk names, hands back
// that request's reply or time-out, and sends the next request, until the walk has ended.
//   - A read asks for chunks of at most 57 bytes (command 40) in address order and keeps
//     their data in the buffer; a reply must carry the count asked for, whole.
//   - A write sends the buffer in chunks (command 39); each must be confirmed with status 1,
//     and the block is closed (command 41) only after the last chunk was confirmed.
//   - A read chunk that gets no reply, or a reply whose count does not fit, is asked again;
//     the walk fails only once one chunk has had kMaxReadTries tries and kMinReadGiveUpMs
//     have passed since its first try went out, every try having failed, with the failure
//     of the last try. The tries alone would be spent within a second of short waits, less
//     than one reply may take, so a device that pauses would end the readout. A try sent again
//     after a failure is named with SendAfterQuiet: a late reply to the failed try may still be on
//     its way, so the owner sends it only once the line has been quiet for QuietAfterFailureMs (see
//     link/read_timing.h) and drops any frame that arrives meanwhile.
//   - A list read asks for the chunks a CChunkSource names, one after another in its order,
//     over a buffer that holds the block as known before; each chunk read replaces its
//     bytes there. Done() counts the bytes read, Total() what the list plans.
//   - A write stops at the first time-out or refusal; nothing written is sent again.
// A read reply may also be checked against its request's address (SetReplyCheck); one the
// check rejects is a failed try, like a wrong count.
// Every request sent is known by a ticket the owner gives (the queue's request number, never
// 0). A reply or time-out that comes with another ticket, or after the walk ended, belongs to
// an older request and is ignored.
//
// Calling order: SetRead or SetWrite, Start, then for as long as a call answers Send or
// SendAfterQuiet: send Request(), call Sent(ticket, now), and feed that ticket's reply
// (OnReply) or time-out (OnTimeout). End: the walk is Complete or Failed (see FailureText()).
// Times (nowMs) are a steady clock in milliseconds, handed in by the owner.

#include "link/chunk_source.h"
#include "link/protocol.h"
#include "link/read_reply_check.h"
#include "link/transfer_data.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// One request of a block transfer, ready for the line.
struct t_block_request {
    std::uint8_t command = 0;
    std::uint8_t length = 0; // valid bytes of data
    std::array<std::uint8_t, protocol::kMaxData> data{};
    std::uint32_t address = 0; // memory address of the chunk
    std::uint32_t count = 0;   // memory bytes of the chunk; 0 for the close
    // Sent only once the line has been quiet: a try asked again, or the chunk after one
    // that needed several tries on a line whose replies do not carry their address.
    bool afterQuiet = false;
};

class CBlockTransfer {
public:
    enum class State { Idle, Running, Complete, Failed, Aborted };
    enum class Failure { None, NoReply, VerifyFailed, BadReply };
    // What the owner does after a call.
    enum class Next {
        Ignore,         // nothing: the delivery was not for the request outstanding
        Send,           // send Request()
        SendAfterQuiet, // send Request(), a read chunk asked again, once the line has been
                        // quiet for QuietAfterFailureMs; frames arriving before are dropped
        End,            // the walk has ended: Complete or Failed
    };

    // Tries of one read chunk, the first included, before the walk may fail.
    static constexpr int kMaxReadTries = 5;
    // Time from a read chunk's first try before the walk may fail: twice the longest wait
    // the protocol gives a reply.
    static constexpr std::int64_t kMinReadGiveUpMs = 2 * protocol::kReplyTimeoutMs;

    // The buffer holds protocol::kRecorderSize bytes, the largest block.
    CBlockTransfer();

    void SetRead(int blockId);
    // A read whose first `held` bytes are known already (a readout continued from its
    // part): they are copied from source, and the walk asks for the rest only.
    void SetReadFrom(int blockId, std::uint32_t held, const std::uint8_t* source);
    // A list read of the chunks list names, the buffer first holding the block's
    // BlockSize(blockId) bytes from source. list must outlive the walk's use of it.
    void SetReadList(int blockId, const std::uint8_t* source, CChunkSource& list);
    // Copies BlockSize(blockId) bytes from source; a null source keeps the buffer as it is.
    void SetWrite(int blockId, const std::uint8_t* source);
    // Read replies taken from now on are checked with check too (nullptr: not at all). The
    // check is the owner's and must outlive the walk's use of it.
    void SetReplyCheck(CReadReplyCheck* check) { m_check = check; }
    // Begins the walk last set: Send, or End for a read of an empty block (Complete at once).
    Next Start();

    // The request to send now; valid after an answer of Send, until the next call.
    const t_block_request& Request() const { return m_request; }
    // The owner sent Request() under ticket at nowMs; its reply or time-out is awaited now.
    void Sent(std::uint32_t ticket, std::int64_t nowMs);
    Next OnReply(std::uint32_t ticket, const t_transfer_data& reply, std::int64_t nowMs);
    Next OnTimeout(std::uint32_t ticket, std::int64_t nowMs);
    // "Przerwij": a running walk ends as Aborted; anything delivered afterwards is ignored.
    void Abort();

    State GetState() const { return m_state; }
    bool IsRunning() const { return m_state == State::Running; }
    Failure GetFailure() const { return m_failure; }
    // The message of a Failed walk, as the user is told it; "" otherwise.
    const char* FailureText() const;

    int BlockId() const { return m_blockId; }
    // Bytes of the block read, or written and confirmed, so far.
    std::uint32_t Done() const { return m_done; }
    std::uint32_t Total() const;
    bool IsListRead() const { return m_list != nullptr; }
    // Tries of the chunk outstanding so far, the one on the line included.
    int Tries() const { return m_tries; }
    // Read chunks sent again during this walk.
    std::uint32_t Retries() const { return m_retries; }
    // Start of the buffer (protocol::kRecorderSize bytes); a read's block lies at its start.
    const std::uint8_t* Data() const { return m_buffer.data(); }

private:
    enum class Direction { Read, Write };

    void Set(int blockId, Direction direction);
    // Names the request for the bytes from m_done on (the close after a write's last chunk).
    Next Prepare();
    // True when ticket is the request outstanding; it is no longer outstanding afterwards.
    bool Take(std::uint32_t ticket);
    bool TakeReadData(const t_transfer_data& reply);
    // A try failed at nowMs: asks the same read chunk again while it may, else ends the walk.
    Next Retry(Failure failure, std::int64_t nowMs);
    Next End(State state, Failure failure = Failure::None);

    std::vector<std::uint8_t> m_buffer;
    int m_blockId = 0;
    Direction m_direction = Direction::Read;
    State m_state = State::Idle;
    Failure m_failure = Failure::None;
    std::uint32_t m_address = 0; // memory address of the block
    std::uint32_t m_total = 0;
    std::uint32_t m_done = 0;
    std::uint32_t m_startAt = 0; // where a read starts: bytes known before it
    t_block_request m_request;
    std::uint32_t m_ticket = 0; // the request outstanding; 0 when none
    CReadReplyCheck* m_check = nullptr;
    CChunkSource* m_list = nullptr; // a list read's chunks; nullptr for one address range
    int m_tries = 0;                // tries of the chunk outstanding, the one on the line included
    std::int64_t m_firstTryMs = 0;  // when the outstanding chunk's first try went out
    std::uint32_t m_retries = 0;
};
