#include "app/lw_dlg.h"

namespace {

// Past this many lines the console starts afresh; it bounds the cost of rewriting the
// whole text on every write.
constexpr int kConsoleMaxLines = 200;
// Lines that stay in view after a write: the newest ones, from the top of the box.
constexpr int kConsoleVisibleLines = 6;

} // namespace

void CLWDlg::ConsoleWrite(const std::string& text, int newLine) {
    if (!m_console.IsWindow()) {
        return;
    }
    if (m_console.GetLineCount() > kConsoleMaxLines) {
        m_console.SetWindowText("Clr screen");
    }
    std::string all = m_console.GetWindowText();
    if (newLine != 0) {
        all += "\r\n";
    }
    all += text;
    m_console.SetWindowText(all);

    const int lines = m_console.GetLineCount();
    const int top = lines > kConsoleVisibleLines ? lines - kConsoleVisibleLines : 0;
    // Scrolling is relative to where the view stands after the text was replaced.
    const int scroll = top - m_console.GetFirstVisibleLine();
    if (scroll != 0) {
        m_console.LineScroll(scroll);
    }
}
