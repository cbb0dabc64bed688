#include "res/templates.h"

void RegisterProgramTemplates() {
    RegisterMainTemplates();
    RegisterLinkTemplates();
    RegisterDeviceTemplates();
    RegisterMeasureTemplates();
}
