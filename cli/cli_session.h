#pragma once
// CCliSession: the device session of re2-device. It owns the link and the request queue on
// a poll-loop host, and runs the loop until each exchange or block transfer has ended, so
// a command reads as a straight sequence of steps. What the window shows in boxes goes to
// standard error as errors naming the port, what it writes to its console as notices
// (cli/cli_report.h); questions get the answer the command chose beforehand.
//
// A termination signal ends the loop at once: the call under way fails, Interrupted()
// tells why, and nothing more is said to the user. Closing the session (or its end) stops
// the worker, which gives the port back as it found it.

#include "cli/cli_port.h"
#include "cli/cli_report.h"
#include "cli/shell_session.h"
#include "device/device_session.h"
#include "link/link_stack.h"
#include "link/poll_host.h"
#include "link/protocol.h"
#include "link/transfer_data.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct t_cli_link {
    t_cli_port port;
    int baudRate = 0;
    int deviceAddress = 0;
    std::string linkDirectory; // where "COMn" links are looked up, ending in '/'
    int portWaitMs = 0;        // how long a port that went away is waited for
};

class CCliSession : public CDeviceSession, public CShellSession {
public:
    CCliSession(CPollHost& host, const t_cli_link& link, CCliReport& report);
    ~CCliSession() override;
    CCliSession(const CCliSession&) = delete;
    CCliSession& operator=(const CCliSession&) = delete;

    // Opens the port and waits until the link is up. False, with the window's reason as an
    // error (nothing on a signal), when it could not be opened.
    bool Connect();
    // The window's line report ("Łącze: ramki: ...") as a notice, when the line lost or
    // damaged anything or requests were asked again.
    void TellLineReport() const;
    // Stops the worker and waits for its end; the port is handed back. Idempotent.
    void Close();
    // The link's parts and how its line went (LineReport).
    const CLinkStack& Link() const { return *m_stack; }
    // True when the link went down after it was up (a cut cable, a vanished adapter).
    bool LinkLost() const { return m_lost; }
    // The trace of the line; it ends with Close.
    CLinkTrace& Trace() { return m_stack->Trace(); }

    // The folder ReadoutPartFolder gives.
    void SetReadoutPartFolder(const t_readout_part_folder& folder) { m_partFolder = folder; }

    // ---- CShellSession ----
    bool Interrupted() const override { return m_host.Signal() != 0; }
    void HoldSignals(bool hold) override { m_host.HoldSignals(hold); }
    bool SignalHeld() const override { return m_host.HeldSignal() != 0; }
    std::uint32_t Retries() const override { return m_stack->Queue().Retries(); }
    void SetProgress(ProgressFunction progress) override { m_progress = std::move(progress); }
    void SetAnswer(bool yes) override { m_answer = yes; }
    bool Pause(int ms) override;
    std::string PortNotice() const override;

    // ---- CDeviceSession ----
    int DeviceAddress() const override { return m_link.deviceAddress; }
    void ConsoleWrite(const std::string& text, int newLine) override;
    // A notice, unless a signal is ending the program.
    void Notice(const std::string& text) override;
    const t_transfer_data* Exchange(int command, const std::uint8_t* data, int length) override;
    void SendWithoutReply(int command) override;
    bool ReadBlock(int blockId, std::uint8_t* buffer) override;
    // A port that goes away stops the read, which waits for it (saying so on the error
    // stream) and gives false; PortCameBack then tells whether it is back.
    bool ReadBlockFrom(int blockId, std::uint32_t held, std::uint8_t* buffer,
                       const ChunkFunction& onChunk) override;
    bool PortCameBack() override { return m_portCameBack; }
    bool ReadChunkList(int blockId, const std::uint8_t* source, CChunkSource& list,
                       std::uint8_t* buffer) override;
    bool ReadBlockQuietly(int blockId, std::uint8_t* buffer) override;
    bool WriteBlock(int blockId, const std::uint8_t* bytes) override;
    std::uint8_t* MemoryImage() override { return m_image.data(); }
    const std::string& ImageSource() const override { return m_imageSource; }
    void SetImageSource(const std::string& source) override { m_imageSource = source; }
    t_readout_part_folder ReadoutPartFolder() const override { return m_partFolder; }
    bool AskYesNo(const std::string& question) override;
    // An error naming the port, unless a signal is ending the program.
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    CWnd* ParentWindow() override { return nullptr; }

private:
    // Runs the walk set in the link's driver to its end; true when it completed. onChunk sees the
    // bytes as they arrive; told: a failure is told on the error stream. resumable: a port
    // that goes away stops the walk at once and is waited for.
    bool RunTransfer(const ChunkFunction& onChunk, bool told, bool resumable = false);
    // Reads the whole block into buffer (left as it was on a failure).
    bool ReadWhole(int blockId, std::uint8_t* buffer, bool told);
    // The window's reason for a port that could not be used, as an error.
    void TellPortFailure(const t_port_failure& failure);

    CPollHost& m_host;
    t_cli_link m_link;
    CCliReport& m_report;
    CPortNotices m_notices;
    std::unique_ptr<CLinkStack> m_stack;
    bool m_up = false;
    bool m_down = false;
    bool m_lost = false;
    bool m_awaitingPort = false;
    bool m_portCameBack = false;
    t_link_end m_end;

    bool m_transferEnded = false;
    ProgressFunction m_progress;

    t_transfer_data m_reply{};
    std::vector<std::uint8_t> m_image;
    std::string m_imageSource;
    t_readout_part_folder m_partFolder;
    bool m_answer = false;
};
