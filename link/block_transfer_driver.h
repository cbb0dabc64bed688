#pragma once
// CBlockTransferDriver: runs one block transfer (CBlockTransfer) over the request queue, for
// a transfer box and for a program without a window alike. It sends each request the walk
// names and hands the walk that request's reply or time-out. Read chunks go out with the
// connection's reply check (a reply carrying another chunk's address is turned away while
// the chunk waits) and its measured read wait; a chunk asked again goes out only once the
// line has been quiet. Writes go out as the walk names them, with the full reply time-out.
//
// Calling order: SetRead, SetReadFrom, SetReadList or SetWrite; Start; then the queue's deliveries
// move the walk on until `ended` is called once (the walk Complete, Failed or Aborted). Abort stops
// a running walk at once, without calling `ended`.

#include "link/block_transfer.h"

#include <cstdint>
#include <functional>

class CQueue;

class CBlockTransferDriver {
public:
    // Called before each request goes out, with the request.
    using SendingFunction = std::function<void(const t_block_request& request)>;
    using EndedFunction = std::function<void()>;

    explicit CBlockTransferDriver(CQueue& queue);

    void SetRead(int blockId);
    // A read continued after its first `held` bytes, which are taken from source.
    void SetReadFrom(int blockId, std::uint32_t held, const std::uint8_t* source);
    // A read of the chunks list names over the block's bytes from source (see CBlockTransfer).
    void SetReadList(int blockId, const std::uint8_t* source, CChunkSource& list);
    // Copies BlockSize(blockId) bytes from source.
    void SetWrite(int blockId, const std::uint8_t* source);

    // Begins the walk set, addressing deviceAddress. sending and ended are kept until the
    // walk has ended; ended may be called before Start returns (an empty block, a queue
    // that takes no request).
    void Start(int deviceAddress, SendingFunction sending, EndedFunction ended);
    // "Przerwij": the walk ends as Aborted; what is delivered afterwards is ignored.
    void Abort() { m_transfer.Abort(); }

    const CBlockTransfer& Transfer() const { return m_transfer; }

private:
    void Follow(CBlockTransfer::Next next);
    void Send(bool afterQuiet);
    void Deliver(const t_transfer_data* reply);

    CQueue& m_queue;
    CBlockTransfer m_transfer;
    int m_deviceAddress = 0;
    SendingFunction m_sending;
    EndedFunction m_ended;
};
