#include "res/templates.h"

void RegisterMainTemplates() {}
