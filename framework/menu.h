// Menus. A pop-up menu is built item by item and shown at a screen point with
// TrackPopupMenu. A window's system menu (CWnd::GetSystemMenu) is such a menu too: the
// window manager's own menu cannot be extended, so the items the program appends are shown
// by the framework, on Alt+Space and on a right click on the window's own background.
#pragma once

#include "framework/afx_types.h"

#include <string>
#include <vector>

class CWnd;

class CMenu {
public:
    struct Item {
        UINT flags = MF_STRING; // MF_CHECKED while it shows a check mark
        UINT_PTR id = 0;
        std::string text;
        // An item that was ever checked or unchecked shows its state, also unchecked.
        bool checkable = false;
    };

    // Makes this an empty pop-up menu (dropping any items).
    BOOL CreatePopupMenu();
    // Appends an item (MF_STRING with a command id and text, or MF_SEPARATOR). In the
    // text, '&' marks the mnemonic and a tab separates the accelerator shown on the right
    // ("&Kopiuj\tCtrl+C").
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const std::string& text = std::string());
    int GetMenuItemCount() const { return static_cast<int>(items_.size()); }
    // Sets the check mark of the item with command id (MF_CHECKED or MF_UNCHECKED, with
    // MF_BYCOMMAND); gives the state before, or (UINT)-1 when there is no such item.
    UINT CheckMenuItem(UINT id, UINT check);
    // The flags of the item with command id (MF_CHECKED, MF_GRAYED); (UINT)-1 for none.
    UINT GetMenuState(UINT id, UINT flags) const;
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
