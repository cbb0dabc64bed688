#include "framework/clipboard.h"

#include "framework/qt_internal.h"

#include <QClipboard>
#include <QGuiApplication>

BOOL AfxSetClipboardBitmap(const CBitmap& bitmap) {
    if (!bitmap.IsCreated())
        return FALSE;
    afx::detail::EnsureApplication();
    QGuiApplication::clipboard()->setImage(bitmap.Data()->image);
    return TRUE;
}
