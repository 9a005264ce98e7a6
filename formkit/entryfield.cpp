#include "entryfield.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStatusTipEvent>

EntryField::EntryField(QWidget *parent)
    : QLineEdit(parent)
{
    // The right button writes today instead.
    setContextMenuPolicy(Qt::NoContextMenu);
}

void EntryField::keyPressEvent(QKeyEvent *event)
{
    if (event->text() == QLatin1String("+")) {
        emit stepRequested(1);
        return;
    }
    if (event->text() == QLatin1String("-")) {
        emit stepRequested(-1);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void EntryField::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton)
        emit todayRequested();
    QLineEdit::mousePressEvent(event);
}

void EntryField::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        emit pickerRequested();
        return;
    }
    QLineEdit::mouseDoubleClickEvent(event);
}

void EntryField::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    QStatusTipEvent help(statusTip());
    QCoreApplication::sendEvent(this, &help);
}
