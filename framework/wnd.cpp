#include "framework/menu.h"
#include "framework/qt_internal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimerEvent>

#include <unordered_map>

namespace afx::detail {

QString ToQ(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string FromQ(const QString& s) {
    return s.toUtf8().toStdString();
}
QColor ToQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
COLORREF FromQColor(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}

QEvent::Type PostedMessageEventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool MessageReceiver::event(QEvent* e) {
    HandOffAcquire(e);
    if (e->type() == PostedMessageEventType()) {
        // One event per posted message, so messages are taken one at a time in the order
        // they were posted, interleaved with everything else the loop delivers.
        PostedMessage m{};
        {
            WndData& data = wnd_->Data();
            std::lock_guard<std::mutex> lock(data.postedLock);
            if (data.posted.empty())
                return true;
            m = data.posted.front();
            data.posted.pop_front();
        }
        // A window that is gone drops its messages, as the platform discards them.
        if (wnd_->m_hWnd != nullptr)
            wnd_->WindowProc(m.message, m.wParam, m.lParam);
        return true;
    }
    return QObject::event(e);
}

void MessageReceiver::timerEvent(QTimerEvent* e) {
    for (const auto& [id, qtId] : wnd_->Data().timers) {
        if (qtId == e->timerId()) {
            UINT_PTR programId = id;
            wnd_->WindowProc(WM_TIMER, programId, 0);
            return;
        }
    }
}

WndData::WndData(CWnd* s) : self(s), receiver(new MessageReceiver(s)) {}
WndData::~WndData() {
    delete receiver;
}

namespace {
std::unordered_map<const QWidget*, CWnd*>& Registry() {
    static std::unordered_map<const QWidget*, CWnd*> map;
    return map;
}
QPoint lastCursor;
} // namespace

void SetLastCursorPos(const QPoint& p) {
    lastCursor = p;
}

void Attach(CWnd& wnd, QWidget* widget, CDialog* owner) {
    wnd.m_hWnd = widget;
    wnd.Data().ownerDialog = owner;
    Registry()[widget] = &wnd;
}

void Detach(CWnd& wnd) {
    KillAllTimers(wnd);
    if (wnd.m_hWnd != nullptr) {
        auto it = Registry().find(wnd.m_hWnd);
        if (it != Registry().end() && it->second == &wnd)
            Registry().erase(it);
    }
    wnd.m_hWnd = nullptr;
    wnd.Data().ownerDialog = nullptr;
    wnd.Data().backing.reset();
    wnd.Data().inPaint = false;
}

CWnd* WndFromWidget(const QWidget* widget) {
    auto it = Registry().find(widget);
    return it == Registry().end() ? nullptr : it->second;
}

void KillAllTimers(CWnd& wnd) {
    for (const auto& [id, qtId] : wnd.Data().timers)
        wnd.Data().receiver->killTimer(qtId);
    wnd.Data().timers.clear();
}

QImage& Backing(CWnd& wnd) {
    auto& b = wnd.Data().backing;
    QSize size = wnd.m_hWnd != nullptr ? wnd.m_hWnd->size() : QSize(1, 1);
    if (size.isEmpty())
        size = QSize(1, 1);
    if (!b || b->size() != size) {
        auto image = std::make_unique<QImage>(size, QImage::Format_RGB32);
        QColor bg = wnd.m_hWnd != nullptr ? wnd.m_hWnd->palette().color(QPalette::Window)
                                          : QColor(Qt::white);
        image->fill(bg);
        if (b) {
            for (int y = 0; y < std::min(b->height(), image->height()); ++y)
                for (int x = 0; x < std::min(b->width(), image->width()); ++x)
                    image->setPixel(x, y, b->pixel(x, y));
        }
        b = std::move(image);
    }
    return *b;
}

} // namespace afx::detail

using namespace afx::detail;

CWnd::CWnd() : data_(std::make_unique<WndData>(this)) {}

CWnd::~CWnd() {
    if (m_hWnd != nullptr)
        Detach(*this);
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    return hwnd == nullptr ? nullptr : WndFromWidget(hwnd);
}

BOOL IsWindow(HWND hwnd) {
    return hwnd != nullptr && WndFromWidget(hwnd) != nullptr;
}

BOOL GetCursorPos(CPoint* point) {
    if (point == nullptr)
        return FALSE;
    *point = CPoint(lastCursor.x(), lastCursor.y());
    return TRUE;
}

CWnd* CWnd::GetDlgItem(int id) const {
    ControlEntry* c = FindControl(*this, id);
    if (c == nullptr)
        return nullptr;
    if (CWnd* bound = WndFromWidget(c->widget))
        return bound;
    c->wrapper = MakeWrapper(c->templ.kind);
    Attach(*c->wrapper, c->widget, dynamic_cast<CDialog*>(const_cast<CWnd*>(this)));
    return c->wrapper.get();
}

int CWnd::GetDlgCtrlID() const {
    if (data_->ownerDialog == nullptr || m_hWnd == nullptr)
        return 0;
    ControlEntry* c = FindControl(*data_->ownerDialog, m_hWnd);
    return c != nullptr ? c->templ.id : 0;
}

CWnd* CWnd::GetParent() const {
    if (data_->ownerDialog != nullptr)
        return data_->ownerDialog;
    if (auto* d = dynamic_cast<const CDialog*>(this))
        return d->GetParentWnd();
    return nullptr;
}

BOOL CWnd::EnableWindow(BOOL enable) {
    if (m_hWnd == nullptr)
        return FALSE;
    BOOL wasDisabled = !m_hWnd->isEnabled();
    m_hWnd->setEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
    return m_hWnd != nullptr && m_hWnd->isEnabled();
}

BOOL CWnd::IsWindowVisible() const {
    return m_hWnd != nullptr && m_hWnd->isVisible();
}

BOOL CWnd::ShowWindow(int cmd) {
    if (m_hWnd == nullptr)
        return FALSE;
    BOOL was = m_hWnd->isVisible();
    switch (cmd) {
    case SW_HIDE:
        m_hWnd->hide();
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        m_hWnd->showMinimized();
        break;
    case SW_SHOWMAXIMIZED:
        m_hWnd->showMaximized();
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        if (m_hWnd->isWindow())
            m_hWnd->showNormal();
        else
            m_hWnd->show();
        break;
    default:
        m_hWnd->show();
        break;
    }
    return was;
}

BOOL CWnd::IsIconic() const {
    return m_hWnd != nullptr && m_hWnd->isMinimized();
}

void CWnd::SetWindowText(const std::string& text) {
    if (m_hWnd == nullptr)
        return;
    if (!ControlMessage(m_hWnd, kSetTextUtf8, 0, reinterpret_cast<LPARAM>(&text)))
        m_hWnd->setWindowTitle(ToQ(text));
}

std::string CWnd::GetWindowText() const {
    if (m_hWnd == nullptr)
        return {};
    std::string text;
    if (!ControlMessage(m_hWnd, kGetTextUtf8, 0, reinterpret_cast<LPARAM>(&text)))
        text = FromQ(m_hWnd->windowTitle());
    return text;
}

int CWnd::GetWindowTextLength() const {
    return static_cast<int>(GetWindowText().size());
}

void CWnd::SetDlgItemText(int id, const std::string& text) {
    ControlEntry* c = FindControl(*this, id);
    if (c == nullptr)
        return;
    ControlMessage(c->widget, kSetTextUtf8, 0, reinterpret_cast<LPARAM>(&text));
}

std::string CWnd::GetDlgItemText(int id) const {
    ControlEntry* c = FindControl(*this, id);
    std::string text;
    if (c == nullptr)
        return text;
    ControlMessage(c->widget, kGetTextUtf8, 0, reinterpret_cast<LPARAM>(&text));
    return text;
}

void CWnd::CheckDlgButton(int id, UINT check) {
    if (ControlEntry* c = FindControl(*this, id))
        ControlMessage(c->widget, BM_SETCHECK, check);
}

UINT CWnd::IsDlgButtonChecked(int id) const {
    if (ControlEntry* c = FindControl(*this, id))
        return static_cast<UINT>(ControlMessage(c->widget, BM_GETCHECK).value_or(0));
    return 0;
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
    data_->font = font;
    if (m_hWnd == nullptr)
        return;
    if (font != nullptr && font->IsCreated())
        m_hWnd->setFont(afx::detail::FontOf(*font));
    else
        ApplyDialogFont(m_hWnd);
    if (redraw)
        m_hWnd->update();
}

CFont* CWnd::GetFont() const {
    return data_->font;
}

namespace {
// Longest interval, in ms, whose timer never fires early.
constexpr UINT kLatestPreciseTimerMs = 2000;
} // namespace

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, void*) {
    if (m_hWnd == nullptr)
        return 0;
    KillTimer(id);
    // Qt's coarse timers may fire up to 5 % early; a reply time-out that comes early
    // gives up on a device that is still in time, so short timers are precise.
    const Qt::TimerType type = elapse <= kLatestPreciseTimerMs ? Qt::PreciseTimer : Qt::CoarseTimer;
    int qtId = data_->receiver->startTimer(static_cast<int>(std::max<UINT>(elapse, 1)), type);
    if (qtId == 0)
        return 0;
    data_->timers[id] = qtId;
    return id;
}

BOOL CWnd::KillTimer(UINT_PTR id) {
    auto it = data_->timers.find(id);
    if (it == data_->timers.end())
        return FALSE;
    data_->receiver->killTimer(it->second);
    data_->timers.erase(it);
    return TRUE;
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard<std::mutex> lock(data_->postedLock);
        data_->posted.push_back({message, wParam, lParam});
    }
    auto* wake = new QEvent(PostedMessageEventType());
    HandOffRelease(wake);
    QCoreApplication::postEvent(data_->receiver, wake);
    return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return WindowProc(message, wParam, lParam);
}

void CWnd::Invalidate(BOOL) {
    if (m_hWnd != nullptr)
        m_hWnd->update();
}

void CWnd::InvalidateRect(const CRect* rect, BOOL) {
    if (m_hWnd == nullptr)
        return;
    if (rect == nullptr)
        m_hWnd->update();
    else
        m_hWnd->update(QRect(rect->left, rect->top, rect->Width(), rect->Height()));
}

void CWnd::UpdateWindow() {
    if (m_hWnd != nullptr && m_hWnd->isVisible() && !data_->inPaint)
        m_hWnd->repaint();
}

void CWnd::GetClientRect(CRect* rect) const {
    if (rect == nullptr)
        return;
    if (m_hWnd == nullptr) {
        *rect = CRect();
        return;
    }
    *rect = CRect(0, 0, m_hWnd->width(), m_hWnd->height());
}

void CWnd::ScreenToClient(CPoint* point) const {
    if (point == nullptr || m_hWnd == nullptr)
        return;
    QPoint p = m_hWnd->mapFromGlobal(QPoint(point->x, point->y));
    *point = CPoint(p.x(), p.y());
}

void CWnd::ScreenToClient(CRect* rect) const {
    if (rect == nullptr)
        return;
    CPoint a = rect->TopLeft(), b = rect->BottomRight();
    ScreenToClient(&a);
    ScreenToClient(&b);
    *rect = CRect(a.x, a.y, b.x, b.y);
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    if (m_hWnd == nullptr)
        return;
    m_hWnd->setGeometry(x, y, width, height);
    if (repaint)
        m_hWnd->update();
}

CWnd* CWnd::SetFocus() {
    CWnd* before = GetFocus();
    if (m_hWnd != nullptr)
        m_hWnd->setFocus(Qt::OtherFocusReason);
    return before;
}

CWnd* CWnd::GetFocus() {
    QWidget* w = QApplication::focusWidget();
    if (w == nullptr && !ModalStack().empty() && ModalStack().back()->m_hWnd != nullptr)
        w = ModalStack().back()->m_hWnd->focusWidget();
    for (; w != nullptr; w = w->parentWidget()) {
        if (CWnd* wnd = WndFromWidget(w))
            return wnd;
        if (CDialog* d = DialogOf(w)) {
            if (ControlEntry* c = FindControl(*d, w)) {
                return d->GetDlgItem(c->templ.id);
            }
        }
    }
    return nullptr;
}

CMenu* CWnd::GetSystemMenu(BOOL revert) const {
    if (revert) {
        data_->systemMenu.reset();
        return nullptr;
    }
    if (!data_->systemMenu)
        data_->systemMenu = std::make_unique<CMenu>();
    return data_->systemMenu.get();
}

bool afx::detail::ShowSystemMenu(CWnd& wnd, const QPoint& screenPoint) {
    CMenu* menu = wnd.Data().systemMenu.get();
    if (menu == nullptr || menu->GetMenuItemCount() == 0)
        return false;
    const UINT_PTR id = static_cast<UINT_PTR>(
        menu->TrackPopupMenu(TPM_RETURNCMD, screenPoint.x(), screenPoint.y(), &wnd));
    if (id != 0)
        wnd.SendMessage(
            WM_SYSCOMMAND, id,
            MAKELPARAM(static_cast<WORD>(screenPoint.x()), static_cast<WORD>(screenPoint.y())));
    return true;
}

HICON CWnd::SetIcon(HICON icon, BOOL big) {
    HICON& slot = big ? data_->bigIcon : data_->smallIcon;
    HICON old = slot;
    slot = icon;
    if (m_hWnd != nullptr && m_hWnd->isWindow() && icon != nullptr)
        m_hWnd->setWindowIcon(QIcon(QPixmap::fromImage(afx::detail::IconImage(icon))));
    return old;
}

HICON CWnd::GetIcon(BOOL big) const {
    return big ? data_->bigIcon : data_->smallIcon;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        if (OnCommand(wParam, lParam))
            return 0;
        return DefWindowProc(message, wParam, lParam);
    }
    if (message == WM_NOTIFY) {
        LRESULT result = 0;
        if (OnNotify(wParam, lParam, &result))
            return result;
        return DefWindowProc(message, wParam, lParam);
    }
    if (const AFX_MSGMAP_ENTRY* e = GetMessageMap()->Find(message, 0, 0))
        return e->call(*this, wParam, lParam);
    return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam), nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (hdr == nullptr)
        return FALSE;
    const AFX_MSGMAP_ENTRY* e =
        GetMessageMap()->Find(WM_NOTIFY, hdr->code, static_cast<UINT>(hdr->idFrom));
    if (e == nullptr)
        return FALSE;
    e->call(*this, reinterpret_cast<WPARAM>(result), lParam);
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SYSCOMMAND:
        switch (static_cast<UINT>(wParam) & 0xFFF0) {
        case SC_CLOSE:
            return SendMessage(WM_CLOSE, 0, 0);
        case SC_MINIMIZE:
            ShowWindow(SW_MINIMIZE);
            return 0;
        case SC_RESTORE:
            ShowWindow(SW_RESTORE);
            return 0;
        default:
            return 0;
        }
    case WM_SETFONT:
        SetFont(reinterpret_cast<CFont*>(wParam), static_cast<BOOL>(lParam));
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(data_->font);
    case WM_SETICON:
        return reinterpret_cast<LRESULT>(
            SetIcon(reinterpret_cast<HICON>(lParam), wParam == static_cast<WPARAM>(ICON_BIG)));
    case WM_SETTEXT:
        if (lParam != 0)
            SetWindowText(reinterpret_cast<const char*>(lParam));
        return TRUE;
    case WM_GETTEXTLENGTH:
        return GetWindowTextLength();
    case WM_QUERYDRAGICON:
        return 0;
    case WM_CONTEXTMENU:
        // The window's own background stands in for the title bar, whose menu belongs to
        // the window manager.
        if (m_hWnd != nullptr && reinterpret_cast<HWND>(wParam) == m_hWnd) {
            QPoint at(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            if (at == QPoint(-1, -1))
                at = m_hWnd->mapToGlobal(QPoint(0, 0));
            afx::detail::ShowSystemMenu(*this, at);
        }
        return 0;
    default:
        break;
    }
    if (m_hWnd != nullptr)
        return ControlMessage(m_hWnd, message, wParam, lParam).value_or(0);
    return 0;
}

void CWnd::OnDestroy() {}
void CWnd::OnPaint() {}
void CWnd::OnTimer(UINT_PTR) {}
void CWnd::OnSysCommand(UINT command, LPARAM param) {
    DefWindowProc(WM_SYSCOMMAND, command, param);
}
void CWnd::OnLButtonDblClk(UINT, CPoint) {}
HCURSOR CWnd::OnQueryDragIcon() {
    return nullptr;
}

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP map(CCmdTarget::GetThisMessageMap(), {});
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const {
    return GetThisMessageMap();
}
