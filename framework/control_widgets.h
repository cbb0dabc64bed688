// Private to the framework: the Qt widgets behind the template controls.
#pragma once

#include "framework/qt_internal.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTreeWidget>
#include <QValidator>

#include <optional>

namespace afx::detail {

// A control widget answers the messages of its own class (text, check state, range,
// position, ...); nullopt for any other message, which then falls through to the
// window's default handling.
class ControlMessages {
public:
    virtual std::optional<LRESULT> OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~ControlMessages() = default;
};

// Keeps what the user types or pastes within the limit, but never cuts a longer text the
// program set: the allowance is the limit or the current length, whichever is larger. A
// paste that does not fit is cut to the room left, as the platform's edit box does.
class LengthValidator : public QValidator {
public:
    explicit LengthValidator(QObject* parent) : QValidator(parent) {}
    State validate(QString& input, int& pos) const override;
    int limit = 0;     // 0: none
    int allowance = 0; // characters
};

int CodePoints(const QString& s);
// A program text with CR LF line ends as a multi-line edit holds it.
QString ToDisplayLines(const std::string& text);

class AfxLineEdit : public QLineEdit, public ControlMessages {
public:
    explicit AfxLineEdit(QWidget* parent);
    void SetLimit(int chars);
    int Limit() const { return validator_->limit; }
    void SetTextKeepingLimit(const QString& text);
    std::optional<LRESULT> OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void UpdateAllowance();
    LengthValidator* validator_;
};

class AfxTextEdit : public QPlainTextEdit, public ControlMessages {
public:
    explicit AfxTextEdit(QWidget* parent);
    void SetText(const QString& text);
    int LineCount() const;
    void ScrollLines(int lines);
    int FirstLine() const { return first_; }
    std::optional<LRESULT> OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int limit = 0;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void Apply();
    int first_ = 0;
    bool applying_ = false;
};

class AfxSlider : public QSlider, public ControlMessages {
public:
    explicit AfxSlider(Qt::Orientation o, QWidget* parent);
    void SetRangeAsSet(int minPos, int maxPos);
    void SetPosClamped(int pos);
    std::optional<LRESULT> OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int minAsSet = 0;
    int maxAsSet = 100;
    int paints = 0;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
};

// Push button, check box or radio button: text, check state.
template <class Button> class AfxButton : public Button, public ControlMessages {
public:
    AfxButton(const QString& text, QWidget* parent) : Button(text, parent) {}
    std::optional<LRESULT> OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};
using AfxPushButton = AfxButton<QPushButton>;
using AfxCheckBox = AfxButton<QCheckBox>;
using AfxRadioButton = AfxButton<QRadioButton>;
// Instantiated once, with the button messages, in control_widgets.cpp.
extern template class AfxButton<QPushButton>;
extern template class AfxButton<QCheckBox>;
extern template class AfxButton<QRadioButton>;

// Static text. Shows the text without its mnemonic marks and gives it back as set.
class AfxLabel : public QLabel, public ControlMessages {
public:
    AfxLabel(const QString& text, QWidget* parent);
    void SetText(const QString& text);
    std::optional<LRESULT> OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    QString asSet_;
};

class AfxGroupBox : public QGroupBox, public ControlMessages {
public:
    AfxGroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}
    std::optional<LRESULT> OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Keeps the range as set (also when upper < lower) and the position within it.
class AfxProgress : public QProgressBar, public ControlMessages {
public:
    explicit AfxProgress(QWidget* parent);
    std::optional<LRESULT> OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int Lower() const { return lower_; }
    int Upper() const { return upper_; }
    int Pos() const { return pos_; }

private:
    void SetRangeAsSet(int lower, int upper);
    void SetPosClamped(long long pos);
    int lower_ = 0;
    int upper_ = 100;
    int step_ = 10;
    int pos_ = 0;
};

class AfxList : public QTreeWidget {
public:
    explicit AfxList(QWidget* parent);
    int HitTestClient(const QPoint& client) const;
    QRect RowRectClient(int row) const;
    bool sortDescending = false;

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

} // namespace afx::detail
