// Private to the framework: the Qt widgets behind the template controls.
#pragma once

#include "framework/qt_internal.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTreeWidget>
#include <QValidator>

namespace afx::detail {

// Refuses typed text longer than the limit, but never cuts a longer text the program
// set: the allowance is the limit or the current length, whichever is larger.
class LengthValidator : public QValidator {
public:
    explicit LengthValidator(QObject* parent) : QValidator(parent) {}
    State validate(QString& input, int&) const override;
    int limit = 0;     // 0: none
    int allowance = 0; // characters
};

int CodePoints(const QString& s);

class AfxLineEdit : public QLineEdit {
public:
    explicit AfxLineEdit(QWidget* parent);
    void SetLimit(int chars);
    int Limit() const { return validator_->limit; }
    void SetTextKeepingLimit(const QString& text);

private:
    void UpdateAllowance();
    LengthValidator* validator_;
};

class AfxTextEdit : public QPlainTextEdit {
public:
    explicit AfxTextEdit(QWidget* parent);
    void SetText(const QString& text);
    int LineCount() const;
    void ScrollLines(int lines);
    int FirstLine() const { return first_; }
    int limit = 0;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void Apply();
    int first_ = 0;
    bool applying_ = false;
};

class AfxSlider : public QSlider {
public:
    explicit AfxSlider(Qt::Orientation o, QWidget* parent);
    void SetRangeAsSet(int minPos, int maxPos);
    void SetPosClamped(int pos);
    int minAsSet = 0;
    int maxAsSet = 100;
    int paints = 0;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
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
