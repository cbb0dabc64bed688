// The one application object; the framework's main() runs it.
#include "app/lw_app.h"

CLWApp theApp;
