#pragma once
// End-to-end harness: the real main window, run modally as the program runs it, with its
// program directory in a fresh temporary folder that holds config.cfg and a COM1 link to
// an in-process simulator on a pseudo-terminal. The test body runs inside the main
// window's modal loop; message boxes are recorded and answered from a queue. Lock files go
// to a folder of the harness's own: what other programs and test runs on the machine
// leave in the system's lock folder (for a pseudo-terminal number they used before) is
// no business of the test.

#include "app/lw_dlg.h"
#include "framework/afx.h"
#include "framework/testing/test_seams.h"
#include "sim/pty_simulator.h"
#include "tests/support/temporary_directory.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct t_harness_options {
    t_pty_options sim; // linkDirectory and comPort are filled in by the harness
    bool startSimulator = true;
    bool writeConfig = true; // config.cfg with the three values below
    int portNumber = 1;
    int baudRate = 57600;
    int deviceAddress = 31;
};

class TerminalHarness {
public:
    explicit TerminalHarness(t_harness_options options = {});
    ~TerminalHarness();
    TerminalHarness(const TerminalHarness&) = delete;
    TerminalHarness& operator=(const TerminalHarness&) = delete;

    PtySimulator& Sim() { return *m_sim; }
    // The program directory, ending in '/'.
    const std::string& Directory() const { return m_directory; }
    std::string PathOf(const std::string& name) const { return m_directory + name; }

    // Creates a main window and runs it modally; body runs inside its loop. When the
    // body returns with the window still open, the harness ends it with Escape (and
    // answers the boxes that shutdown may show). Gives DoModal's result.
    INT_PTR Run(const std::function<void(CLWDlg&)>& body);

    // Every message box so far, oldest first.
    const std::vector<afx::testing::MessageBoxRecord>& Boxes() const { return m_boxes; }
    std::vector<std::string> BoxTexts() const;
    void ClearBoxes() { m_boxes.clear(); }
    // Answers for the next boxes, in order; when none is queued a box gets IDOK, or
    // IDYES when it asks Yes or No.
    void AnswerNext(int answer) { m_answers.push_back(answer); }

    // The console's text and its lines (split at "\r\n").
    static std::string ConsoleText(CLWDlg& dlg);
    static std::vector<std::string> ConsoleLines(CLWDlg& dlg);
    // Runs the event loop until a console line equals `line`.
    static bool WaitForConsoleLine(CLWDlg& dlg, const std::string& line, int timeoutMs = 5000);

    // Clicks "Połącz" and waits for "Połączono" and the first status request.
    bool Connect(CLWDlg& dlg, int timeoutMs = 15000);
    // Clicks "Rozłącz" and waits for "Połącz" to be enabled again.
    bool Disconnect(CLWDlg& dlg, int timeoutMs = 5000);

    // Requests of one command the simulator received so far (decoded records).
    std::vector<t_transfer_data> RequestsOf(std::uint8_t command);

private:
    t_harness_options m_options;
    TemporaryDirectory m_temporary{"re2-e2e-"};
    TemporaryDirectory m_lockFolder{"re2-e2e-locks-"};
    std::string m_directory;
    std::unique_ptr<PtySimulator> m_sim;
    std::vector<afx::testing::MessageBoxRecord> m_boxes;
    std::deque<int> m_answers;
};

// Counts console lines equal to `line`.
int CountLines(const std::vector<std::string>& lines, const std::string& line);
