// A window's system menu: the items the program appends show on Alt+Space and on a right
// click on the window's own background, with their check marks, and the item picked comes
// back as WM_SYSCOMMAND.

#include "test_dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace fwtest;

constexpr UINT kCmdAbout = 16;
constexpr UINT kCmdSwitch = 32;

// A main-like window whose system menu holds About and a check item.
class SystemMenuDialog : public CDialog {
public:
    SystemMenuDialog() : CDialog(kMainLike) {}
    std::vector<UINT> systemCommands;
    UINT checkBefore = 0;

    const AFX_MSGMAP* GetMessageMap() const override {
        static const AFX_MSGMAP map = AFX_MSGMAP::Of<SystemMenuDialog>(
            CDialog::GetThisMessageMap(), {OnSysCommandEntry(&SystemMenuDialog::OnSysCommand)});
        return &map;
    }

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        CMenu* menu = GetSystemMenu(FALSE);
        menu->AppendMenu(MF_SEPARATOR);
        menu->AppendMenu(MF_STRING, kCmdAbout, "&About");
        menu->AppendMenu(MF_STRING, kCmdSwitch, "&Switch");
        checkBefore = menu->CheckMenuItem(kCmdSwitch, MF_BYCOMMAND | MF_CHECKED);
        return TRUE;
    }

private:
    void OnSysCommand(UINT command, LPARAM) { systemCommands.push_back(command & 0xFFF0); }
};

struct t_shown {
    std::string text;
    bool checkable;
    bool checked;
    bool operator==(const t_shown&) const = default;
};

TEST(SystemMenu, ShowsOnAltSpaceAndTheBackgroundWithItsChecksAndSendsThePick) {
    RegisterTestTemplates();
    struct Case {
        const char* how;
        std::function<void(CDialog&)> ask;
        bool shown;
    };
    const std::vector<Case> cases = {
        {"Alt+Space", [](CDialog& d) { afx::testing::PressKey(d, ' ', FALT); }, true},
        {"right click on the background",
         [](CDialog& d) { afx::testing::RightClick(d, CPoint(400, 300)); }, true},
        // A control's own menu, or nothing, but never the window's.
        {"right click on a button",
         [](CDialog& d) {
             afx::testing::RightClick(d, afx::testing::ControlRect(d, IDC_OTHER).CenterPoint());
         },
         false},
        {"Space alone", [](CDialog& d) { afx::testing::PressKey(d, ' '); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        SystemMenuDialog dialog;
        std::vector<t_shown> shown;
        afx::testing::SetPopupMenuAnswerer([&](const CMenu& menu, CPoint) {
            for (const CMenu::Item& item : menu.Items()) {
                shown.push_back({item.text, item.checkable, (item.flags & MF_CHECKED) != 0});
            }
            return static_cast<UINT_PTR>(kCmdSwitch);
        });
        afx::testing::AddModalHook(kMainLike, [&](CDialog& d) {
            c.ask(d);
            d.EndDialog(IDCANCEL);
        });
        dialog.DoModal();
        afx::testing::SetPopupMenuAnswerer(nullptr);
        EXPECT_EQ(dialog.checkBefore, MF_UNCHECKED);
        if (c.shown) {
            EXPECT_EQ(shown,
                      (std::vector<t_shown>{
                          {"", false, false}, {"&About", false, false}, {"&Switch", true, true}}));
            EXPECT_EQ(dialog.systemCommands, std::vector<UINT>{kCmdSwitch});
        } else {
            EXPECT_TRUE(shown.empty());
            EXPECT_TRUE(dialog.systemCommands.empty());
        }
    }
}

} // namespace
