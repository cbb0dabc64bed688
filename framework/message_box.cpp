#include "framework/qt_internal.h"

#include <QMessageBox>
#include <QWindow>

using namespace afx::detail;

int AfxMessageBox(const std::string& text, UINT type, UINT) {
    int answer = IDOK;
    if (AnswerMessageBox(text, type, &answer))
        return answer;
    EnsureApplication();
    QMessageBox box;
    box.setWindowTitle(ToQ(afx::GetAppName()));
    box.setText(ToQ(text));
    switch (type & MB_ICONMASK) {
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    case MB_ICONHAND:
        box.setIcon(QMessageBox::Critical);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    switch (type & MB_TYPEMASK) {
    case MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    }
    box.setWindowModality(Qt::ApplicationModal);
    // Above the window it speaks of, not above Qt's hidden leader window: window managers
    // keep a transient box with its owner and out of the task bar.
    if (QWindow* owner = WorkingWindow()) {
        box.winId();
        box.windowHandle()->setTransientParent(owner);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return (type & MB_TYPEMASK) == MB_OKCANCEL ? IDCANCEL : IDOK;
    }
}
