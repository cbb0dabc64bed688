// "Przekaźniki".
#include "device/device_operations.h"
#include "device/ui/dlg_przek.h"
#include "device/ui/settings_block_editing.h"
#include "link/protocol.h"

void EditRelays(CDeviceSession& session) {
    EditSettingsBlock<CDlgPrzek>(session, protocol::kBlockRelays,
                                 "Odczyt konfiguracji przekaźników",
                                 "Zapis konfiguracji przekaźników");
}
