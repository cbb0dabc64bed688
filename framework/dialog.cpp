#include "framework/control_widgets.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace afx::detail {

namespace {

// The top-level window of a dialog.
class DialogWidget : public QWidget {
public:
    explicit DialogWidget(CDialog* dialog) : QWidget(nullptr, Qt::Dialog), dialog_(dialog) {}

protected:
    void paintEvent(QPaintEvent* e) override {
        WndData& data = dialog_->Data();
        data.inPaint = true;
        dialog_->SendMessage(WM_PAINT, 0, 0);
        data.inPaint = false;
        if (data.backing) {
            QPainter p(this);
            p.drawImage(e->rect(), *data.backing, e->rect());
        }
    }

    // Reaches the dialog when the control under the mouse (or with the focus) has no menu
    // of its own.
    void contextMenuEvent(QContextMenuEvent* e) override {
        QWidget* target = this;
        LPARAM point = MAKELPARAM(static_cast<WORD>(-1), static_cast<WORD>(-1));
        if (e->reason() == QContextMenuEvent::Keyboard) {
            if (QWidget* f = focusWidget())
                target = f;
        } else {
            for (QWidget* w = childAt(e->pos()); w != nullptr && w != this; w = w->parentWidget())
                if (FindControl(*dialog_, w) != nullptr) {
                    target = w;
                    break;
                }
            point = MAKELPARAM(static_cast<WORD>(e->globalPos().x()),
                               static_cast<WORD>(e->globalPos().y()));
        }
        e->accept();
        dialog_->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target), point);
    }

    void closeEvent(QCloseEvent* e) override {
        // The window stays until EndDialog; the close box is the system command.
        e->ignore();
        if ((dialog_->Data().dialog != nullptr) &&
            (dialog_->Data().dialog->templ.style & WS_SYSMENU) != 0)
            dialog_->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    }

private:
    CDialog* dialog_;
};

// Letters and digits: their virtual-key codes are their upper-case ASCII codes, as are
// Qt's key codes; the function keys F1 to F12 are 0x70 to 0x7B.
int VirtualKey(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return 0x70 + (qtKey - Qt::Key_F1);
    return 0;
}

// A key with Ctrl or Alt held: the accelerator of the dialog it was typed in, if any. Only
// the dialog the user works in takes keys; one under a modal dialog never sees them.
bool HandleAccelerator(QWidget* w, const QKeyEvent* ke) {
    CDialog* d = w != nullptr ? DialogOf(w) : nullptr;
    const int vk = VirtualKey(ke->key());
    if (d == nullptr || vk == 0 || ModalStack().empty() || ModalStack().back() != d)
        return false;
    UINT modifiers = 0;
    if ((ke->modifiers() & Qt::ControlModifier) != 0)
        modifiers |= FCONTROL;
    if ((ke->modifiers() & Qt::ShiftModifier) != 0)
        modifiers |= FSHIFT;
    if ((ke->modifiers() & Qt::AltModifier) != 0)
        modifiers |= FALT;
    const AFX_MSGMAP_ENTRY* entry =
        d->GetMessageMap()->Find(WM_AFX_ACCELERATOR, modifiers, static_cast<UINT>(vk));
    if (entry == nullptr)
        return false;
    entry->call(*d, 0, 0);
    return true;
}

// Alt+Space: the system menu of the dialog the user works in, at its top-left corner, as
// the key opens it where the system draws the title bar.
bool ShowSystemMenuByKey(QWidget* w) {
    CDialog* d = w != nullptr ? DialogOf(w) : nullptr;
    if (d == nullptr || d->m_hWnd == nullptr || ModalStack().empty() || ModalStack().back() != d)
        return false;
    return ShowSystemMenu(*d, d->m_hWnd->mapToGlobal(QPoint(0, 0)));
}

class KeyFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* obj, QEvent* e) override {
        HandOffAcquire(e);
        if (e->type() != QEvent::KeyPress)
            return false;
        auto* ke = static_cast<QKeyEvent*>(e);
        int key = ke->key();
        if (key == Qt::Key_Space && ke->modifiers() == Qt::AltModifier)
            return ShowSystemMenuByKey(qobject_cast<QWidget*>(obj));
        if ((ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0)
            return HandleAccelerator(qobject_cast<QWidget*>(obj), ke);
        if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape)
            return false;
        auto* w = qobject_cast<QWidget*>(obj);
        if (w == nullptr)
            return false;
        CDialog* d = DialogOf(w);
        if (d == nullptr)
            return false;
        return HandleDialogKey(*d, w, key);
    }
};

} // namespace

std::vector<CDialog*>& ModalStack() {
    static std::vector<CDialog*> stack;
    return stack;
}

static QWidget* DialogOwner(CWnd* parent) {
    if (parent != nullptr && parent->m_hWnd != nullptr)
        return parent->m_hWnd;
    // Without a parent the owner is the window the user is working in: the top-most
    // modal dialog, normally the main window.
    for (auto it = ModalStack().rbegin(); it != ModalStack().rend(); ++it)
        if ((*it)->m_hWnd != nullptr && (*it)->m_hWnd->isVisible())
            return (*it)->m_hWnd;
    return nullptr;
}

QWindow* WorkingWindow() {
    QWidget* owner = DialogOwner(nullptr);
    if (owner == nullptr) {
        CWnd* main = AfxGetMainWnd();
        owner = main != nullptr ? main->m_hWnd : nullptr;
    }
    if (owner == nullptr || !owner->isVisible())
        return nullptr;
    return owner->window()->windowHandle();
}

// The window a dialog stays above: its parent's, else the main window's, else the window
// the user is working in.
static QWindow* TransientOwner(CWnd* parent, const QWidget* dialog) {
    QWidget* owner = parent != nullptr ? parent->m_hWnd : nullptr;
    if (owner == nullptr) {
        CWnd* main = AfxGetMainWnd();
        owner = main != nullptr ? main->m_hWnd : nullptr;
    }
    if (owner == nullptr || owner == dialog || !owner->isVisible())
        owner = DialogOwner(nullptr);
    if (owner == nullptr || owner == dialog)
        return nullptr;
    return owner->window()->windowHandle();
}

static void PlaceDialog(QWidget* widget, CSize client, CWnd* parent) {
    QWidget* owner = DialogOwner(parent);
    QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    const QPoint centre = owner != nullptr ? owner->frameGeometry().center() : area.center();
    // Centred on its owner, but never beyond an edge of the screen: a dialog larger than
    // the main window would otherwise hang off the left or top edge with its labels.
    const int x = std::clamp(centre.x() - client.cx / 2, area.left(),
                             std::max(area.left(), area.left() + area.width() - client.cx));
    const int y = std::clamp(centre.y() - client.cy / 2, area.top(),
                             std::max(area.top(), area.top() + area.height() - client.cy));
    widget->move(x, y);
}

void InstallKeyFilter() {
    static KeyFilter* filter = nullptr;
    if (filter == nullptr && qApp != nullptr) {
        filter = new KeyFilter(qApp);
        qApp->installEventFilter(filter);
    }
}

CDialog* DialogOf(const QWidget* widget) {
    if (widget == nullptr)
        return nullptr;
    return dynamic_cast<CDialog*>(WndFromWidget(widget->window()));
}

ControlEntry* FindControl(const CWnd& dialog, int id) {
    DialogState* s = dialog.Data().dialog.get();
    if (s == nullptr)
        return nullptr;
    for (ControlEntry& c : s->controls)
        if (c.templ.id == id)
            return &c;
    return nullptr;
}

ControlEntry* FindControl(const CWnd& dialog, const QWidget* widget) {
    DialogState* s = dialog.Data().dialog.get();
    if (s == nullptr)
        return nullptr;
    for (ControlEntry& c : s->controls)
        if (c.widget == widget)
            return &c;
    return nullptr;
}

bool HandleDialogKey(CDialog& dialog, QWidget* focus, int key) {
    auto command = [&dialog](int id) {
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), 0);
    };
    if (key == Qt::Key_Escape) {
        command(IDCANCEL);
        return true;
    }
    // Enter.
    if (auto* t = dynamic_cast<AfxTextEdit*>(focus)) {
        ControlEntry* c = FindControl(dialog, focus);
        if (!t->isReadOnly() && c != nullptr && (c->templ.style & ES_WANTRETURN) != 0)
            return false;
    }
    if (IsPushButton(focus) && focus->isEnabled() && FindControl(dialog, focus) != nullptr) {
        static_cast<QPushButton*>(focus)->click();
        return true;
    }
    DialogState* s = dialog.Data().dialog.get();
    UINT defId = s != nullptr ? s->defId : 0;
    if (defId != 0) {
        ControlEntry* c = FindControl(dialog, static_cast<int>(defId));
        if (c == nullptr || c->widget->isEnabled())
            command(static_cast<int>(defId));
        return true;
    }
    command(IDOK);
    return true;
}

namespace {

QWidget* FirstFocusable(DialogState& s) {
    QWidget* fallback = nullptr;
    for (ControlEntry& c : s.controls) {
        QWidget* w = c.widget;
        if (!w->isEnabled() || w->focusPolicy() == Qt::NoFocus)
            continue;
        if ((c.templ.style & WS_TABSTOP) != 0)
            return w;
        if (fallback == nullptr)
            fallback = w;
    }
    return fallback;
}

void Teardown(CDialog& dialog) {
    WndData& data = dialog.Data();
    DialogState* s = data.dialog.get();
    if (s == nullptr)
        return;
    QWidget* widget = s->widget;
    widget->hide();
    for (CWnd* bound : s->bound) {
        if (bound->m_hWnd != nullptr && FindControl(dialog, bound->m_hWnd) != nullptr)
            Detach(*bound);
    }
    for (ControlEntry& c : s->controls) {
        if (c.wrapper)
            Detach(*c.wrapper);
    }
    Detach(dialog);
    data.dialog.reset();
    delete widget;
}

} // namespace

} // namespace afx::detail

using namespace afx::detail;

CDialog::CDialog(UINT templateId, CWnd* parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
    if (Data().dialog)
        Teardown(*this);
}

INT_PTR CDialog::DoModal() {
    const DialogTemplate* templ = FindDialogTemplate(static_cast<int>(templateId_));
    if (templ == nullptr || Data().dialog)
        return -1;
    EnsureApplication();
    InstallKeyFilter();

    auto state = std::make_unique<DialogState>();
    state->templ = *templ;
    auto* widget = new DialogWidget(this);
    state->widget = widget;
    // The main window is an application window: listed in task bars like any top-level
    // window, neither modal nor kept above another. Every other dialog is modal and
    // stays above its owner.
    const bool appWindow = (templ->exStyle & WS_EX_APPWINDOW) != 0;
    Qt::WindowFlags flags = (appWindow ? Qt::Window : Qt::Dialog) | Qt::CustomizeWindowHint;
    if ((templ->style & WS_CAPTION) == WS_CAPTION)
        flags |= Qt::WindowTitleHint;
    if ((templ->style & WS_SYSMENU) != 0)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    widget->setWindowFlags(flags);
    widget->setWindowTitle(ToQ(templ->caption));
    CSize client = afx::DialogClientSizePixels(*templ);
    widget->setFixedSize(client.cx, client.cy);
    ApplyDialogFont(widget);
    Data().dialog = std::move(state);
    DialogState& s = *Data().dialog;
    Attach(*this, widget, nullptr);
    BuildControls(*this, s);
    if (Data().bigIcon != nullptr)
        widget->setWindowIcon(QIcon(QPixmap::fromImage(IconImage(Data().bigIcon))));
    PlaceDialog(widget, client, parent_);

    BOOL setFocus = OnInitDialog();

    if (!s.ended) {
        if (setFocus) {
            if (QWidget* f = FirstFocusable(s))
                f->setFocus(Qt::TabFocusReason);
        }
        if (!appWindow) {
            widget->setWindowModality(Qt::ApplicationModal);
            widget->winId(); // the native window, to be given its owner before it shows
            if (QWindow* owner = TransientOwner(parent_, widget))
                widget->windowHandle()->setTransientParent(owner);
        }
        widget->show();
        widget->activateWindow();
        ModalStack().push_back(this);
        QEventLoop loop;
        s.loop = &loop;
        if (auto hook = TakeModalHook(static_cast<int>(templateId_))) {
            QTimer::singleShot(0, widget, [this, hook] {
                if (Data().dialog && !Data().dialog->ended)
                    hook(*this);
            });
        }
        if (!s.ended)
            loop.exec();
        s.loop = nullptr;
        auto& stack = ModalStack();
        stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
    }
    const int result = s.result;
    SendMessage(WM_DESTROY, 0, 0);
    Teardown(*this);
    return result;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return dx.Failed() ? FALSE : TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int result) {
    DialogState* s = Data().dialog.get();
    if (s == nullptr || s->ended)
        return;
    s->ended = true;
    s->result = result;
    if (s->widget != nullptr && s->widget->isVisible())
        s->widget->hide();
    if (s->loop != nullptr)
        s->loop->exit(0);
}

void CDialog::SetDefID(UINT id) {
    if (DialogState* s = Data().dialog.get()) {
        if (ControlEntry* old = FindControl(*this, static_cast<int>(s->defId)))
            if (auto* b = qobject_cast<QPushButton*>(old->widget))
                b->setDefault(false);
        s->defId = id;
        if (ControlEntry* c = FindControl(*this, static_cast<int>(id)))
            if (auto* b = qobject_cast<QPushButton*>(c->widget))
                b->setDefault(true);
    }
}

UINT CDialog::GetDefID() const {
    DialogState* s = Data().dialog.get();
    return s != nullptr ? s->defId : 0;
}

void CDialog::GotoDlgCtrl(CWnd* control) {
    if (control != nullptr && control->m_hWnd != nullptr)
        control->m_hWnd->setFocus(Qt::OtherFocusReason);
}

BOOL CDialog::IsModalLoopRunning() const {
    DialogState* s = Data().dialog.get();
    return s != nullptr && s->loop != nullptr && !s->ended;
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        // As the platform's dialogs: the close box cancels unless a Cancel button is
        // there and disabled.
        ControlEntry* cancel = FindControl(*this, IDCANCEL);
        if (cancel == nullptr || cancel->widget->isEnabled())
            SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 0;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

const AFX_MSGMAP* CDialog::GetThisMessageMap() {
    static const AFX_MSGMAP map(CWnd::GetThisMessageMap(),
                                {
                                    OnCommandEntry(IDOK, &CDialog::OnOK),
                                    OnCommandEntry(IDCANCEL, &CDialog::OnCancel),
                                });
    return &map;
}

const AFX_MSGMAP* CDialog::GetMessageMap() const {
    return GetThisMessageMap();
}

namespace afx {

void CancelModalBoxes() {
    if (qApp == nullptr)
        return;
    // Each turn closes the top box; the bound only guards against a box that will not go.
    for (int turn = 0; turn < 64; ++turn) {
        QWidget* top = QApplication::activeModalWidget();
        if (top == nullptr)
            return;
        CDialog* dialog = DialogOf(top);
        if (dialog != nullptr && dialog->m_hWnd == top) {
            dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            dialog->EndDialog(IDCANCEL);
        } else if (auto* box = qobject_cast<QDialog*>(top)) {
            box->reject();
        }
        if (top->isVisible())
            top->hide();
    }
}

} // namespace afx
