// "Przeglądy" of the main window.
#include "app/lw_dlg.h"
#include "device/device_exchange.h"
#include "device/dlg_przegl.h"
#include "link/protocol.h"

void CLWDlg::OnInspections() {
    EditSettingsBlock<CDlgPrzegl>(*this, protocol::kBlockInspections, "Odczyt przeglądow",
                                  "Zapis przeglądów");
}
