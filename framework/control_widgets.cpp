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

int CodePoints(const QString& s) {
    int n = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

QValidator::State LengthValidator::validate(QString& input, int&) const {
    if (limit > 0 && CodePoints(input) > std::max(limit, allowance))
        return Invalid;
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
    // setText bypasses the validator; the allowance follows the new length.
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

namespace {

// Pixels between a multi-line edit's text and its edges. The platform's edit keeps about
// one pixel inside a border and none without one; Qt's wider default would wrap the lines
// that the status boxes were sized for.
constexpr int kBorderedEditMargin = 1;
constexpr int kBorderlessEditMargin = 0;

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

QString ToDisplayLines(const std::string& text) {
    QString q = ToQ(text);
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

std::string FromDisplayLines(const QString& text) {
    QString q = text;
    q.replace(QChar(0x2029), QLatin1Char('\n'));
    q.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return FromQ(q);
}

QButtonGroup* GroupOf(QAbstractButton* b) {
    return b->group();
}

void SetButtonCheck(QAbstractButton* b, bool on) {
    QButtonGroup* g = GroupOf(b);
    if (!on && g != nullptr && g->exclusive()) {
        // An exclusive group refuses to uncheck its checked button.
        g->setExclusive(false);
        b->setChecked(false);
        g->setExclusive(true);
        return;
    }
    b->setChecked(on);
}

} // namespace

void BuildControls(CDialog& dialog, DialogState& state) {
    QWidget* parent = state.widget;
    QButtonGroup* radioGroup = nullptr;
    std::vector<QWidget*> groupBoxes;
    for (const ControlTemplate& t : state.templ.controls) {
        QWidget* w = nullptr;
        const DWORD st = t.style;
        if ((st & WS_GROUP) != 0)
            radioGroup = nullptr;
        switch (t.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefPushButton: {
            auto* b = new QPushButton(ToQ(t.text), parent);
            b->setAutoDefault(false);
            b->setDefault(t.kind == ControlKind::DefPushButton);
            if (t.kind == ControlKind::DefPushButton && state.defId == 0)
                state.defId = static_cast<UINT>(t.id);
            w = b;
            break;
        }
        case ControlKind::CheckBox:
            w = new QCheckBox(ToQ(t.text), parent);
            break;
        case ControlKind::RadioButton: {
            auto* r = new QRadioButton(ToQ(t.text), parent);
            r->setAutoExclusive(false);
            if (radioGroup == nullptr) {
                radioGroup = new QButtonGroup(parent);
                radioGroup->setExclusive(true);
            }
            radioGroup->addButton(r);
            w = r;
            break;
        }
        case ControlKind::GroupBox: {
            auto* g = new QGroupBox(ToQ(t.text).remove(QLatin1Char('&')), parent);
            g->setAttribute(Qt::WA_TransparentForMouseEvents);
            g->setFocusPolicy(Qt::NoFocus);
            groupBoxes.push_back(g);
            w = g;
            break;
        }
        case ControlKind::Static: {
            auto* l = new QLabel(StripMnemonic(ToQ(t.text)), parent);
            l->setTextFormat(Qt::PlainText);
            l->setWordWrap(true);
            Qt::Alignment h = Qt::AlignLeft;
            if ((st & 0x3) == SS_CENTER)
                h = Qt::AlignHCenter;
            else if ((st & 0x3) == SS_RIGHT)
                h = Qt::AlignRight;
            l->setAlignment(h | Qt::AlignTop);
            l->setProperty("afxText", ToQ(t.text));
            if ((st & SS_SUNKEN) != 0)
                l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            w = l;
            break;
        }
        case ControlKind::Edit: {
            const bool border = (st & WS_BORDER) != 0 || (t.exStyle & WS_EX_CLIENTEDGE) != 0;
            if ((st & ES_MULTILINE) != 0) {
                auto* e = new AfxTextEdit(parent);
                e->setReadOnly((st & ES_READONLY) != 0);
                e->setFrameShape(border ? QFrame::StyledPanel : QFrame::NoFrame);
                e->setVerticalScrollBarPolicy((st & WS_VSCROLL) != 0 ? Qt::ScrollBarAlwaysOn
                                                                     : Qt::ScrollBarAlwaysOff);
                e->setHorizontalScrollBarPolicy((st & WS_HSCROLL) != 0 ? Qt::ScrollBarAlwaysOn
                                                                       : Qt::ScrollBarAlwaysOff);
                const bool noWrap = (st & (WS_HSCROLL | ES_AUTOHSCROLL)) != 0;
                e->setLineWrapMode(noWrap ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
                e->setTabChangesFocus(true);
                e->document()->setDocumentMargin(border ? kBorderedEditMargin
                                                        : kBorderlessEditMargin);
                if (!t.text.empty())
                    e->SetText(ToDisplayLines(t.text));
                w = e;
            } else {
                auto* e = new AfxLineEdit(parent);
                e->setReadOnly((st & ES_READONLY) != 0);
                e->setFrame(border);
                if ((st & 0x3) == ES_CENTER)
                    e->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
                else if ((st & 0x3) == ES_RIGHT)
                    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                if ((st & ES_PASSWORD) != 0)
                    e->setEchoMode(QLineEdit::Password);
                e->SetTextKeepingLimit(ToQ(t.text));
                w = e;
            }
            break;
        }
        case ControlKind::ListView: {
            auto* l = new AfxList(parent);
            l->sortDescending = (st & LVS_SORTDESCENDING) != 0;
            const bool border = (st & WS_BORDER) != 0 || (t.exStyle & WS_EX_CLIENTEDGE) != 0;
            l->setFrameShape(border ? QFrame::StyledPanel : QFrame::NoFrame);
            w = l;
            break;
        }
        case ControlKind::Trackbar: {
            auto* s = new AfxSlider((st & TBS_VERT) != 0 ? Qt::Vertical : Qt::Horizontal, parent);
            s->setTickPosition((st & TBS_AUTOTICKS) != 0 && (st & TBS_NOTICKS) == 0
                                   ? QSlider::TicksBelow
                                   : QSlider::NoTicks);
            s->setFocusPolicy(Qt::StrongFocus);
            w = s;
            break;
        }
        case ControlKind::Progress: {
            auto* p = new QProgressBar(parent);
            p->setTextVisible(false);
            p->setRange(0, 100);
            p->setValue(0);
            p->setProperty("afxLower", 0);
            p->setProperty("afxUpper", 100);
            p->setProperty("afxStep", 10);
            p->setProperty("afxPos", 0);
            p->setFocusPolicy(Qt::NoFocus);
            w = p;
            break;
        }
        }
        w->setGeometry(ToQRect(ControlRectPixels(t)));
        ApplyDialogFont(w);
        w->setEnabled((st & WS_DISABLED) == 0);
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            CDialog* d = &dialog;
            const int id = t.id;
            QObject::connect(b, &QAbstractButton::clicked, b, [d, id, b] {
                d->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                               reinterpret_cast<LPARAM>(static_cast<QWidget*>(b)));
            });
        }
        if (t.kind == ControlKind::Static || t.kind == ControlKind::GroupBox)
            w->setFocusPolicy(Qt::NoFocus);
        ControlEntry entry;
        entry.templ = t;
        entry.widget = w;
        state.controls.push_back(std::move(entry));
    }
    for (QWidget* g : groupBoxes)
        g->lower();
}

QRect ToQRect(const CRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

bool IsPushButton(const QWidget* w) {
    return qobject_cast<const QPushButton*>(w) != nullptr;
}

LRESULT ControlMessage(QWidget* w, UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
    *handled = true;
    if (auto* e = dynamic_cast<AfxLineEdit*>(w)) {
        switch (message) {
        case kSetTextUtf8:
            e->SetTextKeepingLimit(ToQ(*reinterpret_cast<const std::string*>(lParam)));
            return TRUE;
        case kGetTextUtf8:
            *reinterpret_cast<std::string*>(lParam) = FromQ(e->text());
            return TRUE;
        case EM_GETLINECOUNT:
            return 1;
        case EM_LINESCROLL:
        case EM_GETFIRSTVISIBLELINE:
            return 0;
        case EM_LIMITTEXT:
            e->SetLimit(static_cast<int>(wParam));
            return 0;
        case EM_GETLIMITTEXT:
            return e->Limit() > 0 ? e->Limit() : 0x7FFFFFFE;
        case EM_SETREADONLY:
            e->setReadOnly(wParam != 0);
            return TRUE;
        case EM_SETSEL: {
            int len = static_cast<int>(e->text().size());
            int a = static_cast<int>(static_cast<INT_PTR>(wParam));
            int b = static_cast<int>(lParam);
            if (a < 0) {
                e->deselect();
                return 0;
            }
            if (b < 0 || b > len)
                b = len;
            a = std::min(a, len);
            e->setSelection(a, b - a);
            return 0;
        }
        case EM_REPLACESEL:
            e->insert(ToQ(reinterpret_cast<const char*>(lParam)));
            return 0;
        default:
            break;
        }
    } else if (auto* t = dynamic_cast<AfxTextEdit*>(w)) {
        switch (message) {
        case kSetTextUtf8:
            t->SetText(ToDisplayLines(*reinterpret_cast<const std::string*>(lParam)));
            return TRUE;
        case kGetTextUtf8:
            *reinterpret_cast<std::string*>(lParam) = FromDisplayLines(t->toPlainText());
            return TRUE;
        case EM_GETLINECOUNT:
            return t->LineCount();
        case EM_LINESCROLL:
            t->ScrollLines(static_cast<int>(lParam));
            return TRUE;
        case EM_GETFIRSTVISIBLELINE:
            return t->FirstLine();
        case EM_LIMITTEXT:
            t->limit = static_cast<int>(wParam);
            return 0;
        case EM_GETLIMITTEXT:
            return t->limit > 0 ? t->limit : 0x7FFFFFFE;
        case EM_SETREADONLY:
            t->setReadOnly(wParam != 0);
            return TRUE;
        case EM_SETSEL: {
            QTextCursor c = t->textCursor();
            int len = static_cast<int>(t->toPlainText().size());
            int a = static_cast<int>(static_cast<INT_PTR>(wParam));
            int b = static_cast<int>(lParam);
            if (b < 0 || b > len)
                b = len;
            a = std::clamp(a, 0, len);
            c.setPosition(a);
            c.setPosition(b, QTextCursor::KeepAnchor);
            t->setTextCursor(c);
            return 0;
        }
        case EM_REPLACESEL:
            t->insertPlainText(ToDisplayLines(reinterpret_cast<const char*>(lParam)));
            return 0;
        default:
            break;
        }
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        switch (message) {
        case kSetTextUtf8:
            b->setText(ToQ(*reinterpret_cast<const std::string*>(lParam)));
            return TRUE;
        case kGetTextUtf8:
            *reinterpret_cast<std::string*>(lParam) = FromQ(b->text());
            return TRUE;
        case BM_GETCHECK:
            return b->isCheckable() && b->isChecked() ? BST_CHECKED : BST_UNCHECKED;
        case BM_SETCHECK:
            if (b->isCheckable())
                SetButtonCheck(b, wParam == BST_CHECKED);
            return 0;
        case BM_CLICK:
            if (b->isEnabled())
                b->click();
            return 0;
        default:
            break;
        }
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        switch (message) {
        case kSetTextUtf8: {
            QString q = ToQ(*reinterpret_cast<const std::string*>(lParam));
            l->setProperty("afxText", q);
            l->setText(StripMnemonic(q));
            return TRUE;
        }
        case kGetTextUtf8:
            *reinterpret_cast<std::string*>(lParam) = FromQ(l->property("afxText").toString());
            return TRUE;
        default:
            break;
        }
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        switch (message) {
        case kSetTextUtf8:
            g->setTitle(ToQ(*reinterpret_cast<const std::string*>(lParam)));
            return TRUE;
        case kGetTextUtf8:
            *reinterpret_cast<std::string*>(lParam) = FromQ(g->title());
            return TRUE;
        default:
            break;
        }
    } else if (auto* p = qobject_cast<QProgressBar*>(w)) {
        auto prop = [p](const char* n) { return p->property(n).toInt(); };
        auto setPos = [p, &prop](long long pos) {
            int lo = prop("afxLower"), hi = prop("afxUpper");
            int v =
                static_cast<int>(std::clamp<long long>(pos, std::min(lo, hi), std::max(lo, hi)));
            p->setProperty("afxPos", v);
            p->setValue(v);
        };
        switch (message) {
        case PBM_SETRANGE32:
        case PBM_SETRANGE: {
            int lo, hi;
            if (message == PBM_SETRANGE32) {
                lo = static_cast<int>(static_cast<INT_PTR>(wParam));
                hi = static_cast<int>(lParam);
            } else {
                lo = static_cast<std::int16_t>(LOWORD(static_cast<DWORD_PTR>(lParam)));
                hi = static_cast<std::int16_t>(HIWORD(static_cast<DWORD_PTR>(lParam)));
            }
            LRESULT old = MAKELPARAM(static_cast<WORD>(prop("afxLower")),
                                     static_cast<WORD>(prop("afxUpper")));
            p->setProperty("afxLower", lo);
            p->setProperty("afxUpper", hi);
            p->setRange(std::min(lo, hi), std::max(lo, hi));
            setPos(prop("afxPos"));
            return old;
        }
        case PBM_GETRANGE:
            return wParam != 0 ? prop("afxLower") : prop("afxUpper");
        case PBM_SETPOS: {
            int old = prop("afxPos");
            setPos(static_cast<INT_PTR>(wParam));
            return old;
        }
        case PBM_DELTAPOS: {
            int old = prop("afxPos");
            setPos(static_cast<long long>(old) + static_cast<INT_PTR>(wParam));
            return old;
        }
        case PBM_GETPOS:
            return prop("afxPos");
        case PBM_SETSTEP: {
            int old = prop("afxStep");
            p->setProperty("afxStep", static_cast<int>(static_cast<INT_PTR>(wParam)));
            return old;
        }
        case PBM_STEPIT: {
            int old = prop("afxPos");
            int lo = prop("afxLower"), hi = prop("afxUpper");
            long long v = static_cast<long long>(old) + prop("afxStep");
            // Past the upper bound the bar starts over from the lower bound.
            if (hi > lo && v > hi)
                v = lo + (v - hi);
            setPos(v);
            return old;
        }
        default:
            break;
        }
    } else if (auto* s = dynamic_cast<AfxSlider*>(w)) {
        switch (message) {
        case TBM_GETPOS:
            return s->value();
        case TBM_GETRANGEMIN:
            return s->minAsSet;
        case TBM_GETRANGEMAX:
            return s->maxAsSet;
        case TBM_SETPOS:
            s->SetPosClamped(static_cast<int>(lParam));
            if (wParam != 0)
                s->update();
            return 0;
        case TBM_SETRANGE:
            s->SetRangeAsSet(static_cast<std::int16_t>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                             static_cast<std::int16_t>(HIWORD(static_cast<DWORD_PTR>(lParam))));
            if (wParam != 0)
                s->update();
            return 0;
        case TBM_SETRANGEMIN:
            s->SetRangeAsSet(static_cast<int>(lParam), s->maxAsSet);
            if (wParam != 0)
                s->update();
            return 0;
        case TBM_SETRANGEMAX:
            s->SetRangeAsSet(s->minAsSet, static_cast<int>(lParam));
            if (wParam != 0)
                s->update();
            return 0;
        default:
            break;
        }
    }
    *handled = false;
    return 0;
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
