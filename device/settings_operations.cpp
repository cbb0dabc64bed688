// "Konfiguracja" and "Programator" of the main window.
#include "app/lw_dlg.h"
#include "device/device_exchange.h"
#include "device/dlg_dane_bazowe.h"
#include "device/dlg_dane_czytnika.h"
#include "link/protocol.h"

void CLWDlg::OnConfiguration() {
    EditSettingsBlock<CDlgDaneBazowe>(*this, protocol::kBlockConfiguration, "Odczyt konfiguracji",
                                      "Zapis konfiguracji");
}

void CLWDlg::OnProgrammer() {
    EditSettingsBlock<CDlgDaneCzytnika>(*this, protocol::kBlockProgrammer,
                                        "Odczyt konfiguracji programatora",
                                        "Zapis onfiguracji programatora");
}
