#include "app/lw_dlg.h"

#include <vector>

void CLWDlg::AddTimer(CCmdTarget* context, TimerCallback callback, int delayMs, int arg) {
    const UINT id = m_nextTimerId++;
    m_timers[id] = t_timer_struct{callback, context, arg};
    if (SetTimer(id, static_cast<UINT>(delayMs < 0 ? 0 : delayMs)) == 0) {
        // No window to run it: the call could never happen.
        m_timers.erase(id);
    }
}

void CLWDlg::RemoveTimers(CCmdTarget* context, TimerCallback callback, int arg) {
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        const t_timer_struct& entry = it->second;
        if (entry.context == context && entry.callback == callback && entry.arg == arg) {
            KillTimer(it->first);
            it = m_timers.erase(it);
        } else {
            ++it;
        }
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
    const t_timer_struct entry = it->second;
    if (entry.context != nullptr && entry.callback != nullptr) {
        const UINT outer = m_firingTimerId;
        m_firingTimerId = timerId;
        (entry.context->*entry.callback)(entry.arg);
        m_firingTimerId = outer;
    }
    // After the call: the callback may have armed new calls (new ids) or cancelled this
    // one already.
    m_timers.erase(timerId);
}
