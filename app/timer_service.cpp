#include "app/lw_dlg.h"

HostTimerId CLWDlg::StartTimer(int delayMs, std::function<void()> callback) {
    const UINT id = m_nextTimerId++;
    m_timers[id] = std::move(callback);
    if (SetTimer(id, static_cast<UINT>(delayMs < 0 ? 0 : delayMs)) == 0) {
        // No window to run it: the call could never happen.
        m_timers.erase(id);
        return 0;
    }
    return id;
}

void CLWDlg::CancelTimer(HostTimerId id) {
    if (m_timers.erase(id) != 0) {
        KillTimer(id);
    }
}

void CLWDlg::OnTimer(UINT_PTR id) {
    CDialog::OnTimer(id);
    const UINT timerId = static_cast<UINT>(id);
    KillTimer(timerId); // every call runs once
    const auto it = m_timers.find(timerId);
    if (it == m_timers.end()) {
        return; // cancelled after the system had queued the message
    }
    const std::function<void()> call = it->second;
    if (call) {
        const UINT outer = m_firingTimerId;
        m_firingTimerId = timerId;
        call();
        m_firingTimerId = outer;
    }
    // After the call: the callback may have armed new calls (new ids) or cancelled this
    // one already.
    m_timers.erase(timerId);
}
