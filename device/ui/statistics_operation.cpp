// "Statystyka": the statistics record through its editor.
#include "device/device_exchange.h"
#include "device/device_operations.h"
#include "device/device_session.h"
#include "device/statistics_record.h"
#include "device/ui/dlg_statystyka.h"
#include "link/protocol.h"
#include "link/transfer_data.h"

void EditStatistics(CDeviceSession& session) {
    session.ConsoleWrite("Odczyt statystyki", 1);
    const t_transfer_data* reply = session.Exchange(protocol::kCmdReadStatistics, nullptr, 0);
    CDlgStatystyka statistics(session.ParentWindow());
    // A reply shorter than the record is no answer: nothing past its data is read, and
    // nothing is written back.
    if (reply == nullptr ||
        !ParseStatistics(reply->data, ReplyDataLength(*reply), statistics.m_record)) {
        ShowNoAnswer(session);
        return;
    }
    if (statistics.DoModal() != IDOK) {
        return;
    }
    session.ConsoleWrite("Zapis statystyki", 1);
    if (session.Exchange(protocol::kCmdWriteStatistics, statistics.m_record.Data(),
                         static_cast<int>(t_statistics_record::kSize)) == nullptr) {
        ShowNoAnswer(session);
    }
}
