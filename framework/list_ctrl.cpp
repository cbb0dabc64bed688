#include "framework/control_widgets.h"

#include <QHeaderView>

using afx::detail::AfxList;
using afx::detail::FromQ;
using afx::detail::ToQ;

namespace {
AfxList* List(HWND h) {
    return dynamic_cast<AfxList*>(h);
}
} // namespace

int CListCtrl::InsertColumn(int column, const std::string& heading, int format, int width, int) {
    AfxList* l = List(m_hWnd);
    if (l == nullptr || column < 0)
        return -1;
    const int count = l->columnCount();
    column = std::min(column, count);
    QTreeWidgetItem* header = l->headerItem();
    QStringList labels;
    for (int i = 0; i < count; ++i)
        labels << header->text(i);
    std::vector<int> widths;
    std::vector<Qt::Alignment> aligns;
    for (int i = 0; i < count; ++i) {
        widths.push_back(l->columnWidth(i));
        aligns.push_back(Qt::Alignment(header->textAlignment(i)));
    }
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    if ((format & 0x3) == LVCFMT_CENTER)
        align = Qt::AlignHCenter | Qt::AlignVCenter;
    else if ((format & 0x3) == LVCFMT_RIGHT)
        align = Qt::AlignRight | Qt::AlignVCenter;
    labels.insert(column, ToQ(heading));
    widths.insert(widths.begin() + column, width >= 0 ? width : 100);
    aligns.insert(aligns.begin() + column, align);
    // Rows move their texts along with the new column.
    for (int r = 0; r < l->topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = l->topLevelItem(r);
        QStringList texts;
        for (int i = 0; i < count; ++i)
            texts << item->text(i);
        texts.insert(column, QString());
        for (int i = 0; i <= count; ++i)
            item->setText(i, texts[i]);
    }
    l->setColumnCount(count + 1);
    l->setHeaderLabels(labels);
    for (int i = 0; i <= count; ++i) {
        l->setColumnWidth(i, widths[static_cast<std::size_t>(i)]);
        l->headerItem()->setTextAlignment(i, aligns[static_cast<std::size_t>(i)]);
        for (int r = 0; r < l->topLevelItemCount(); ++r)
            l->topLevelItem(r)->setTextAlignment(i, aligns[static_cast<std::size_t>(i)]);
    }
    return column;
}

int CListCtrl::GetColumnCount() const {
    AfxList* l = List(m_hWnd);
    return l != nullptr ? l->columnCount() : 0;
}

std::string CListCtrl::GetColumnHeading(int column) const {
    AfxList* l = List(m_hWnd);
    return l != nullptr && column >= 0 && column < l->columnCount()
               ? FromQ(l->headerItem()->text(column))
               : std::string();
}

int CListCtrl::GetColumnWidth(int column) const {
    AfxList* l = List(m_hWnd);
    return l != nullptr ? l->columnWidth(column) : 0;
}

int CListCtrl::InsertItem(int index, const std::string& text) {
    AfxList* l = List(m_hWnd);
    if (l == nullptr || index < 0)
        return -1;
    const int count = l->topLevelItemCount();
    int at = std::min(index, count);
    if (l->sortDescending) {
        // Before the first row whose text sorts below the new one.
        at = count;
        for (int r = 0; r < count; ++r) {
            if (FromQ(l->topLevelItem(r)->text(0)) < text) {
                at = r;
                break;
            }
        }
    }
    auto* item = new QTreeWidgetItem();
    for (int c = 0; c < std::max(1, l->columnCount()); ++c)
        item->setTextAlignment(c, Qt::Alignment(l->headerItem()->textAlignment(c)));
    item->setText(0, ToQ(text));
    l->insertTopLevelItem(at, item);
    return at;
}

BOOL CListCtrl::SetItemText(int row, int column, const std::string& text) {
    AfxList* l = List(m_hWnd);
    if (l == nullptr || row < 0 || row >= l->topLevelItemCount() || column < 0)
        return FALSE;
    l->topLevelItem(row)->setText(column, ToQ(text));
    return TRUE;
}

std::string CListCtrl::GetItemText(int row, int column) const {
    AfxList* l = List(m_hWnd);
    if (l == nullptr || row < 0 || row >= l->topLevelItemCount() || column < 0)
        return {};
    return FromQ(l->topLevelItem(row)->text(column));
}

int CListCtrl::GetItemCount() const {
    AfxList* l = List(m_hWnd);
    return l != nullptr ? l->topLevelItemCount() : 0;
}

BOOL CListCtrl::DeleteItem(int row) {
    AfxList* l = List(m_hWnd);
    if (l == nullptr || row < 0 || row >= l->topLevelItemCount())
        return FALSE;
    delete l->takeTopLevelItem(row);
    return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
    AfxList* l = List(m_hWnd);
    if (l == nullptr)
        return FALSE;
    l->clear();
    return TRUE;
}

int CListCtrl::HitTest(CPoint point, UINT* flags) const {
    AfxList* l = List(m_hWnd);
    int row = l != nullptr ? l->HitTestClient(QPoint(point.x, point.y)) : -1;
    if (flags != nullptr)
        *flags = row >= 0 ? 0x0004 /* LVHT_ONITEMLABEL */ : 0x0001 /* LVHT_NOWHERE */;
    return row;
}

int CListCtrl::GetSelectionMark() const {
    AfxList* l = List(m_hWnd);
    if (l == nullptr || l->currentItem() == nullptr || !l->currentItem()->isSelected())
        return -1;
    return l->indexOfTopLevelItem(l->currentItem());
}

BOOL CListCtrl::SetItemState(int row, UINT state, UINT mask) {
    AfxList* l = List(m_hWnd);
    if (l == nullptr || row < 0 || row >= l->topLevelItemCount())
        return FALSE;
    QTreeWidgetItem* item = l->topLevelItem(row);
    if ((mask & LVIS_FOCUSED) != 0 && (state & LVIS_FOCUSED) != 0)
        l->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    if ((mask & LVIS_SELECTED) != 0) {
        // Single selection: the model would keep another row selected beside this one.
        if ((state & LVIS_SELECTED) != 0)
            l->clearSelection();
        item->setSelected((state & LVIS_SELECTED) != 0);
    }
    return TRUE;
}

UINT CListCtrl::GetItemState(int row, UINT mask) const {
    AfxList* l = List(m_hWnd);
    if (l == nullptr || row < 0 || row >= l->topLevelItemCount())
        return 0;
    QTreeWidgetItem* item = l->topLevelItem(row);
    UINT state = 0;
    if (item->isSelected())
        state |= LVIS_SELECTED;
    if (l->currentItem() == item)
        state |= LVIS_FOCUSED;
    return state & mask;
}

BOOL CListCtrl::EnsureVisible(int row, BOOL) {
    AfxList* l = List(m_hWnd);
    if (l == nullptr || row < 0 || row >= l->topLevelItemCount())
        return FALSE;
    l->scrollToItem(l->topLevelItem(row));
    return TRUE;
}
