#pragma once
// CLWDlg: the main window and the spine of the program. It owns, for the whole run, the
// settings record, the memory image, the timer map, the link, the request queue and the
// two reusable transfer dialogs; it holds the console and the live status panel, its
// buttons start every operation, and the link worker and the queue post their work to it.
// The link sees it only as its host (link/link_host.h); the device operations and the
// measurements see it only as their session (device/device_session.h).

#include "base/posted_work.h"
#include "base/settings_file.h"
#include "device/device_session.h"
#include "framework/afx.h"
#include "link/link_host.h"
#include "link/link_stack.h"
#include "link/protocol.h"
#include "link/reply_handler.h"
#include "link/transfer_data.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

class CDlgRequest;
class CDlgNVProgress;

class CLWDlg : public CDialog, public CLinkHost, public CDeviceSession {
public:
    explicit CLWDlg(CWnd* parent = nullptr);
    ~CLWDlg() override;

    // ---- Services for the rest of the program (UI thread) ----

    // Appends text to the console; newLine != 0 starts a new line first. "\r\n" inside
    // the text breaks lines. Past 200 lines the console is cleared to "Clr screen".
    void ConsoleWrite(const std::string& text, int newLine) override;

    // Live status: 1 sends one status request (unless a poll is already in flight or
    // armed); any other value shows the idle look and cancels the armed poll.
    void PollStatus(int on);
    void OnStatusReply(const t_transfer_data* reply);

    // Settings file config.cfg in the settings directory: 1 read / written, 0 not.
    int ReadSettings();
    int WriteSettings();
    SettingsRecord m_settings;
    int DeviceAddress() const override { return m_settings.deviceAddress; }

    // Timer service (app/timer_service.cpp): one-shot calls over the window's timers.
    HostTimerId StartTimer(int delayMs, std::function<void()> callback) override;
    void CancelTimer(HostTimerId id) override;

    // ---- The link's host (app/connection.cpp) ----
    // Queues the work and posts the window a command that runs it.
    void Post(std::function<void()> work) override;
    t_link_settings LinkSettings() const override;
    std::string LinkDirectory() const override;
    // Buttons while the link starts, once it is up, and once it is down; the status
    // poll follows the link; a failed open is told in a message box.
    void OnLinkStarting() override;
    void OnLinkUp() override;
    void OnLinkDown(const t_link_end& end) override;
    // While a port that went away is awaited the status poll pauses and only "Rozłącz" and
    // "Wyjście" stay usable; a recorder readout's box waits with it.
    void OnPortLost(const std::string& devicePath) override;
    void OnPortBack(const std::string& devicePath) override;
    // Only the operations that need no link stay usable.
    void DisableDeviceButtons();
    // How the last connection ended.
    const t_link_end& LastLinkEnd() const { return m_lastLinkEnd; }
    // The program is being ended from outside (a termination signal): the open modal
    // boxes end as cancelled (a block write in progress is not closed), nothing waiting in
    // the queue goes out, and the link is disconnected as "Rozłącz" does, its worker
    // joined: when this returns the port is released and its lock file removed. The
    // caller then ends the program.
    void EndFromOutside();
    std::size_t ArmedTimerCount() const { return m_timers.size(); }

    // ---- The trace of the line (app/link_trace_switch.cpp) ----
    // The system menu's entry: starts a trace into a new file named by its start time in
    // the parts' folder (the console names it), or ends the one running. The entry is
    // checked while a trace runs.
    void ToggleLinkTrace();
    // The file of the trace running, or of the last one; empty before the first.
    const std::string& LinkTracePath() const { return m_linkTracePath; }

    // The one way every part sends to the device: forwards to the request queue and
    // gives the request's number (0 when refused).
    std::uint32_t SendRequest(int deviceAddress, int messageType, int command,
                              const std::uint8_t* data, int length, ReplyHandler handler);

    // ---- The device operations' session (app/device_session.cpp) ----
    // The exchange and the block transfer run behind the two transfer dialogs; the
    // question and the message are message boxes; editors open over this window.
    const t_transfer_data* Exchange(int command, const std::uint8_t* data, int length) override;
    void SendWithoutReply(int command) override;
    bool ReadBlock(int blockId, std::uint8_t* buffer) override;
    bool ReadBlockFrom(int blockId, std::uint32_t held, std::uint8_t* buffer,
                       const ChunkFunction& onChunk) override;
    bool ReadChunkList(int blockId, const std::uint8_t* source, CChunkSource& list,
                       std::uint8_t* buffer) override;
    bool ReadBlockQuietly(int blockId, std::uint8_t* buffer) override;
    bool WriteBlock(int blockId, const std::uint8_t* bytes) override;
    bool PortCameBack() override { return m_portCameBack; }
    std::uint8_t* MemoryImage() override { return m_memoryImage; }
    const std::string& ImageSource() const override { return m_imageSource; }
    void SetImageSource(const std::string& source) override { m_imageSource = source; }
    t_readout_part_folder ReadoutPartFolder() const override;
    // Keeps the parts of cut readouts in folder instead of the one this process would
    // choose (tests: a state folder in another user's home).
    void SetReadoutPartFolder(const t_readout_part_folder& folder) { m_partFolder = folder; }
    bool AskYesNo(const std::string& question) override;
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    CWnd* ParentWindow() override { return this; }

    const std::string& ProgramDirectory() const { return m_programDirectory; }
    // Where config.cfg and the COMn links live (see base/settings_folder.h), ending in '/'.
    const std::string& SettingsDirectory() const { return m_settingsDirectory; }
    const std::string& Banner() const { return m_banner; }
    CTransfer& Transfer() { return m_link->Link(); }
    CQueue& Queue() { return m_link->Queue(); }
    CLinkStack& LinkStack() { return *m_link; }
    CDlgRequest& RequestDialog() { return *m_dlgRequest; }
    CDlgNVProgress& ProgressDialog() { return *m_dlgNVProgress; }

    const AFX_MSGMAP* GetMessageMap() const override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    // ---- Window messages ----
    void OnSysCommand(UINT command, LPARAM param);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnDestroy();
    void OnTimer(UINT_PTR id);

    // Runs the oldest posted work (ID_HOST_WORK, one for each Post).
    void OnHostWork();

    // ---- Buttons ----
    void OnConnect();
    void OnDisconnect();
    void OnPort();
    // Makes COM<portNumber> of the settings folder lead to target, saying so (or why not)
    // on the console.
    void PointComPort(int portNumber, const std::string& target);
    // Each runs its operation of device/ or measure/ with this window as the session
    // (app/operation_buttons.cpp).
    void OnVersions();
    void OnSetClock();
    void OnSetPosition();
    void OnReset();
    void OnStatistics();
    void OnConfiguration();
    void OnProgrammer();
    void OnInspections();
    void OnRelays();
    void OnReadRecorder();
    void OnLoadFile();
    void OnSaveFile();
    void OnPositionChart();
    void OnSpeedChart();

private:
    void SetStatusIdle();
    // The system menu's check mark follows the trace.
    void ShowLinkTraceState();
    void EnableButton(int id, BOOL enable);
    void ShowStatus(const t_transfer_data* reply);
    // Stops and joins the link worker, then deletes the link, the queue and the two
    // transfer dialogs, in this order.
    void DeleteOwnedObjects();

    // Members in the order of the design.
    std::string m_banner;
    CFont m_statusFont;
    std::uint8_t m_memoryImage[protocol::kRecorderSize];
    std::string m_imageSource;
    CEdit m_console;
    CEdit m_statusSpeed;
    CEdit m_statusInputs;
    CEdit m_statusOutputs;
    CEdit m_statusSupply;
    std::optional<t_readout_part_folder> m_partFolder;
    std::string m_programDirectory;
    std::string m_settingsDirectory;
    std::unique_ptr<CLinkStack> m_link;
    bool m_portCameBack = false; // the last recorder read stopped for a port now back
    CDlgRequest* m_dlgRequest = nullptr;
    CDlgNVProgress* m_dlgNVProgress = nullptr;
    HICON m_hIcon = nullptr;
    std::unordered_map<UINT, std::function<void()>> m_timers;
    UINT m_nextTimerId = 1;
    CPostedWork m_posted; // Post may come from the link worker
    // Polling is switched on by the link's coming up and off by its going down.
    enum class PollSwitch { Off, On };
    // Where the one poll chain stands: nothing out, a status request waiting for its
    // reply or time-out, or the next poll waiting for its timer.
    enum class PollStep { Quiet, InFlight, Armed };
    PollSwitch m_pollSwitch = PollSwitch::Off;
    PollStep m_pollStep = PollStep::Quiet;
    std::uint32_t m_pollRequestId = 0; // queue number of the status request in flight
    HostTimerId m_pollTimerId = 0;     // timer id of the armed poll
    UINT m_firingTimerId = 0;          // timer whose call runs now; 0 outside OnTimer
    t_link_end m_lastLinkEnd;
    std::string m_linkTracePath;
};
