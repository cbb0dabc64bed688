// Private to the framework's .cpp files: the Qt side of windows, dialogs and controls.
// Nothing outside framework/ includes this header.
#pragma once

#include "framework/afx.h"
#include "framework/test_hooks.h"

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

class QWindow;
#include <QWidget>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QEventLoop;
class CMenu;
class CPrintDialog;

namespace afx::detail {

QString ToQ(const std::string& s);
std::string FromQ(const QString& s);
QColor ToQColor(COLORREF c);
COLORREF FromQColor(const QColor& c);

// A window message queued by PostMessage. The message itself waits in its window's
// locked queue; the event that Qt carries to the UI thread is a bare QEvent of this type
// that says "one message is waiting". So nothing our code writes crosses threads except
// under that lock, where thread checkers can see the hand-off.
struct PostedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
QEvent::Type PostedMessageEventType();

// The wake-up event is made on the posting thread and read on the UI thread after Qt's
// queue has handed it over. Qt's locking is invisible to ThreadSanitizer, so the hand-off
// is announced to it: released after the event is made, acquired by the first of our
// code that looks at any event.
#if defined(__SANITIZE_THREAD__)
#define RE2_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define RE2_THREAD_SANITIZER 1
#endif
#endif
#ifdef RE2_THREAD_SANITIZER
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
inline void HandOffRelease(QEvent* e) {
    __tsan_release(e);
}
inline void HandOffAcquire(QEvent* e) {
    __tsan_acquire(e);
}
#else
inline void HandOffRelease(QEvent*) {}
inline void HandOffAcquire(QEvent*) {}
#endif

// Lives as long as its CWnd; receives the CWnd's posted messages and timers.
class MessageReceiver : public QObject {
public:
    explicit MessageReceiver(CWnd* wnd) : wnd_(wnd) {}
    bool event(QEvent* e) override;

protected:
    void timerEvent(QTimerEvent* e) override;

private:
    CWnd* wnd_;
};

struct ControlEntry {
    ControlTemplate templ;
    QWidget* widget = nullptr;
    std::unique_ptr<CWnd> wrapper; // made by GetDlgItem for controls nobody bound
};

// Window state of a dialog while its window exists.
struct DialogState {
    DialogTemplate templ;
    QWidget* widget = nullptr;
    std::vector<ControlEntry> controls;
    std::vector<CWnd*> bound; // objects bound with DDX_Control
    UINT defId = 0;
    bool ended = false;
    int result = 0;
    QEventLoop* loop = nullptr;
};

struct WndData {
    explicit WndData(CWnd* self);
    ~WndData();
    CWnd* self;
    MessageReceiver* receiver;
    std::mutex postedLock; // guards posted; PostMessage may come from any thread
    std::deque<PostedMessage> posted;
    std::map<UINT_PTR, int> timers; // program id -> Qt timer id
    CFont* font = nullptr;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    CDialog* ownerDialog = nullptr; // for a control: the dialog holding it
    std::unique_ptr<DialogState> dialog;
    std::unique_ptr<QImage> backing; // what CPaintDC / CClientDC draw into
    bool inPaint = false;
    std::unique_ptr<CMenu> systemMenu; // made by the first GetSystemMenu(FALSE)
};

// Widget <-> CWnd.
void Attach(CWnd& wnd, QWidget* widget, CDialog* owner);
void Detach(CWnd& wnd);
CWnd* WndFromWidget(const QWidget* widget);
void KillAllTimers(CWnd& wnd);

// Shows the window's system menu with its top-left corner at the screen point, and sends
// the item picked as WM_SYSCOMMAND; false when the window has no items in it.
bool ShowSystemMenu(CWnd& wnd, const QPoint& screenPoint);

// The backing image of a window, made (or resized) on demand.
QImage& Backing(CWnd& wnd);

// Dialog helpers.
ControlEntry* FindControl(const CWnd& dialog, int id);
ControlEntry* FindControl(const CWnd& dialog, const QWidget* widget);
CDialog* DialogOf(const QWidget* widget);
void ApplyDialogFont(QWidget* widget);
QFont DialogFont();
void EnsureApplication();
void InstallKeyFilter();

// Modal stack (top-most last).
std::vector<CDialog*>& ModalStack();
// The native window of the window the user is working in: the top-most visible modal
// dialog, else the main window; nullptr before any is shown. Boxes stay above it.
QWindow* WorkingWindow();
// Dialog key rules; true when the key was taken.
bool HandleDialogKey(CDialog& dialog, QWidget* focus, int qtKey);

// The file dialogs' name filters in Qt's form.
QStringList NameFilters(const std::string& filter);

// Builds the control widgets of a template into `parent`.
void BuildControls(CDialog& dialog, DialogState& state);
QRect ToQRect(const CRect& r);
// Control kinds by widget.
bool IsPushButton(const QWidget* w);

// A control's own message (used by the control classes and DefWindowProc); nullopt when
// `w` is no template control or the message is not one of its class.
std::optional<LRESULT> ControlMessage(QWidget* w, UINT message, WPARAM wParam = 0,
                                      LPARAM lParam = 0);

struct FontData {
    QFont font;
    int pixelSize = 0;
};
struct BitmapData {
    QImage image;
};

// Qt side of drawing objects and icons.
QFont FontOf(const CFont& font);
QImage IconImage(HICON icon);
// The control classes' wrapper for a template control kind.
std::unique_ptr<CWnd> MakeWrapper(ControlKind kind);

// Last mouse position (screen), for GetCursorPos.
void SetLastCursorPos(const QPoint& p);

} // namespace afx::detail

namespace afx::detail {
// Text messages between the CWnd layer and the controls: lParam is a std::string*.
constexpr UINT kSetTextUtf8 = 0xBF00;
constexpr UINT kGetTextUtf8 = 0xBF01;
} // namespace afx::detail
