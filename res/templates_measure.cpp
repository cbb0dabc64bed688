#include "res/templates.h"

void RegisterMeasureTemplates() {}
