// "Statystyka" of the main window.
#include "app/lw_dlg.h"
#include "device/device_exchange.h"
#include "device/dlg_statystyka.h"
#include "link/protocol.h"

void CLWDlg::OnStatistics() {
    ConsoleWrite("Odczyt statystyki", 1);
    const t_transfer_data* reply = ExchangeWithDevice(*this, protocol::kCmdReadStatistics);
    CDlgStatystyka statistics(this);
    // A reply shorter than the record is no answer: nothing past its data is read, and
    // nothing is written back.
    if (reply == nullptr ||
        !ParseStatistics(reply->data, ReplyDataLength(*reply), statistics.m_record)) {
        ShowNoAnswer();
        return;
    }
    if (statistics.DoModal() != IDOK) {
        return;
    }
    ConsoleWrite("Zapis statystyki", 1);
    if (ExchangeWithDevice(*this, protocol::kCmdWriteStatistics, statistics.m_record.Data(),
                           static_cast<int>(t_statistics_record::kSize)) == nullptr) {
        ShowNoAnswer();
    }
}
