#pragma once

#include <QLineEdit>

// An entry date field: a line edit that turns the user's gestures into requests. "+" and "-"
// ask for the next and the previous day instead of being typed, the right button asks for
// today, a double click asks for the date picker, and the focus shows the field's help as the
// pointer does.
class EntryField : public QLineEdit
{
    Q_OBJECT

public:
    explicit EntryField(QWidget *parent = nullptr);

signals:
    void stepRequested(int days);
    void todayRequested();
    void pickerRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
};
