#include "test_dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace afx::testing;
using namespace fwtest;

namespace {

class TracingDialog : public CDialog {
public:
    explicit TracingDialog(int templ = kPlainDialog) : CDialog(templ) {}
    std::vector<std::string> log;
    bool endInInit = false;
    bool windowAliveInDestroy = false;
    std::string editInDestroy;

    BOOL OnInitDialog() override {
        log.push_back("init");
        CDialog::OnInitDialog();
        if (endInInit)
            EndDialog(77);
        return TRUE;
    }
    void OnOK() override {
        log.push_back("ok");
        CDialog::OnOK();
    }
    void OnCancel() override {
        log.push_back("cancel");
        CDialog::OnCancel();
    }
    void OnOther() { log.push_back("other"); }
    void OnDestroy() {
        log.push_back("destroy");
        windowAliveInDestroy = IsWindow() && GetDlgItem(IDC_EDIT) != nullptr;
        editInDestroy = GetDlgItemText(IDC_EDIT);
        CDialog::OnDestroy();
    }
    const AFX_MSGMAP* GetMessageMap() const override {
        static const AFX_MSGMAP map = AFX_MSGMAP::Of<TracingDialog>(
            CDialog::GetThisMessageMap(),
            {
                OnCommandEntry(IDC_OTHER, &TracingDialog::OnOther),
                OnCommandEntry(IDC_DISABLED_DEF, &TracingDialog::OnOther),
                OnMessageEntry(WM_DESTROY, &TracingDialog::OnDestroy),
            });
        return &map;
    }
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestTemplates();
        ClearModalHooks();
    }
    void TearDown() override {
        ClearModalHooks();
        SetMessageBoxAnswerer(nullptr);
    }
};

struct WayOut {
    const char* name;
    std::function<void(CDialog&)> act;
    int result;
    const char* handler;
};

TEST_F(DialogTest, EveryWayOutSendsDestroyWhileControlsExistAndBeforeDoModalReturns) {
    const std::vector<WayOut> ways = {
        {"ok button", [](CDialog& d) { ClickButton(d, IDOK); }, IDOK, "ok"},
        {"cancel button", [](CDialog& d) { ClickButton(d, IDCANCEL); }, IDCANCEL, "cancel"},
        {"escape", [](CDialog& d) { PressEscape(d); }, IDCANCEL, "cancel"},
        {"close box", [](CDialog& d) { ClickCloseBox(d); }, IDCANCEL, "cancel"},
        {"end from code", [](CDialog& d) { d.EndDialog(42); }, 42, nullptr},
    };
    for (const WayOut& way : ways) {
        SCOPED_TRACE(way.name);
        TracingDialog dlg;
        AddModalHook(kPlainDialog, [&](CDialog& d) {
            SetControlText(d, IDC_EDIT, "kept");
            way.act(d);
        });
        const INT_PTR result = dlg.DoModal();
        EXPECT_EQ(result, way.result);
        ASSERT_FALSE(dlg.log.empty());
        EXPECT_EQ(dlg.log.back(), "destroy");
        if (way.handler != nullptr) {
            EXPECT_EQ(dlg.log[dlg.log.size() - 2], way.handler);
        }
        EXPECT_TRUE(dlg.windowAliveInDestroy);
        EXPECT_EQ(dlg.editInDestroy, "kept");
        EXPECT_FALSE(dlg.IsWindow());
    }
}

TEST_F(DialogTest, OneDialogObjectCanBeShownTwice) {
    TracingDialog dlg;
    AddModalHook(kPlainDialog, [](CDialog& d) { ClickButton(d, IDCANCEL); });
    AddModalHook(kPlainDialog, [](CDialog& d) { ClickButton(d, IDOK); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.log,
              (std::vector<std::string>{"init", "cancel", "destroy", "init", "ok", "destroy"}));
}

TEST_F(DialogTest, EndDialogInsideOnInitDialogEndsDoModalAtOnce) {
    TracingDialog dlg;
    dlg.endInInit = true;
    bool hookRan = false;
    AddModalHook(kPlainDialog, [&](CDialog&) { hookRan = true; });
    EXPECT_EQ(dlg.DoModal(), 77);
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "destroy"}));
    EXPECT_FALSE(hookRan);
    ClearModalHooks();
}

TEST_F(DialogTest, EndDialogOnADialogNotShownIsNotRemembered) {
    TracingDialog dlg;
    dlg.EndDialog(IDOK); // no window: nothing happens
    bool shown = false;
    AddModalHook(kPlainDialog, [&](CDialog& d) {
        shown = d.IsWindowVisible() && d.IsModalLoopRunning();
        d.EndDialog(5);
    });
    EXPECT_EQ(dlg.DoModal(), 5);
    EXPECT_TRUE(shown);
}

TEST_F(DialogTest, EnterClicksTheFocusedEnabledPushButton) {
    TracingDialog dlg;
    AddModalHook(kPlainDialog, [](CDialog& d) {
        SetFocusTo(d, IDC_OTHER);
        PressEnter(d);
        SetFocusTo(d, IDCANCEL);
        PressEnter(d);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "other", "cancel", "destroy"}));
}

TEST_F(DialogTest, EnterInAnEditSendsTheDefaultButtonAndReadOnlyConsolePassesItOn) {
    TracingDialog dlg;
    AddModalHook(kPlainDialog, [](CDialog& d) {
        SetFocusTo(d, IDC_CONSOLE);
        PressEnter(d);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    TracingDialog again;
    AddModalHook(kPlainDialog, [](CDialog& d) {
        SetFocusTo(d, IDC_EDIT);
        PressEnter(d);
    });
    EXPECT_EQ(again.DoModal(), IDOK);
}

TEST_F(DialogTest, EnterDoesNothingWhenTheDefaultButtonIsDisabled) {
    TracingDialog dlg(kMainLike);
    AddModalHook(kMainLike, [](CDialog& d) {
        SetFocusTo(d, IDC_CONSOLE);
        PressEnter(d);
        ProcessEvents(20);
        EXPECT_TRUE(d.IsModalLoopRunning());
        d.EndDialog(9);
    });
    EXPECT_EQ(dlg.DoModal(), 9);
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "destroy"}));
}

TEST_F(DialogTest, EnterInADialogWithoutButtonsSendsIdOkAndEscapeCancels) {
    TracingDialog dlg(kNoButtons);
    AddModalHook(kNoButtons, [](CDialog& d) { PressEnter(d); });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    AddModalHook(kNoButtons, [](CDialog& d) { PressEscape(d); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, CloseEventOfADialogWithoutCloseBoxIsIgnored) {
    TracingDialog dlg(kMainLike);
    AddModalHook(kMainLike, [](CDialog& d) {
        ClickCloseBox(d);
        ProcessEvents(10);
        EXPECT_TRUE(d.IsModalLoopRunning());
        PressEscape(d); // Escape still ends it
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, DisabledButtonIgnoresClicks) {
    TracingDialog dlg(kMainLike);
    AddModalHook(kMainLike, [](CDialog& d) {
        ClickButton(d, IDC_DISABLED_DEF);
        d.GetDlgItem(IDC_DISABLED_DEF)->EnableWindow(TRUE);
        ClickButton(d, IDC_DISABLED_DEF);
        ClickButton(d, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "other", "ok", "destroy"}));
}

TEST_F(DialogTest, DialogUnitsBecomePixelsRoundedLikeMulDiv) {
    EXPECT_EQ(afx::DialogUnitsToPixelsX(316), 474);
    EXPECT_EQ(afx::DialogUnitsToPixelsY(273), 444); // 443.625
    EXPECT_EQ(afx::DialogUnitsToPixelsX(5), 8);     // 7.5 rounds up
    EXPECT_EQ(afx::DialogUnitsToPixelsY(5), 8);     // 8.125
    EXPECT_EQ(afx::DialogUnitsToPixelsY(14), 23);   // 22.75
    EXPECT_EQ(afx::DialogUnitsToPixelsX(-5), -8);   // half away from zero
    TracingDialog dlg(kMainLike);
    AddModalHook(kMainLike, [](CDialog& d) {
        EXPECT_EQ(ClientSize(d), CSize(474, 444));
        CRect client;
        d.GetClientRect(&client);
        EXPECT_EQ(client, CRect(0, 0, 474, 444));
        // console 5, 5, 307 x 65; button 162, 247, 70 x 14
        EXPECT_EQ(ControlRect(d, IDC_CONSOLE), CRect(8, 8, 8 + 461, 8 + 106));
        EXPECT_EQ(ControlRect(d, IDOK), CRect(243, 401, 243 + 105, 401 + 23));
        d.EndDialog(IDOK);
    });
    dlg.DoModal();
}

TEST_F(DialogTest, GetDlgItemGivesControlsOfTheirClassWhileTheWindowExists) {
    TracingDialog dlg;
    EXPECT_EQ(dlg.GetDlgItem(IDC_EDIT), nullptr);
    AddModalHook(kPlainDialog, [](CDialog& d) {
        CWnd* edit = d.GetDlgItem(IDC_EDIT);
        ASSERT_NE(edit, nullptr);
        EXPECT_NE(dynamic_cast<CEdit*>(edit), nullptr);
        EXPECT_EQ(edit->GetDlgCtrlID(), IDC_EDIT);
        EXPECT_EQ(edit->GetParent(), &d);
        EXPECT_EQ(d.GetDlgItem(4711), nullptr);
        EXPECT_EQ(WindowCaption(d), "Plain");
        d.EndDialog(IDOK);
    });
    dlg.DoModal();
}

TEST_F(DialogTest, MainWindowIsAnApplicationWindowAndEveryOtherDialogStaysAboveItsOwner) {
    CDialog main(kMainLike); // the application-window extended style
    CDialog child(kPlainDialog, &main);
    CDialog orphan(kChartLike); // no parent: the window the user works in
    CDialog grandchild(kNoButtons, &child);
    std::vector<std::pair<std::string, WindowRole>> seen;
    AddModalHook(kMainLike, [&](CDialog& d) {
        seen.emplace_back("main", WindowRoleOf(d));
        child.DoModal();
        orphan.DoModal();
        d.EndDialog(IDOK);
    });
    AddModalHook(kPlainDialog, [&](CDialog& d) {
        seen.emplace_back("child", WindowRoleOf(d));
        grandchild.DoModal();
        d.EndDialog(IDOK);
    });
    AddModalHook(kNoButtons, [&](CDialog& d) {
        seen.emplace_back("grandchild", WindowRoleOf(d));
        d.EndDialog(IDOK);
    });
    AddModalHook(kChartLike, [&](CDialog& d) {
        seen.emplace_back("orphan", WindowRoleOf(d));
        d.EndDialog(IDOK);
    });
    main.DoModal();

    struct Expected {
        const char* name;
        bool dialog;
        bool modal;
        CWnd* transientFor;
    };
    const Expected expected[] = {
        {"main", false, false, nullptr},
        {"child", true, true, &main},
        {"grandchild", true, true, &child},
        {"orphan", true, true, &main},
    };
    ASSERT_EQ(seen.size(), std::size(expected));
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const Expected& e = expected[i];
        const WindowRole& r = seen[i].second;
        SCOPED_TRACE(e.name);
        EXPECT_EQ(seen[i].first, e.name);
        EXPECT_EQ(r.dialog, e.dialog);
        EXPECT_EQ(r.modal, e.modal);
        EXPECT_EQ(r.transientFor, e.transientFor);
    }
    const WindowRole& m = seen[0].second;
    EXPECT_FALSE(m.closeButton || m.minimizeButton || m.maximizeButton)
        << "the template leaves them out";
}

} // namespace
