#include "framework/testing/test_seams.h"

#include "framework/control_widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QWindow>

#include <map>

namespace afx::detail {
namespace {
std::function<int(const std::string&, UINT)>& BoxAnswerer() {
    static std::function<int(const std::string&, UINT)> f;
    return f;
}
std::function<bool(const CFileDialog&, std::string&, DWORD&)>& FileAnswerer() {
    static std::function<bool(const CFileDialog&, std::string&, DWORD&)> f;
    return f;
}
std::function<bool(const CPrintDialog&, std::string&)>& PrintAnswerer() {
    static std::function<bool(const CPrintDialog&, std::string&)> f;
    return f;
}
std::function<UINT_PTR(const CMenu&, CPoint)>& MenuAnswerer() {
    static std::function<UINT_PTR(const CMenu&, CPoint)> f;
    return f;
}
std::map<int, std::deque<std::function<void(CDialog&)>>>& ModalHooks() {
    static std::map<int, std::deque<std::function<void(CDialog&)>>> hooks;
    return hooks;
}
std::string& ProgramPath() {
    static std::string path;
    return path;
}

bool AnswerBox(const std::string& text, UINT type, int* answer) {
    if (!BoxAnswerer())
        return false;
    *answer = BoxAnswerer()(text, type);
    return true;
}

bool AnswerFile(const CFileDialog& dialog, std::string& path, DWORD& filterIndex, bool* answered) {
    if (!FileAnswerer())
        return false;
    *answered = FileAnswerer()(dialog, path, filterIndex);
    return true;
}

bool AnswerPrint(const CPrintDialog& dialog, std::string& pdfPath, bool* answered) {
    if (!PrintAnswerer())
        return false;
    *answered = PrintAnswerer()(dialog, pdfPath);
    return true;
}

bool AnswerMenu(const CMenu& menu, CPoint screenPoint, UINT_PTR* picked) {
    if (!MenuAnswerer())
        return false;
    *picked = MenuAnswerer()(menu, screenPoint);
    return true;
}

std::function<void(CDialog&)> NextModalSteps(int templateId) {
    auto it = ModalHooks().find(templateId);
    if (it == ModalHooks().end() || it->second.empty())
        return {};
    auto hook = std::move(it->second.front());
    it->second.pop_front();
    return hook;
}

std::string PathOverride() {
    return ProgramPath();
}
} // namespace
} // namespace afx::detail

using namespace afx::detail;

namespace {
// QLineEdit's own horizontal margin between its contents rectangle and the text.
constexpr int kLineEditSideGap = 2;
} // namespace

namespace afx::testing {

void SetMessageBoxAnswerer(std::function<int(const std::string&, UINT)> answerer) {
    BoxAnswerer() = std::move(answerer);
    Hooks().messageBox = AnswerBox;
}

std::vector<std::string> FileDialogNameFilters(const std::string& filter) {
    std::vector<std::string> out;
    for (const QString& f : NameFilters(filter))
        out.push_back(FromQ(f));
    return out;
}

void SetFileDialogAnswerer(std::function<bool(const CFileDialog&, std::string&)> answerer) {
    if (!answerer) {
        SetFileDialogFilterAnswerer(nullptr);
        return;
    }
    SetFileDialogFilterAnswerer(
        [answerer = std::move(answerer)](const CFileDialog& dialog, std::string& path, DWORD&) {
            return answerer(dialog, path);
        });
}

void SetFileDialogFilterAnswerer(
    std::function<bool(const CFileDialog&, std::string&, DWORD&)> answerer) {
    FileAnswerer() = std::move(answerer);
    Hooks().fileDialog = AnswerFile;
}

void SetPrintDialogAnswerer(std::function<bool(const CPrintDialog&, std::string&)> answerer) {
    PrintAnswerer() = std::move(answerer);
    Hooks().printDialog = AnswerPrint;
}

void SetPopupMenuAnswerer(std::function<UINT_PTR(const CMenu&, CPoint)> answerer) {
    MenuAnswerer() = std::move(answerer);
    Hooks().popupMenu = AnswerMenu;
}

void AddModalHook(int templateId, std::function<void(CDialog&)> hook) {
    ModalHooks()[templateId].push_back(std::move(hook));
    Hooks().modalSteps = NextModalSteps;
}

void ClearModalHooks() {
    ModalHooks().clear();
}

int PendingModalHooks(int templateId) {
    auto it = ModalHooks().find(templateId);
    return it == ModalHooks().end() ? 0 : static_cast<int>(it->second.size());
}

void SetProgramPathOverride(const std::string& path) {
    ProgramPath() = path;
    Hooks().programPath = PathOverride;
}

namespace {
QWidget* Control(CWnd& dialog, int id) {
    ControlEntry* c = FindControl(dialog, id);
    return c != nullptr ? c->widget : nullptr;
}

// A window is reachable by the user unless a modal dialog above it blocks it.
bool Reachable(CWnd& dialog) {
    auto& stack = ModalStack();
    return stack.empty() || stack.back() == &dialog;
}

QWidget* FocusOf(CWnd& dialog) {
    if (dialog.m_hWnd == nullptr)
        return nullptr;
    QWidget* f = dialog.m_hWnd->focusWidget();
    return f != nullptr ? f : dialog.m_hWnd;
}

void SendKey(CWnd& dialog, int key, BYTE modifiers = 0) {
    QWidget* target = FocusOf(dialog);
    if (target == nullptr)
        return;
    Qt::KeyboardModifiers held;
    if ((modifiers & FCONTROL) != 0)
        held |= Qt::ControlModifier;
    if ((modifiers & FSHIFT) != 0)
        held |= Qt::ShiftModifier;
    if ((modifiers & FALT) != 0)
        held |= Qt::AltModifier;
    QKeyEvent press(QEvent::KeyPress, key, held);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, held);
    if (dialog.m_hWnd != nullptr)
        QApplication::sendEvent(target, &release);
}
} // namespace

void ClickButton(CWnd& dialog, int id) {
    auto* b = qobject_cast<QAbstractButton*>(Control(dialog, id));
    if (b == nullptr || !b->isEnabled() || !Reachable(dialog))
        return;
    b->click();
}

void PressEnter(CWnd& dialog) {
    SendKey(dialog, Qt::Key_Return);
}
void PressEscape(CWnd& dialog) {
    SendKey(dialog, Qt::Key_Escape);
}
void PressKey(CWnd& dialog, int qtKey, BYTE modifiers) {
    SendKey(dialog, qtKey, modifiers);
}

void RightClick(CWnd& dialog, CPoint point) {
    if (dialog.m_hWnd == nullptr || !Reachable(dialog))
        return;
    const QPoint client(point.x, point.y);
    QWidget* target = dialog.m_hWnd->childAt(client);
    if (target == nullptr)
        target = dialog.m_hWnd;
    const QPoint local = target->mapFrom(dialog.m_hWnd, client);
    const QPoint global = target->mapToGlobal(local);
    SetLastCursorPos(global);
    // Qt turns a right click into this event for the widget under the mouse; a widget
    // without a menu of its own passes it on to its parent.
    QContextMenuEvent menu(QContextMenuEvent::Mouse, local, global);
    QApplication::sendEvent(target, &menu);
}

void ClickCloseBox(CWnd& dialog) {
    if (dialog.m_hWnd != nullptr)
        dialog.m_hWnd->close();
}

void SetFocusTo(CWnd& dialog, int id) {
    if (QWidget* w = Control(dialog, id))
        w->setFocus(Qt::MouseFocusReason);
}

int FocusedControlId(CWnd& dialog) {
    QWidget* f = dialog.m_hWnd != nullptr ? dialog.m_hWnd->focusWidget() : nullptr;
    for (; f != nullptr && f != dialog.m_hWnd; f = f->parentWidget())
        if (ControlEntry* c = FindControl(dialog, f))
            return c->templ.id;
    return 0;
}

void TypeText(CWnd& dialog, int id, const std::string& text) {
    QWidget* w = Control(dialog, id);
    if (auto* e = dynamic_cast<AfxLineEdit*>(w)) {
        if (e->isReadOnly() || !e->isEnabled())
            return;
        e->selectAll();
        e->del();
        QString q = ToQ(text);
        // Character by character, so that the length limit acts as on typing.
        for (qsizetype i = 0; i < q.size(); ++i) {
            if (q.at(i).isHighSurrogate() && i + 1 < q.size()) {
                e->insert(q.mid(i, 2));
                ++i;
            } else {
                e->insert(q.mid(i, 1));
            }
        }
    } else if (auto* t = dynamic_cast<AfxTextEdit*>(w)) {
        if (!t->isReadOnly() && t->isEnabled())
            t->setPlainText(ToQ(text));
    }
}

void PasteText(CWnd& dialog, int id, const std::string& text) {
    auto* e = dynamic_cast<AfxLineEdit*>(Control(dialog, id));
    if (e != nullptr && !e->isReadOnly() && e->isEnabled())
        e->insert(ToQ(text));
}

void SetControlText(CWnd& dialog, int id, const std::string& text) {
    dialog.SetDlgItemText(id, text);
}
std::string GetControlText(CWnd& dialog, int id) {
    return dialog.GetDlgItemText(id);
}

void SetCheck(CWnd& dialog, int id, bool checked) {
    dialog.CheckDlgButton(id, checked ? BST_CHECKED : BST_UNCHECKED);
}
bool IsChecked(CWnd& dialog, int id) {
    return dialog.IsDlgButtonChecked(id) == BST_CHECKED;
}
bool IsEnabled(CWnd& dialog, int id) {
    QWidget* w = Control(dialog, id);
    return w != nullptr && w->isEnabled();
}
bool IsVisible(CWnd& dialog, int id) {
    QWidget* w = Control(dialog, id);
    return w != nullptr && w->isVisible();
}
bool HasControl(CWnd& dialog, int id) {
    return Control(dialog, id) != nullptr;
}

void DoubleClickListAt(CWnd& dialog, int listId, CPoint point) {
    auto* l = dynamic_cast<AfxList*>(Control(dialog, listId));
    if (l == nullptr || !l->isEnabled() || !Reachable(dialog))
        return;
    QPoint client(point.x, point.y);
    QWidget* target = l->viewport();
    QPoint local = l->viewport()->mapFrom(l, client);
    if (!l->viewport()->geometry().contains(client)) {
        // Outside the rows' area (the header or the frame): the list gets no double click.
        if (l->header()->isVisible() && l->header()->geometry().contains(client)) {
            target = l->header();
            local = l->header()->mapFrom(l, client);
        } else {
            return;
        }
    }
    const QPointF global = target->mapToGlobal(QPointF(local));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(local), global, Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(local), global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(local), global, Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dbl);
    QMouseEvent release2(QEvent::MouseButtonRelease, QPointF(local), global, Qt::LeftButton,
                         Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release2);
}

void DoubleClickListRow(CWnd& dialog, int listId, int row) {
    auto* l = dynamic_cast<AfxList*>(Control(dialog, listId));
    if (l == nullptr)
        return;
    QRect r = l->RowRectClient(row);
    if (r.isEmpty())
        return;
    DoubleClickListAt(dialog, listId, CPoint(r.center().x(), r.center().y()));
}

void ClickListRow(CWnd& dialog, int listId, int row) {
    auto* l = dynamic_cast<AfxList*>(Control(dialog, listId));
    if (l == nullptr || !l->isEnabled() || !Reachable(dialog))
        return;
    QRect r = l->RowRectClient(row);
    if (r.isEmpty())
        return;
    const QPointF local(l->viewport()->mapFrom(l, r.center()));
    const QPointF global = l->viewport()->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(l->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(l->viewport(), &release);
}

std::string ListRowText(CWnd& dialog, int listId, int row, int column) {
    auto* l = dynamic_cast<AfxList*>(Control(dialog, listId));
    if (l == nullptr || row < 0 || row >= l->topLevelItemCount())
        return {};
    return FromQ(l->topLevelItem(row)->text(column));
}

int ListRowCount(CWnd& dialog, int listId) {
    auto* l = dynamic_cast<AfxList*>(Control(dialog, listId));
    return l != nullptr ? l->topLevelItemCount() : 0;
}

void HoverOver(CWnd& dialog, int id, CPoint point) {
    QWidget* w = Control(dialog, id);
    if (w == nullptr)
        return;
    const QPointF local(point.x, point.y);
    const QPointF global = w->mapToGlobal(local);
    QEnterEvent enter(local, local, global);
    QApplication::sendEvent(w, &enter);
    QHoverEvent hover(QEvent::HoverEnter, local, global, QPointF(-1, -1));
    QApplication::sendEvent(w, &hover);
    QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    QHoverEvent hoverMove(QEvent::HoverMove, local + QPointF(1, 0), global, local);
    QApplication::sendEvent(w, &hoverMove);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave);
}

void SetSliderPos(CWnd& dialog, int id, int pos) {
    auto* s = dynamic_cast<AfxSlider*>(Control(dialog, id));
    if (s == nullptr || !s->isEnabled() || !Reachable(dialog))
        return;
    s->setSliderDown(true);
    s->setSliderPosition(std::clamp(pos, s->minimum(), s->maximum()));
    s->setSliderDown(false);
    s->update();
}

int GetSliderPos(CWnd& dialog, int id) {
    auto* s = dynamic_cast<AfxSlider*>(Control(dialog, id));
    return s != nullptr ? s->value() : 0;
}

void GetSliderRange(CWnd& dialog, int id, int& minPos, int& maxPos) {
    auto* s = dynamic_cast<AfxSlider*>(Control(dialog, id));
    minPos = s != nullptr ? s->minAsSet : 0;
    maxPos = s != nullptr ? s->maxAsSet : 0;
}

int ProgressPos(CWnd& dialog, int id) {
    auto* p = dynamic_cast<AfxProgress*>(Control(dialog, id));
    return p != nullptr ? p->Pos() : 0;
}

void ProgressRange(CWnd& dialog, int id, int& lower, int& upper) {
    auto* p = dynamic_cast<AfxProgress*>(Control(dialog, id));
    lower = p != nullptr ? p->Lower() : 0;
    upper = p != nullptr ? p->Upper() : 0;
}

TextFit MeasureControlText(CWnd& dialog, std::size_t index, const std::string& text) {
    TextFit fit;
    DialogState* s = dialog.Data().dialog.get();
    if (s == nullptr || index >= s->controls.size())
        return fit;
    QWidget* w = s->controls[index].widget;
    const QFontMetrics fm = w->fontMetrics();
    QString q = ToQ(text);
    QStyle* style = w->style();
    fit.neededHeight = fm.height();
    fit.roomHeight = w->height();
    if (auto* l = dynamic_cast<AfxLabel*>(w)) {
        q = ToQ(text);
        q.remove(QLatin1Char('&'));
        const QRect room = l->contentsRect();
        const QRect needed = fm.boundingRect(room, Qt::TextWordWrap | l->alignment(), q);
        fit.neededWidth = needed.width();
        fit.roomWidth = room.width();
        fit.neededHeight = needed.height();
        fit.roomHeight = room.height();
    } else if (auto* b = qobject_cast<QPushButton*>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.features =
            b->isDefault() ? QStyleOptionButton::DefaultButton : QStyleOptionButton::None;
        q.remove(QLatin1Char('&'));
        const QRect contents = style->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
        // The label keeps the style's button margin off the bevel.
        fit.neededWidth =
            fm.horizontalAdvance(q) + style->pixelMetric(QStyle::PM_ButtonMargin, &opt, b);
        fit.roomWidth = contents.width();
        fit.roomHeight = contents.height();
    } else if (auto* c = qobject_cast<QAbstractButton*>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(c);
        q.remove(QLatin1Char('&'));
        const bool radio = qobject_cast<QRadioButton*>(c) != nullptr;
        const QRect contents = style->subElementRect(
            radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &opt, c);
        fit.neededWidth = fm.horizontalAdvance(q);
        fit.roomWidth = contents.width();
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        q.remove(QLatin1Char('&'));
        QGroupBox probe(q);
        probe.setFont(g->font());
        probe.setStyle(style);
        // The narrowest box that shows the title whole, as the style draws it.
        fit.neededWidth = probe.minimumSizeHint().width();
        fit.roomWidth = g->width();
    } else if (auto* e = dynamic_cast<AfxLineEdit*>(w)) {
        QStyleOptionFrame opt;
        opt.initFrom(e);
        opt.lineWidth =
            e->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e) : 0;
        const QRect contents = style->subElementRect(QStyle::SE_LineEditContents, &opt, e)
                                   .marginsRemoved(e->textMargins());
        // QLineEdit keeps a further kLineEditSideGap pixels on either side of the text.
        fit.neededWidth = fm.horizontalAdvance(q) + 2 * kLineEditSideGap;
        fit.roomWidth = contents.width();
        fit.roomHeight = contents.height();
    }
    return fit;
}

CRect ControlRect(CWnd& dialog, int id) {
    QWidget* w = Control(dialog, id);
    if (w == nullptr)
        return CRect();
    QRect g = w->geometry();
    return CRect(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
}

WindowRole WindowRoleOf(CWnd& window) {
    WindowRole role;
    QWidget* w = window.m_hWnd != nullptr ? window.m_hWnd->window() : nullptr;
    if (w == nullptr)
        return role;
    const Qt::WindowFlags f = w->windowFlags();
    role.dialog = (f & Qt::WindowType_Mask) == Qt::Dialog;
    role.modal = w->windowModality() != Qt::NonModal;
    role.closeButton = f.testFlag(Qt::WindowCloseButtonHint);
    role.minimizeButton = f.testFlag(Qt::WindowMinimizeButtonHint);
    role.maximizeButton = f.testFlag(Qt::WindowMaximizeButtonHint);
    QWindow* handle = w->windowHandle();
    QWindow* owner = handle != nullptr ? handle->transientParent() : nullptr;
    if (owner != nullptr) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->windowHandle() == owner)
                role.transientFor = WndFromWidget(top);
    }
    return role;
}

CRect ScreenRectOf(CWnd& window) {
    if (window.m_hWnd == nullptr)
        return CRect();
    const QPoint origin = window.m_hWnd->mapToGlobal(QPoint(0, 0));
    return CRect(origin.x(), origin.y(), origin.x() + window.m_hWnd->width(),
                 origin.y() + window.m_hWnd->height());
}

CRect ScreenArea() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return CRect();
    const QRect a = screen->availableGeometry();
    return CRect(a.left(), a.top(), a.left() + a.width(), a.top() + a.height());
}

int DisplayedLineCount(CWnd& dialog, int id) {
    auto* edit = qobject_cast<QPlainTextEdit*>(Control(dialog, id));
    if (edit == nullptr)
        return 0;
    int lines = 0;
    for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next())
        lines += b.layout() != nullptr ? std::max(1, b.layout()->lineCount()) : 1;
    return lines;
}

CSize ClientSize(CWnd& dialog) {
    return dialog.m_hWnd != nullptr ? CSize(dialog.m_hWnd->width(), dialog.m_hWnd->height())
                                    : CSize();
}

std::string WindowCaption(CWnd& dialog) {
    return dialog.m_hWnd != nullptr ? FromQ(dialog.m_hWnd->windowTitle()) : std::string();
}

COLORREF Image::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return CLR_INVALID;
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
}

bool Image::SavePng(const std::string& path) const {
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y, ToQColor(Pixel(x, y)).rgb());
    return img.save(ToQ(path), "PNG");
}

Image GrabWindow(CWnd& window) {
    Image out;
    if (window.m_hWnd == nullptr)
        return out;
    QImage img = window.m_hWnd->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (img.size() != window.m_hWnd->size())
        img = img.scaled(window.m_hWnd->size());
    out.width = img.width();
    out.height = img.height();
    out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) +
                       static_cast<std::size_t>(x)] = FromQColor(QColor(img.pixel(x, y)));
    return out;
}

namespace {
Image FromQImage(const QImage& source) {
    Image out;
    if (source.isNull())
        return out;
    const QImage img = source.convertToFormat(QImage::Format_RGB32);
    out.width = img.width();
    out.height = img.height();
    out.pixels.reserve(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    for (int y = 0; y < out.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < out.width; ++x)
            out.pixels.push_back(FromQColor(QColor(line[x])));
    }
    return out;
}
} // namespace

Image DecodePng(const std::vector<std::uint8_t>& bytes) {
    QImage img;
    if (!img.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "PNG"))
        return Image();
    return FromQImage(img);
}

Image ClipboardImage() {
    return FromQImage(QGuiApplication::clipboard()->image());
}

std::string ClipboardText() {
    return FromQ(QGuiApplication::clipboard()->text());
}

void ClearClipboard() {
    QGuiApplication::clipboard()->clear();
}

void ProcessEvents(int ms) {
    QElapsedTimer timer;
    timer.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::sendPostedEvents();
    } while (timer.elapsed() < ms);
}

bool WaitUntil(const std::function<bool()>& predicate, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!predicate()) {
        if (timer.elapsed() >= timeoutMs)
            return predicate();
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

CDialog* CurrentModalDialog() {
    auto& stack = ModalStack();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it)
        if ((*it)->IsModalLoopRunning())
            return *it;
    return nullptr;
}

std::vector<MessageBoxRecord>& RecordMessageBoxes(int answer, int yesNoAnswer) {
    static std::vector<MessageBoxRecord> records;
    records.clear();
    SetMessageBoxAnswerer([answer, yesNoAnswer](const std::string& text, UINT type) {
        records.push_back({text, type});
        return (type & MB_TYPEMASK) == MB_YESNO ? yesNoAnswer : answer;
    });
    return records;
}

} // namespace afx::testing
