// A pure unit of the link that reaches a window file: the layering check must refuse it.
#include "link/protocol.h"
#include "link/ui/dlg_request.h"
