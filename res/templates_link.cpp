#include "res/templates.h"

void RegisterLinkTemplates() {}
