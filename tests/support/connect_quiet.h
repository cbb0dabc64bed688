#pragma once
// Connecting the main window for tests that count their own requests.

#include "app/lw_dlg.h"
#include "framework/testing/test_seams.h"
#include "link/queue.h"
#include "tests/support/terminal_harness.h"

// Connects and stops the live status poll, so that the queue carries only the test's own
// requests. False when the link did not come up or the last poll did not end.
inline bool ConnectQuiet(TerminalHarness& h, CLWDlg& dlg) {
    if (!h.Connect(dlg)) {
        return false;
    }
    dlg.PollStatus(0);
    // The poll in flight ends by its reply.
    const bool idle = afx::testing::WaitUntil([&] { return !dlg.Queue().IsBusy(); }, 15000);
    afx::testing::ProcessEvents(50);
    return idle;
}
