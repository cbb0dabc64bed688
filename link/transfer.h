#pragma once
// CTransfer: the serial link. It owns the worker thread that opens the port, sends the
// frames the UI side queues, decodes what the device sends, and reports every decoded
// frame and every change of the link's state to the UI thread through posted
// WM_COMMAND 101. It handles "Połącz" and "Rozłącz" and switches the device buttons.

#include "framework/afx.h"
#include "link/transfer_data.h"

#include <cstdint>
#include <memory>

class CLWDlg;
struct TransferContext; // shared by the UI side and the worker (link/transfer_context.h)

class CTransfer : public CCmdTarget {
public:
    explicit CTransfer(CLWDlg* mainWindow);
    // Stops the worker and waits for its end.
    ~CTransfer() override;

    // 0 and nothing done while a worker runs; otherwise starts one and gives 1.
    int StartWorker(int portNumber, int baudRate);
    // Raises the stop flag and wakes the worker; gives 1.
    int StopWorker();
    // 0 when no worker ran; otherwise joins it, clears the running flag and gives 1.
    int WaitWorkerEnd();
    // Queues a record for sending; 0 (record dropped) while no worker runs.
    int PutToSend(const t_transfer_data& record);
    // Takes the oldest inbound record; 0 when there is none.
    int GetReceived(t_transfer_data& record);
    // Disables the eleven device buttons of the main window.
    void DisableDeviceButtons();
    // True between the link's coming up (port open) and its going down.
    bool IsConnected() const { return m_connected; }
    // Loop turns of the worker so far (all workers of this link together): an idle
    // connected link adds none.
    std::uint64_t WorkerWakeups() const;

    const AFX_MSGMAP* GetMessageMap() const override;

    void OnLinkData();
    void OnConnect();
    void OnDisconnect();

private:
    void ShowOpening();
    void ShowConnected();
    void ShowDisconnected(int exitCode);
    void EnableButton(int id, BOOL enable);

    std::unique_ptr<TransferContext> m_context;
    CLWDlg* m_mainWindow;
    bool m_connected = false;
};
