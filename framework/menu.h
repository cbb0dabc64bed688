// Menus. Windows here have no system menu the program can extend, so
// CWnd::GetSystemMenu returns nullptr; the class exists for code that checks for one.
#pragma once

#include "framework/afx_types.h"

#include <string>

class CMenu {
public:
    // Appends an item (MF_STRING with a command id and text, or MF_SEPARATOR).
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const std::string& text = std::string());
    int GetMenuItemCount() const { return count_; }

private:
    int count_ = 0;
};
