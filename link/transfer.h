#pragma once
// CTransfer: the serial link. It owns the worker thread that opens the port, sends the
// frames the queue hands it, decodes what the device sends, and reports every decoded
// frame and every change of the link's state to the UI thread through the host's posted
// command 101. It handles "Połącz" and "Rozłącz"; what the window shows of it is the
// host's business.

#include "framework/afx.h"
#include "link/line_counters.h"
#include "link/link_host.h"
#include "link/transfer_data.h"

#include <cstdint>
#include <memory>

class CQueue;
struct TransferContext; // shared by the UI side and the worker (link/transfer_context.h)

class CTransfer : public CCmdTarget {
public:
    explicit CTransfer(CLinkHost& host);
    // Stops the worker and waits for its end.
    ~CTransfer() override;

    // Where decoded device frames go; set once by the owner of both.
    void SetQueue(CQueue* queue) { m_queue = queue; }

    // 0 and nothing done while a worker runs; otherwise starts one and gives 1.
    int StartWorker(int portNumber, int baudRate);
    // Raises the stop flag and wakes the worker; gives 1.
    int StopWorker();
    // 0 when no worker ran; otherwise joins it, clears the running flag and gives 1.
    int WaitWorkerEnd();
    // Queues a record for sending; 0 (record dropped) while no worker runs.
    int PutToSend(const t_transfer_data& record);
    // Leaves only the operations that need no link usable (the host's buttons).
    void DisableDeviceButtons();
    // True between the link's coming up (port open) and its going down.
    bool IsConnected() const { return m_connected; }
    // Loop turns of the worker so far (all workers of this link together): an idle
    // connected link adds none.
    std::uint64_t WorkerWakeups() const;
    // What the receiver made of the line since the last "Połącz".
    t_line_counters LineCounters() const;

    const AFX_MSGMAP* GetMessageMap() const override;

    void OnLinkData();
    void OnConnect();
    void OnDisconnect();

private:
    void ShowOpening();
    void ShowConnected();
    void ShowDisconnected(const t_link_end& end);

    std::unique_ptr<TransferContext> m_context;
    CLinkHost& m_host;
    CQueue* m_queue = nullptr;
    bool m_connected = false;
};
