// "Przekaźniki" of the main window.
#include "app/lw_dlg.h"
#include "device/device_exchange.h"
#include "device/dlg_przek.h"
#include "link/protocol.h"

void CLWDlg::OnRelays() {
    EditSettingsBlock<CDlgPrzek>(*this, protocol::kBlockRelays, "Odczyt konfiguracji przekaźników",
                                 "Zapis konfiguracji przekaźników");
}
