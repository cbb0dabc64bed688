#include "framework/control_widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextDocument>

#include <algorithm>

namespace afx::detail {

namespace {

QString StripMnemonic(const QString& s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i) == QLatin1Char('&')) {
            if (i + 1 < s.size() && s.at(i + 1) == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += s.at(i);
    }
    return out;
}

std::string FromDisplayLines(const QString& text) {
    QString q = text;
    q.replace(QChar(0x2029), QLatin1Char('\n'));
    q.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return FromQ(q);
}

void SetButtonCheck(QAbstractButton* b, bool on) {
    QButtonGroup* g = b->group();
    if (!on && g != nullptr && g->exclusive()) {
        // An exclusive group refuses to uncheck its checked button.
        g->setExclusive(false);
        b->setChecked(false);
        g->setExclusive(true);
        return;
    }
    b->setChecked(on);
}

const std::string& TextArg(LPARAM lParam) {
    return *reinterpret_cast<const std::string*>(lParam);
}

std::string& TextOut(LPARAM lParam) {
    return *reinterpret_cast<std::string*>(lParam);
}

} // namespace

QString ToDisplayLines(const std::string& text) {
    QString q = ToQ(text);
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

int CodePoints(const QString& s) {
    int n = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

QValidator::State LengthValidator::validate(QString& input, int& pos) const {
    if (limit <= 0)
        return Acceptable;
    int excess = CodePoints(input) - std::max(limit, allowance);
    if (excess <= 0)
        return Acceptable;
    // The cursor stands right after what was just typed or pasted; the end of that goes.
    // QLineEdit takes the shortened text in place of the one it asked about.
    const qsizetype end = std::clamp<qsizetype>(pos, 0, input.size());
    qsizetype start = end;
    for (; excess > 0 && start > 0; --excess) {
        --start;
        if (start > 0 && input.at(start).isLowSurrogate() && input.at(start - 1).isHighSurrogate())
            --start;
    }
    if (excess > 0)
        return Invalid;
    input.remove(start, end - start);
    pos = static_cast<int>(start);
    return Acceptable;
}

AfxLineEdit::AfxLineEdit(QWidget* parent)
    : QLineEdit(parent), validator_(new LengthValidator(this)) {
    setValidator(validator_);
    connect(this, &QLineEdit::textChanged, this, [this] { UpdateAllowance(); });
}

void AfxLineEdit::UpdateAllowance() {
    validator_->allowance = CodePoints(text());
}

void AfxLineEdit::SetLimit(int chars) {
    validator_->limit = chars;
    UpdateAllowance();
}

void AfxLineEdit::SetTextKeepingLimit(const QString& t) {
    // The validator sees this text too: allowed whole before it is set, so it is not cut.
    validator_->allowance = CodePoints(t);
    setText(t);
    UpdateAllowance();
    setCursorPosition(0);
}

AfxTextEdit::AfxTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int) {
        if (!applying_)
            first_ = verticalScrollBar()->sliderPosition();
    });
}

void AfxTextEdit::SetText(const QString& t) {
    setPlainText(t);
    first_ = 0;
    Apply();
}

int AfxTextEdit::LineCount() const {
    return document()->blockCount();
}

void AfxTextEdit::ScrollLines(int lines) {
    first_ = std::clamp(first_ + lines, 0, std::max(0, LineCount() - 1));
    Apply();
}

void AfxTextEdit::Apply() {
    applying_ = true;
    verticalScrollBar()->setValue(first_);
    applying_ = false;
}

void AfxTextEdit::resizeEvent(QResizeEvent* e) {
    QPlainTextEdit::resizeEvent(e);
    Apply();
}

void AfxTextEdit::showEvent(QShowEvent* e) {
    QPlainTextEdit::showEvent(e);
    Apply();
}

AfxSlider::AfxSlider(Qt::Orientation o, QWidget* parent) : QSlider(o, parent) {
    setAttribute(Qt::WA_Hover, false);
    setMouseTracking(false);
    QSlider::setRange(0, 100);
}

void AfxSlider::SetRangeAsSet(int minPos, int maxPos) {
    minAsSet = minPos;
    maxAsSet = maxPos;
    QSlider::setRange(minPos, std::max(minPos, maxPos));
}

void AfxSlider::SetPosClamped(int pos) {
    setValue(std::clamp(pos, minimum(), maximum()));
}

bool AfxSlider::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove:
    case QEvent::Enter:
    case QEvent::Leave:
        // No hover highlighting: a mouse passing over must not repaint the trackbar,
        // since every paint notifies the dialog.
        return true;
    default:
        break;
    }
    bool r = QSlider::event(e);
    if (e->type() == QEvent::Polish || e->type() == QEvent::StyleChange)
        setAttribute(Qt::WA_Hover, false);
    return r;
}

void AfxSlider::paintEvent(QPaintEvent* e) {
    ++paints;
    if (CDialog* d = DialogOf(this)) {
        if (ControlEntry* c = FindControl(*d, this)) {
            NMCUSTOMDRAW nm{};
            nm.hdr.hwndFrom = this;
            nm.hdr.idFrom = static_cast<UINT_PTR>(c->templ.id);
            nm.hdr.code = NM_CUSTOMDRAW;
            nm.dwDrawStage = CDDS_PREPAINT;
            nm.rc = RECT{0, 0, width(), height()};
            d->SendMessage(WM_NOTIFY, static_cast<WPARAM>(c->templ.id),
                           reinterpret_cast<LPARAM>(&nm));
        }
    }
    QSlider::paintEvent(e);
}

namespace {
// EM_GETSEL's answer: the positions where wParam and lParam point, when they do, and
// both packed in the result.
LRESULT StoreSelection(WPARAM wParam, LPARAM lParam, int from, int to) {
    if (wParam != 0)
        *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(from);
    if (lParam != 0)
        *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(to);
    return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(std::min(from, 0xFFFF)),
                                         static_cast<WORD>(std::min(to, 0xFFFF))));
}
} // namespace

std::optional<LRESULT> AfxLineEdit::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case EM_GETSEL:
        if (!hasSelectedText())
            return StoreSelection(wParam, lParam, cursorPosition(), cursorPosition());
        return StoreSelection(wParam, lParam, selectionStart(), selectionEnd());
    case WM_COPY:
        copy();
        return 0;
    case kSetTextUtf8:
        SetTextKeepingLimit(ToQ(TextArg(lParam)));
        return TRUE;
    case kGetTextUtf8:
        TextOut(lParam) = FromQ(text());
        return TRUE;
    case EM_GETLINECOUNT:
        return 1;
    case EM_LINESCROLL:
    case EM_GETFIRSTVISIBLELINE:
        return 0;
    case EM_LIMITTEXT:
        SetLimit(static_cast<int>(wParam));
        return 0;
    case EM_SETSEL: {
        const int len = static_cast<int>(text().size());
        int a = static_cast<int>(static_cast<INT_PTR>(wParam));
        int b = static_cast<int>(lParam);
        if (a < 0) {
            deselect();
            return 0;
        }
        if (b < 0 || b > len)
            b = len;
        a = std::min(a, len);
        setSelection(a, b - a);
        return 0;
    }
    default:
        return std::nullopt;
    }
}

std::optional<LRESULT> AfxTextEdit::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case EM_GETSEL: {
        const QTextCursor c = textCursor();
        return StoreSelection(wParam, lParam, c.selectionStart(), c.selectionEnd());
    }
    case WM_COPY:
        copy();
        return 0;
    case kSetTextUtf8:
        SetText(ToDisplayLines(TextArg(lParam)));
        return TRUE;
    case kGetTextUtf8:
        TextOut(lParam) = FromDisplayLines(toPlainText());
        return TRUE;
    case EM_GETLINECOUNT:
        return LineCount();
    case EM_LINESCROLL:
        ScrollLines(static_cast<int>(lParam));
        return TRUE;
    case EM_GETFIRSTVISIBLELINE:
        return FirstLine();
    case EM_LIMITTEXT:
        limit = static_cast<int>(wParam);
        return 0;
    case EM_SETSEL: {
        QTextCursor c = textCursor();
        const int len = static_cast<int>(toPlainText().size());
        int a = static_cast<int>(static_cast<INT_PTR>(wParam));
        int b = static_cast<int>(lParam);
        if (b < 0 || b > len)
            b = len;
        a = std::clamp(a, 0, len);
        c.setPosition(a);
        c.setPosition(b, QTextCursor::KeepAnchor);
        setTextCursor(c);
        return 0;
    }
    default:
        return std::nullopt;
    }
}

std::optional<LRESULT> AfxSlider::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case TBM_GETPOS:
        return value();
    case TBM_GETRANGEMIN:
        return minAsSet;
    case TBM_GETRANGEMAX:
        return maxAsSet;
    case TBM_SETPOS:
        SetPosClamped(static_cast<int>(lParam));
        if (wParam != 0)
            update();
        return 0;
    default:
        return std::nullopt;
    }
}

template <class Button>
std::optional<LRESULT> AfxButton<Button>::OnControlMessage(UINT message, WPARAM wParam,
                                                           LPARAM lParam) {
    switch (message) {
    case kSetTextUtf8:
        this->setText(ToQ(TextArg(lParam)));
        return TRUE;
    case kGetTextUtf8:
        TextOut(lParam) = FromQ(this->text());
        return TRUE;
    case BM_GETCHECK:
        return this->isCheckable() && this->isChecked() ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        if (this->isCheckable())
            SetButtonCheck(this, wParam == BST_CHECKED);
        return 0;
    default:
        return std::nullopt;
    }
}

template class AfxButton<QPushButton>;
template class AfxButton<QCheckBox>;
template class AfxButton<QRadioButton>;

AfxLabel::AfxLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    SetText(text);
}

void AfxLabel::SetText(const QString& text) {
    asSet_ = text;
    setText(StripMnemonic(text));
}

std::optional<LRESULT> AfxLabel::OnControlMessage(UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case kSetTextUtf8:
        SetText(ToQ(TextArg(lParam)));
        return TRUE;
    case kGetTextUtf8:
        TextOut(lParam) = FromQ(asSet_);
        return TRUE;
    default:
        return std::nullopt;
    }
}

std::optional<LRESULT> AfxGroupBox::OnControlMessage(UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case kSetTextUtf8:
        setTitle(ToQ(TextArg(lParam)));
        return TRUE;
    case kGetTextUtf8:
        TextOut(lParam) = FromQ(title());
        return TRUE;
    default:
        return std::nullopt;
    }
}

AfxProgress::AfxProgress(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    setRange(lower_, upper_);
    setValue(pos_);
    setFocusPolicy(Qt::NoFocus);
}

void AfxProgress::SetRangeAsSet(int lower, int upper) {
    lower_ = lower;
    upper_ = upper;
    setRange(std::min(lower, upper), std::max(lower, upper));
    SetPosClamped(pos_);
}

void AfxProgress::SetPosClamped(long long pos) {
    pos_ = static_cast<int>(
        std::clamp<long long>(pos, std::min(lower_, upper_), std::max(lower_, upper_)));
    setValue(pos_);
}

std::optional<LRESULT> AfxProgress::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const int old = pos_;
    switch (message) {
    case PBM_SETRANGE32: {
        const LRESULT oldRange = MAKELPARAM(static_cast<WORD>(lower_), static_cast<WORD>(upper_));
        SetRangeAsSet(static_cast<int>(static_cast<INT_PTR>(wParam)), static_cast<int>(lParam));
        return oldRange;
    }
    case PBM_GETRANGE:
        return wParam != 0 ? lower_ : upper_;
    case PBM_SETPOS:
        SetPosClamped(static_cast<INT_PTR>(wParam));
        return old;
    case PBM_GETPOS:
        return pos_;
    case PBM_SETSTEP: {
        const int oldStep = step_;
        step_ = static_cast<int>(static_cast<INT_PTR>(wParam));
        return oldStep;
    }
    case PBM_STEPIT: {
        long long v = static_cast<long long>(pos_) + step_;
        // Past the upper bound the bar starts over from the lower bound.
        if (upper_ > lower_ && v > upper_)
            v = lower_ + (v - upper_);
        SetPosClamped(v);
        return old;
    }
    default:
        return std::nullopt;
    }
}

AfxList::AfxList(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setColumnCount(0);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    setHeaderLabels({});
}

int AfxList::HitTestClient(const QPoint& client) const {
    QPoint vp = viewport()->mapFrom(this, client);
    if (!viewport()->rect().contains(vp))
        return -1;
    QTreeWidgetItem* item = itemAt(vp);
    return item == nullptr ? -1 : indexOfTopLevelItem(item);
}

QRect AfxList::RowRectClient(int row) const {
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr)
        return {};
    QRect r = visualItemRect(item);
    return QRect(viewport()->mapTo(this, r.topLeft()), r.size());
}

void AfxList::mouseDoubleClickEvent(QMouseEvent* e) {
    QPoint client = viewport()->mapTo(this, e->position().toPoint());
    SetLastCursorPos(mapToGlobal(client));
    if (CWnd* wnd = WndFromWidget(this)) {
        UINT flags = 0x0001; // MK_LBUTTON
        wnd->SendMessage(WM_LBUTTONDBLCLK, flags,
                         MAKELPARAM(static_cast<WORD>(client.x()), static_cast<WORD>(client.y())));
    }
    e->accept();
}

QRect ToQRect(const CRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

bool IsPushButton(const QWidget* w) {
    return qobject_cast<const QPushButton*>(w) != nullptr;
}

std::optional<LRESULT> ControlMessage(QWidget* w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto* c = dynamic_cast<ControlMessages*>(w))
        return c->OnControlMessage(message, wParam, lParam);
    return std::nullopt;
}

std::unique_ptr<CWnd> MakeWrapper(ControlKind kind) {
    switch (kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::GroupBox:
        return std::make_unique<CButton>();
    case ControlKind::Static:
        return std::make_unique<CStatic>();
    case ControlKind::Edit:
        return std::make_unique<CEdit>();
    case ControlKind::ListView:
        return std::make_unique<CListCtrl>();
    case ControlKind::Trackbar:
        return std::make_unique<CSliderCtrl>();
    case ControlKind::Progress:
        return std::make_unique<CProgressCtrl>();
    }
    return std::make_unique<CWnd>();
}

} // namespace afx::detail
