#include "res/templates.h"

void RegisterDeviceTemplates() {}
