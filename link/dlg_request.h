#pragma once
// CDlgRequest: one request/reply exchange behind the wait box "Transmisja danych".
// Calling order: SetRequest, DoModal, GetReply. Created once by the main window and shown
// again for every exchange.

#include "framework/afx.h"
#include "link/transfer_data.h"

#include <cstdint>

class CQueue;

class CDlgRequest : public CDialog {
public:
    // Sends through queue.
    explicit CDlgRequest(CQueue& queue);

    // Prepares the next exchange (message type 1); forgets the previous reply. length is
    // 0 to 62.
    void SetRequest(int deviceAddress, int command, const std::uint8_t* data, int length);
    // The reply of the last exchange, or nullptr when it got none. Valid until the next
    // SetRequest.
    const t_transfer_data* GetReply() const;
    // Reply handler given to the request queue.
    void OnReply(const t_transfer_data* reply);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    CQueue& m_queue;
    std::int32_t m_replyValid = 0;
    t_transfer_data m_message;
    std::uint32_t m_requestId = 0; // the exchange whose reply this box waits for
};
