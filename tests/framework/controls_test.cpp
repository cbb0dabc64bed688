#include "test_dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace afx::testing;
using namespace fwtest;

namespace {

class MyList : public CListCtrl {
public:
    std::vector<int> rows;
    void OnLButtonDblClk(UINT, CPoint) {
        CPoint p;
        GetCursorPos(&p);
        ScreenToClient(&p);
        rows.push_back(HitTest(p));
    }
    const AFX_MSGMAP* GetMessageMap() const override {
        static const AFX_MSGMAP map = AFX_MSGMAP::Of<MyList>(
            CListCtrl::GetThisMessageMap(), {
                                                OnLButtonDblClkEntry(&MyList::OnLButtonDblClk),
                                            });
        return &map;
    }
};

class ListDialog : public CDialog {
public:
    ListDialog() : CDialog(kListDialog) {}
    MyList list;
    CListCtrl sorted;
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, IDC_LIST, list);
        DDX_Control(pDX, IDC_SORTED, sorted);
    }
};

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestTemplates();
        ClearModalHooks();
    }
};

TEST_F(ControlsTest, SortedListKeepsRowsDescendingAndReportsWhereEachWent) {
    ListDialog dlg;
    AddModalHook(kListDialog, [&](CDialog& d) {
        dlg.sorted.InsertColumn(0, "Plik", LVCFMT_LEFT, 130);
        EXPECT_EQ(dlg.sorted.InsertItem(0, "2009-05-01"), 0);
        EXPECT_EQ(dlg.sorted.InsertItem(0, "2009-01-01"), 1);
        EXPECT_EQ(dlg.sorted.InsertItem(5, "2010-01-01"), 0);
        EXPECT_EQ(dlg.sorted.InsertItem(1, "2009-03-01"), 2);
        dlg.sorted.SetItemText(2, 0, "2009-03-02");
        std::vector<std::string> rows;
        for (int r = 0; r < ListRowCount(d, IDC_SORTED); ++r)
            rows.push_back(ListRowText(d, IDC_SORTED, r));
        EXPECT_EQ(rows, (std::vector<std::string>{"2010-01-01", "2009-05-01", "2009-03-02",
                                                  "2009-01-01"}));
        // An unsorted list inserts where asked.
        dlg.list.InsertColumn(0, "min - max [m]", LVCFMT_CENTER, 130);
        EXPECT_EQ(dlg.list.InsertItem(0, "b"), 0);
        EXPECT_EQ(dlg.list.InsertItem(0, "a"), 0);
        EXPECT_EQ(dlg.list.InsertItem(9, "c"), 2);
        EXPECT_EQ(dlg.list.GetItemText(0, 0), "a");
        EXPECT_TRUE(dlg.list.DeleteAllItems());
        EXPECT_EQ(dlg.list.GetItemCount(), 0);
        d.EndDialog(IDOK);
    });
    dlg.DoModal();
}

TEST_F(ControlsTest, DoubleClickReachesTheListsOwnMapWithTheRowUnderTheMouse) {
    ListDialog dlg;
    AddModalHook(kListDialog, [&](CDialog& d) {
        dlg.list.InsertColumn(0, "min - max [m]", LVCFMT_CENTER, 130);
        for (int k = 0; k < 8; ++k)
            dlg.list.InsertItem(k, std::to_string(k) + " - " + std::to_string(k));
        ProcessEvents(10);
        DoubleClickListRow(d, IDC_LIST, 0);
        DoubleClickListRow(d, IDC_LIST, 5);
        CRect rect = ControlRect(d, IDC_LIST);
        DoubleClickListAt(d, IDC_LIST, CPoint(40, rect.Height() - 6)); // below the last row
        // Header: no row.
        EXPECT_EQ(dlg.list.HitTest(CPoint(40, 5)), -1);
        EXPECT_EQ(dlg.list.HitTest(CPoint(40, rect.Height() - 6)), -1);
        d.EndDialog(IDOK);
    });
    dlg.DoModal();
    EXPECT_EQ(dlg.list.rows, (std::vector<int>{0, 5, -1}));
}

class ChartDialog : public CDialog {
public:
    ChartDialog() : CDialog(kChartLike) {}
    CSliderCtrl cursor;
    CSliderCtrl run;
    int cursorDraws = 0;
    int runDraws = 0;
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, IDC_SLIDER_B, run);
        DDX_Control(pDX, IDC_SLIDER_A, cursor);
    }
    void OnCursorDraw(NMHDR* hdr, LRESULT* result) {
        EXPECT_EQ(hdr->code, NM_CUSTOMDRAW);
        EXPECT_EQ(hdr->idFrom, static_cast<UINT_PTR>(IDC_SLIDER_A));
        *result = 0;
        ++cursorDraws;
    }
    void OnRunDraw(NMHDR*, LRESULT* result) {
        *result = 0;
        ++runDraws;
    }
    const AFX_MSGMAP* GetMessageMap() const override {
        static const AFX_MSGMAP map = AFX_MSGMAP::Of<ChartDialog>(
            CDialog::GetThisMessageMap(),
            {
                OnNotifyEntry(NM_CUSTOMDRAW, IDC_SLIDER_A, &ChartDialog::OnCursorDraw),
                OnNotifyEntry(NM_CUSTOMDRAW, IDC_SLIDER_B, &ChartDialog::OnRunDraw),
            });
        return &map;
    }
};

TEST_F(ControlsTest, TrackbarNotifiesOnEveryPaintButNotWhenTheMouseOnlyPassesOver) {
    ChartDialog dlg;
    AddModalHook(kChartLike, [&](CDialog& d) {
        ProcessEvents(50);
        EXPECT_GT(dlg.cursorDraws, 0) << "shown: painted";
        dlg.cursor.SetRange(0, -1, TRUE);
        EXPECT_EQ(dlg.cursor.GetRangeMin(), 0);
        EXPECT_EQ(dlg.cursor.GetRangeMax(), -1);
        dlg.cursor.SetPos(0);
        EXPECT_EQ(dlg.cursor.GetPos(), 0);
        dlg.cursor.SetRange(0, 615, TRUE);
        dlg.cursor.SetPos(900);
        EXPECT_EQ(dlg.cursor.GetPos(), 615);

        ProcessEvents(50);
        int before = dlg.cursorDraws;
        const int runBefore = dlg.runDraws;
        HoverOver(d, IDC_SLIDER_A, CPoint(30, 5));
        HoverOver(d, IDC_SLIDER_A, CPoint(300, 5));
        ProcessEvents(150);
        EXPECT_EQ(dlg.cursorDraws, before) << "hover must not repaint";

        SetSliderPos(d, IDC_SLIDER_A, 100);
        EXPECT_TRUE(WaitUntil([&] { return dlg.cursorDraws > before; }, 1000));
        EXPECT_EQ(dlg.cursor.GetPos(), 100);
        EXPECT_EQ(dlg.runDraws, runBefore) << "the other trackbar stays untouched";

        before = dlg.cursorDraws;
        dlg.cursor.SetPos(100); // same position: still repainted
        EXPECT_TRUE(WaitUntil([&] { return dlg.cursorDraws > before; }, 1000));
        d.EndDialog(IDCANCEL);
    });
    dlg.DoModal();
}

class ProgressDialog : public CDialog {
public:
    ProgressDialog() : CDialog(kProgress) {}
    CProgressCtrl bar;
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_PROGRESS, bar); }
};

TEST_F(ControlsTest, ProgressBarStepsByTheStepAndReachesTheEndExactly) {
    ProgressDialog dlg;
    AddModalHook(kProgress, [&](CDialog& d) {
        dlg.bar.SendMessage(PBM_SETRANGE32, 0, 140);
        dlg.bar.SendMessage(PBM_SETPOS, 0);
        int remaining = 140;
        while (remaining > 0) {
            const int n = std::min(remaining, 57);
            dlg.bar.SendMessage(PBM_SETSTEP, static_cast<WPARAM>(n));
            dlg.bar.SendMessage(PBM_STEPIT);
            remaining -= n;
        }
        EXPECT_EQ(ProgressPos(d, IDC_PROGRESS), 140);
        int lo = -1, hi = -1;
        dlg.bar.GetRange(lo, hi);
        EXPECT_EQ(lo, 0);
        EXPECT_EQ(hi, 140);
        EXPECT_EQ(dlg.bar.SetPos(500), 140);
        EXPECT_EQ(dlg.bar.GetPos(), 140) << "kept within the range";
        dlg.bar.SetStep(10);
        dlg.bar.SetPos(135);
        EXPECT_EQ(dlg.bar.StepIt(), 135);
        EXPECT_EQ(dlg.bar.GetPos(), 5) << "past the end it starts over";
        d.EndDialog(IDOK);
    });
    dlg.DoModal();
}

TEST_F(ControlsTest, MultiLineEditRoundTripsCrLfAndCountsAndScrollsLines) {
    CDialog dlg(kMainLike);
    AddModalHook(kMainLike, [](CDialog& d) {
        auto* console = dynamic_cast<CEdit*>(d.GetDlgItem(IDC_CONSOLE));
        ASSERT_NE(console, nullptr);
        EXPECT_EQ(console->GetLineCount(), 1);
        std::string text = "Dovuzedu RE2 Dec  2 2009, wersja   1";
        for (int i = 0; i < 10; ++i)
            text += "\r\nline " + std::to_string(i);
        text += "\r\n";
        console->SetWindowText(text);
        EXPECT_EQ(console->GetWindowText(), text);
        EXPECT_EQ(console->GetLineCount(), 12);
        console->LineScroll(12 - 6);
        EXPECT_EQ(console->GetFirstVisibleLine(), 6);
        console->SetWindowText("Clr screen");
        EXPECT_EQ(console->GetLineCount(), 1);
        EXPECT_EQ(console->GetFirstVisibleLine(), 0);
        d.EndDialog(IDOK);
    });
    dlg.DoModal();
}

} // namespace
