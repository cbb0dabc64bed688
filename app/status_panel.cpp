#include "app/lw_dlg.h"

#include "device/live_status.h"
#include "link/queue.h"
#include "link/transfer.h"
#include "res/resource.h"

void CLWDlg::SetStatusIdle() {
    m_statusSpeed.SetWindowText(kStatusIdleText);
    m_statusInputs.SetWindowText("");
    m_statusOutputs.SetWindowText("");
    m_statusSupply.SetWindowText("");
}

void CLWDlg::PollStatus(int on) {
    if (on != 1) {
        m_pollSwitch = PollSwitch::Off;
        if (m_pollStep == PollStep::Armed) {
            m_pollStep = PollStep::Quiet;
        }
        CancelTimer(m_pollTimerId);
        SetStatusIdle();
        return;
    }
    m_pollSwitch = PollSwitch::On;
    // One poll chain only: while a request is out, its reply or time-out continues the
    // chain; while the next poll is armed, its timer does. The armed poll itself gets
    // through here when its timer fires.
    if (m_pollStep == PollStep::InFlight) {
        return;
    }
    if (m_pollStep == PollStep::Armed &&
        (m_firingTimerId == 0 || m_firingTimerId != m_pollTimerId)) {
        return;
    }
    m_pollStep = PollStep::Quiet;
    m_pollRequestId = SendRequest(DeviceAddress(), protocol::kTypeReply, protocol::kCmdLiveStatus,
                                  kLiveStatusRequest, static_cast<int>(kLiveStatusRequestSize),
                                  [this](const t_transfer_data* reply) { OnStatusReply(reply); });
    if (m_pollRequestId != 0) {
        m_pollStep = PollStep::InFlight;
    }
}

void CLWDlg::ShowStatus(const t_transfer_data* reply) {
    t_live_status status;
    // A reply too short to hold the record shows nothing rather than stale or foreign
    // bytes.
    if (reply == nullptr || !ParseLiveStatus(reply->data, reply->length, status)) {
        SetStatusIdle();
        return;
    }
    if (status.programmer) {
        m_statusSpeed.SetWindowText(kStatusProgrammerText);
        m_statusInputs.SetWindowText("");
        m_statusOutputs.SetWindowText("");
        m_statusSupply.SetWindowText("");
        if (CWnd* programmer = GetDlgItem(IDC_PROGRAMMER)) {
            programmer->EnableWindow(TRUE);
        }
        if (CWnd* position = GetDlgItem(IDC_SET_POSITION)) {
            position->EnableWindow(FALSE);
        }
        return;
    }
    m_statusSpeed.SetWindowText(FormatSpeedPosition(status.speed, status.position));
    m_statusInputs.SetWindowText(FormatInputs(status));
    m_statusOutputs.SetWindowText(FormatOutputs(status));
    m_statusSupply.SetWindowText(FormatSupply(status));
}

void CLWDlg::OnStatusReply(const t_transfer_data* reply) {
    const std::uint32_t delivery = m_link ? m_link->Queue().CurrentDelivery() : 0;
    // A late reply of a poll whose chain has already gone on by its time-out.
    if (delivery != 0 && delivery != m_pollRequestId) {
        return;
    }
    const bool ownChain = m_pollStep == PollStep::InFlight && delivery == m_pollRequestId;
    if (ownChain) {
        m_pollStep = PollStep::Quiet;
    }

    const bool linkUp = m_pollSwitch == PollSwitch::On && m_link && m_link->Link().IsConnected();
    if (!linkUp) {
        // The panel shows nothing while the link is down, whatever arrives late.
        SetStatusIdle();
        return;
    }
    ShowStatus(reply);

    if (ownChain) {
        m_pollTimerId = StartTimer(protocol::kStatusPollMs, [this] { PollStatus(1); });
        if (m_pollTimerId != 0) {
            m_pollStep = PollStep::Armed;
        }
    }
}
