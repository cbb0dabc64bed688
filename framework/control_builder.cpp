#include "framework/control_widgets.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QTextDocument>

#include <vector>

namespace afx::detail {

namespace {

// Pixels between a multi-line edit's text and its edges. The platform's edit keeps about
// one pixel inside a border and none without one; Qt's wider default would wrap the lines
// that the status boxes were sized for.
constexpr int kBorderedEditMargin = 1;
constexpr int kBorderlessEditMargin = 0;

// What the builders share while the controls of one template are made, in template order.
struct BuildContext {
    QWidget* parent;
    DialogState& state;
    QButtonGroup* radioGroup = nullptr; // the group the next radio button joins
    std::vector<QWidget*> groupBoxes;   // lowered under the controls they frame
};

// Makes the widget of one control kind with its class styles; placement is shared.
using Builder = QWidget* (*)(const ControlTemplate& t, BuildContext& c);

bool HasBorder(const ControlTemplate& t) {
    return (t.style & WS_BORDER) != 0 || (t.exStyle & WS_EX_CLIENTEDGE) != 0;
}

Qt::ScrollBarPolicy ScrollBarPolicy(DWORD style, DWORD bar) {
    return (style & bar) != 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
}

QWidget* BuildPushButton(const ControlTemplate& t, BuildContext& c) {
    const bool isDefault = t.kind == ControlKind::DefPushButton;
    auto* b = new AfxPushButton(ToQ(t.text), c.parent);
    b->setAutoDefault(false);
    b->setDefault(isDefault);
    // Enter sends the first default button's command.
    if (isDefault && c.state.defId == 0)
        c.state.defId = static_cast<UINT>(t.id);
    return b;
}

QWidget* BuildCheckBox(const ControlTemplate& t, BuildContext& c) {
    return new AfxCheckBox(ToQ(t.text), c.parent);
}

QWidget* BuildRadioButton(const ControlTemplate& t, BuildContext& c) {
    auto* r = new AfxRadioButton(ToQ(t.text), c.parent);
    // Exclusion runs by template groups, not by Qt's siblings.
    r->setAutoExclusive(false);
    if (c.radioGroup == nullptr) {
        c.radioGroup = new QButtonGroup(c.parent);
        c.radioGroup->setExclusive(true);
    }
    c.radioGroup->addButton(r);
    return r;
}

QWidget* BuildGroupBox(const ControlTemplate& t, BuildContext& c) {
    auto* g = new AfxGroupBox(ToQ(t.text).remove(QLatin1Char('&')), c.parent);
    // A frame drawn around other controls: clicks go through it to them.
    g->setAttribute(Qt::WA_TransparentForMouseEvents);
    g->setFocusPolicy(Qt::NoFocus);
    c.groupBoxes.push_back(g);
    return g;
}

QWidget* BuildStatic(const ControlTemplate& t, BuildContext& c) {
    const DWORD st = t.style;
    auto* l = new AfxLabel(ToQ(t.text), c.parent);
    Qt::Alignment h = Qt::AlignLeft;
    if ((st & 0x3) == SS_CENTER)
        h = Qt::AlignHCenter;
    else if ((st & 0x3) == SS_RIGHT)
        h = Qt::AlignRight;
    l->setAlignment(h | Qt::AlignTop);
    if ((st & SS_SUNKEN) != 0)
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setFocusPolicy(Qt::NoFocus);
    return l;
}

QWidget* BuildTextEdit(const ControlTemplate& t, BuildContext& c) {
    const DWORD st = t.style;
    const bool border = HasBorder(t);
    auto* e = new AfxTextEdit(c.parent);
    e->setReadOnly((st & ES_READONLY) != 0);
    e->setFrameShape(border ? QFrame::StyledPanel : QFrame::NoFrame);
    e->setVerticalScrollBarPolicy(ScrollBarPolicy(st, WS_VSCROLL));
    e->setHorizontalScrollBarPolicy(ScrollBarPolicy(st, WS_HSCROLL));
    const bool noWrap = (st & (WS_HSCROLL | ES_AUTOHSCROLL)) != 0;
    e->setLineWrapMode(noWrap ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    e->setTabChangesFocus(true);
    e->document()->setDocumentMargin(border ? kBorderedEditMargin : kBorderlessEditMargin);
    if (!t.text.empty())
        e->SetText(ToDisplayLines(t.text));
    return e;
}

QWidget* BuildLineEdit(const ControlTemplate& t, BuildContext& c) {
    const DWORD st = t.style;
    auto* e = new AfxLineEdit(c.parent);
    e->setReadOnly((st & ES_READONLY) != 0);
    e->setFrame(HasBorder(t));
    if ((st & 0x3) == ES_CENTER)
        e->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    else if ((st & 0x3) == ES_RIGHT)
        e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    e->SetTextKeepingLimit(ToQ(t.text));
    return e;
}

QWidget* BuildEdit(const ControlTemplate& t, BuildContext& c) {
    return (t.style & ES_MULTILINE) != 0 ? BuildTextEdit(t, c) : BuildLineEdit(t, c);
}

QWidget* BuildListView(const ControlTemplate& t, BuildContext& c) {
    auto* l = new AfxList(c.parent);
    l->sortDescending = (t.style & LVS_SORTDESCENDING) != 0;
    l->setFrameShape(HasBorder(t) ? QFrame::StyledPanel : QFrame::NoFrame);
    return l;
}

QWidget* BuildTrackbar(const ControlTemplate& t, BuildContext& c) {
    const DWORD st = t.style;
    auto* s = new AfxSlider((st & TBS_VERT) != 0 ? Qt::Vertical : Qt::Horizontal, c.parent);
    const bool ticks = (st & TBS_AUTOTICKS) != 0 && (st & TBS_NOTICKS) == 0;
    s->setTickPosition(ticks ? QSlider::TicksBelow : QSlider::NoTicks);
    s->setFocusPolicy(Qt::StrongFocus);
    return s;
}

QWidget* BuildProgress(const ControlTemplate&, BuildContext& c) {
    return new AfxProgress(c.parent);
}

Builder BuilderFor(ControlKind kind) {
    switch (kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
        return BuildPushButton;
    case ControlKind::CheckBox:
        return BuildCheckBox;
    case ControlKind::RadioButton:
        return BuildRadioButton;
    case ControlKind::GroupBox:
        return BuildGroupBox;
    case ControlKind::Static:
        return BuildStatic;
    case ControlKind::Edit:
        return BuildEdit;
    case ControlKind::ListView:
        return BuildListView;
    case ControlKind::Trackbar:
        return BuildTrackbar;
    case ControlKind::Progress:
        return BuildProgress;
    }
    return BuildStatic;
}

// What every control shares: its place in dialog units, the dialog font, WS_DISABLED.
void Place(QWidget* w, const ControlTemplate& t) {
    w->setGeometry(ToQRect(ControlRectPixels(t)));
    ApplyDialogFont(w);
    w->setEnabled((t.style & WS_DISABLED) == 0);
}

// A button's click reaches the dialog as its BN_CLICKED command.
void SendClicks(QWidget* w, CDialog& dialog, int id) {
    auto* b = qobject_cast<QAbstractButton*>(w);
    if (b == nullptr)
        return;
    CDialog* d = &dialog;
    QObject::connect(b, &QAbstractButton::clicked, b, [d, id, b] {
        d->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                       reinterpret_cast<LPARAM>(static_cast<QWidget*>(b)));
    });
}

} // namespace

void BuildControls(CDialog& dialog, DialogState& state) {
    BuildContext c{state.widget, state, nullptr, {}};
    for (const ControlTemplate& t : state.templ.controls) {
        if ((t.style & WS_GROUP) != 0)
            c.radioGroup = nullptr;
        QWidget* w = BuilderFor(t.kind)(t, c);
        Place(w, t);
        SendClicks(w, dialog, t.id);
        ControlEntry entry;
        entry.templ = t;
        entry.widget = w;
        state.controls.push_back(std::move(entry));
    }
    for (QWidget* g : c.groupBoxes)
        g->lower();
}

} // namespace afx::detail
