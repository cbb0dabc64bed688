// The console: appending, the 200-line clear and the scroll to the newest lines.
#include "app/lw_dlg.h"
#include "framework/afx.h"
#include "framework/testing/test_seams.h"
#include "res/resource.h"
#include "tests/support/terminal_harness.h"

#include <gtest/gtest.h>

namespace {

t_harness_options NoLink() {
    t_harness_options options;
    options.startSimulator = false;
    return options;
}

std::string Numbered(int first, int last) {
    std::string text;
    for (int i = first; i <= last; ++i) {
        if (i != first) {
            text += "\r\n";
        }
        text += std::to_string(i);
    }
    return text;
}

CEdit& Console(CLWDlg& dlg) {
    return *static_cast<CEdit*>(dlg.GetDlgItem(IDC_CONSOLE));
}

void ClearConsole(CLWDlg& dlg) {
    afx::testing::SetControlText(dlg, IDC_CONSOLE, "");
}

TEST(Console, NewLineZeroContinuesTheLastLineAndStartsAnEmptyConsole) {
    TerminalHarness harness(NoLink());
    harness.Run([](CLWDlg& dlg) {
        ClearConsole(dlg);
        dlg.ConsoleWrite("Wersja", 0);
        EXPECT_EQ(TerminalHarness::ConsoleText(dlg), "Wersja");
        dlg.ConsoleWrite(" 1.2", 0);
        EXPECT_EQ(TerminalHarness::ConsoleText(dlg), "Wersja 1.2");
        dlg.ConsoleWrite("Połączono", 1);
        EXPECT_EQ(TerminalHarness::ConsoleText(dlg), "Wersja 1.2\r\nPołączono");

        ClearConsole(dlg);
        dlg.ConsoleWrite("Połączono", 1);
        EXPECT_EQ(TerminalHarness::ConsoleText(dlg), "\r\nPołączono");
    });
}

TEST(Console, ClearsToClrScreenOnlyOnceItHoldsMoreThanTwoHundredLines) {
    TerminalHarness harness(NoLink());
    harness.Run([](CLWDlg& dlg) {
        afx::testing::SetControlText(dlg, IDC_CONSOLE, Numbered(1, 200));
        dlg.ConsoleWrite("201", 1);
        EXPECT_EQ(Console(dlg).GetLineCount(), 201);
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).back(), "201");

        dlg.ConsoleWrite("202", 1);
        EXPECT_EQ(TerminalHarness::ConsoleText(dlg), "Clr screen\r\n202");
    });
}

TEST(Console, LineBreaksInsideATextCountTowardsTheLimit) {
    TerminalHarness harness(NoLink());
    harness.Run([](CLWDlg& dlg) {
        afx::testing::SetControlText(dlg, IDC_CONSOLE, Numbered(1, 195));
        dlg.ConsoleWrite(Numbered(196, 201), 1); // six lines in one text
        EXPECT_EQ(Console(dlg).GetLineCount(), 201);
        dlg.ConsoleWrite("a\r\nb", 0);
        EXPECT_EQ(TerminalHarness::ConsoleText(dlg), "Clr screena\r\nb");
    });
}

TEST(Console, ShowsTheLastSixLinesAtTheTop) {
    TerminalHarness harness(NoLink());
    harness.Run([](CLWDlg& dlg) {
        ClearConsole(dlg);
        dlg.ConsoleWrite("1", 0);
        for (int i = 2; i <= 5; ++i) {
            dlg.ConsoleWrite(std::to_string(i), 1);
        }
        EXPECT_EQ(Console(dlg).GetFirstVisibleLine(), 0);
        for (int i = 6; i <= 40; ++i) {
            dlg.ConsoleWrite(std::to_string(i), 1);
            EXPECT_EQ(Console(dlg).GetFirstVisibleLine(), i > 6 ? i - 6 : 0) << i;
        }
    });
}

} // namespace
