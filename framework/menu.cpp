#include "framework/qt_internal.h"

#include <QAction>
#include <QMenu>

using namespace afx::detail;

BOOL CMenu::CreatePopupMenu() {
    items_.clear();
    return TRUE;
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, const std::string& text) {
    items_.push_back(
        {flags, (flags & MF_SEPARATOR) != 0 ? 0 : id, text, (flags & MF_CHECKED) != 0});
    return TRUE;
}

UINT CMenu::CheckMenuItem(UINT id, UINT check) {
    for (Item& item : items_) {
        if ((item.flags & MF_SEPARATOR) == 0 && item.id == id) {
            const UINT before = item.flags & MF_CHECKED;
            item.flags = (item.flags & ~MF_CHECKED) | (check & MF_CHECKED);
            item.checkable = true;
            return before;
        }
    }
    return static_cast<UINT>(-1);
}

UINT CMenu::GetMenuState(UINT id, UINT) const {
    for (const Item& item : items_) {
        if ((item.flags & MF_SEPARATOR) == 0 && item.id == id) {
            return item.flags & (MF_CHECKED | MF_GRAYED);
        }
    }
    return static_cast<UINT>(-1);
}

BOOL CMenu::DestroyMenu() {
    items_.clear();
    return TRUE;
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner) {
    UINT_PTR picked = 0;
    if (!AnswerPopupMenu(*this, CPoint(x, y), &picked)) {
        EnsureApplication();
        QMenu menu(owner != nullptr ? owner->m_hWnd : nullptr);
        for (const Item& item : items_) {
            if ((item.flags & MF_SEPARATOR) != 0) {
                menu.addSeparator();
                continue;
            }
            QAction* action = menu.addAction(ToQ(item.text));
            action->setData(QVariant::fromValue<qulonglong>(item.id));
            action->setEnabled((item.flags & MF_GRAYED) == 0);
            action->setCheckable(item.checkable);
            action->setChecked((item.flags & MF_CHECKED) != 0);
        }
        if (QAction* chosen = menu.exec(QPoint(x, y)))
            picked = static_cast<UINT_PTR>(chosen->data().toULongLong());
    }
    if (picked == 0)
        return 0;
    if ((flags & TPM_RETURNCMD) != 0)
        return static_cast<BOOL>(picked);
    if (owner != nullptr)
        owner->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(picked), 0), 0);
    return TRUE;
}
