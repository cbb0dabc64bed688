// "Konfiguracja" and "Programator".
#include "device/device_operations.h"
#include "device/ui/dlg_dane_bazowe.h"
#include "device/ui/dlg_dane_czytnika.h"
#include "device/ui/settings_block_editing.h"
#include "link/protocol.h"

void EditConfiguration(CDeviceSession& session) {
    EditSettingsBlock<CDlgDaneBazowe>(session, protocol::kBlockConfiguration, "Odczyt konfiguracji",
                                      "Zapis konfiguracji");
}

void EditProgrammer(CDeviceSession& session) {
    EditSettingsBlock<CDlgDaneCzytnika>(session, protocol::kBlockProgrammer,
                                        "Odczyt konfiguracji programatora",
                                        "Zapis onfiguracji programatora");
}
