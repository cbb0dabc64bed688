// "Przeglądy".
#include "device/device_operations.h"
#include "device/ui/dlg_przegl.h"
#include "device/ui/settings_block_editing.h"
#include "link/protocol.h"

void EditInspections(CDeviceSession& session) {
    EditSettingsBlock<CDlgPrzegl>(session, protocol::kBlockInspections, "Odczyt przeglądow",
                                  "Zapis przeglądów");
}
