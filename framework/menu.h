// Menus. Windows here have no system menu the program can extend, so
// CWnd::GetSystemMenu returns nullptr. A pop-up menu is built item by item and shown at a
// screen point with TrackPopupMenu.
#pragma once

#include "framework/afx_types.h"

#include <string>
#include <vector>

class CWnd;

class CMenu {
public:
    struct Item {
        UINT flags = MF_STRING;
        UINT_PTR id = 0;
        std::string text;
    };

    // Makes this an empty pop-up menu (dropping any items).
    BOOL CreatePopupMenu();
    // Appends an item (MF_STRING with a command id and text, or MF_SEPARATOR). In the
    // text, '&' marks the mnemonic and a tab separates the accelerator shown on the right
    // ("&Kopiuj\tCtrl+C").
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const std::string& text = std::string());
    int GetMenuItemCount() const { return static_cast<int>(items_.size()); }
    const std::vector<Item>& Items() const { return items_; }
    BOOL DestroyMenu();

    // Shows the menu with its top-left corner at the screen point (x, y) and waits until
    // the user picks an item or dismisses it. The picked item's command goes to `owner`
    // as WM_COMMAND (code 0, as a button click), after the menu has closed; with
    // TPM_RETURNCMD nothing is sent and the id is returned instead. Returns the picked id
    // (TPM_RETURNCMD) or TRUE, and 0 when the menu was dismissed.
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner);

private:
    std::vector<Item> items_;
};
