#include "framework/menu.h"

BOOL CMenu::AppendMenu(UINT, UINT_PTR, const std::string&) {
    ++count_;
    return TRUE;
}
