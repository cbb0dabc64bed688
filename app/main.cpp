// The program's entry point and its one application object.
#include "app/lw_app.h"
#include "base/termination_signals.h"

CLWApp theApp;

int main(int argc, char** argv) {
    // First of all: every thread started from here on (Qt's, the link's) inherits the
    // blocked mask, so only the event loop takes these signals (app/termination_watch.h).
    termination_signals::Block();
    return afx::RunWinApp(argc, argv);
}
