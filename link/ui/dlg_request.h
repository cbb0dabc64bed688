#pragma once
// CDlgRequest: one request/reply exchange behind the wait box "Transmisja danych", or a
// block of a few chunks read in passing behind the same box (with a block read's tries,
// but no progress bar and no console lines).
// Calling order: SetRequest, DoModal, GetReply; or SetBlockRead, DoModal, GetBlock. Created
// once by the main window and shown again for every exchange.

#include "framework/afx.h"
#include "link/block_transfer_driver.h"
#include "link/transfer_data.h"

#include <cstdint>

class CQueue;

class CDlgRequest : public CDialog {
public:
    // Sends through queue.
    // Sends through queue; a block read in passing runs through blockRead (the link
    // stack's driver). Both must outlive the box.
    CDlgRequest(CQueue& queue, CBlockTransferDriver& blockRead);

    // Prepares the next exchange (message type 1); forgets the previous reply. length is
    // 0 to 62.
    void SetRequest(int deviceAddress, int command, const std::uint8_t* data, int length);
    // The reply of the last exchange, or nullptr when it got none. Valid until the next
    // SetRequest.
    const t_transfer_data* GetReply() const;
    // Prepares a read of memory block blockId from the device at deviceAddress.
    void SetBlockRead(int deviceAddress, int blockId);
    // The block of the last SetBlockRead, or nullptr when it did not arrive whole.
    const std::uint8_t* GetBlock() const;
    // Reply handler given to the request queue.
    void OnReply(const t_transfer_data* reply);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    CQueue& m_queue;
    CBlockTransferDriver& m_blockRead;
    bool m_readingBlock = false; // the box reads a block rather than exchanging one frame
    int m_blockAddress = 0;      // the device the block is read from
    std::int32_t m_replyValid = 0;
    t_transfer_data m_message;
    std::uint32_t m_requestId = 0; // the exchange whose reply this box waits for
};
