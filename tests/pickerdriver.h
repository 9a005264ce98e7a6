#pragma once

#include "datepicker/Form2.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>

// Drives the date picker as a user's hands do, for the tests of the picker and of its opener.

using PickerAction = std::function<void(Form2 *)>;

// The widget a typed key goes to: the focused control of the active window.
inline QWidget *keyTarget(Form2 *picker)
{
    QWidget *focused = QApplication::focusWidget();
    return focused && focused->window() == picker ? focused : picker->focusWidget();
}

inline void typeOn(Form2 *picker, const QString &keys)
{
    for (const QChar key : keys)
        QTest::keyClick(keyTarget(picker), key.toLatin1());
}

inline QTableView *dayGrid(Form2 *picker)
{
    return picker->findChild<QCalendarWidget *>(QStringLiteral("Calendar1"))->findChild<QTableView *>();
}

// Day numbers 15 to 21 appear once in every month's grid, so they name one cell.
inline QPoint dayCentre(Form2 *picker, int dayOfMonth)
{
    QTableView *grid = dayGrid(picker);
    const QAbstractItemModel *model = grid->model();
    for (int row = 1; row < model->rowCount(); ++row) {
        for (int column = 0; column < model->columnCount(); ++column) {
            const QModelIndex cell = model->index(row, column);
            if (model->data(cell).toString() == QString::number(dayOfMonth))
                return grid->visualRect(cell).center();
        }
    }
    return {};
}

// As a user's hand does it: a click, then the second press that makes it a double click.
inline void doubleClickDay(Form2 *picker, int dayOfMonth)
{
    QWidget *cells = dayGrid(picker)->viewport();
    const QPoint centre = dayCentre(picker, dayOfMonth);
    QTest::mouseClick(cells, Qt::LeftButton, {}, centre);
    QTest::mouseDClick(cells, Qt::LeftButton, {}, centre);
}

// An access key presses its button after a short animation.
inline void pressAccessKey(Form2 *picker, Qt::Key key)
{
    QTest::keyClick(keyTarget(picker), key, Qt::AltModifier);
    if (!QTest::qWaitFor([picker] { return !picker->isVisible(); }, 1000))
        qWarning("the access key closed nothing");
}

inline QCalendarWidget *calendarOf(Form2 *picker)
{
    return picker->findChild<QCalendarWidget *>(QStringLiteral("Calendar1"));
}

inline QPushButton *button(Form2 *picker, const char *name)
{
    return picker->findChild<QPushButton *>(QLatin1String(name));
}

// A window shown offscreen is not always made the active one, and access keys work only there.
inline void activate(Form2 *picker)
{
    picker->activateWindow();
    if (!QTest::qWaitFor([picker] { return QApplication::activeWindow() == picker; }, 2000))
        qWarning("the picker did not become the active window");
}

// Runs the action on the picker once it is open and modal; closes it without a write if the
// action left it open, so a failing test cannot hang on a modal dialog.
inline void whenPickerOpens(const PickerAction &action, bool *opened)
{
    *opened = false;
    QTimer::singleShot(0, qApp, [action, opened] {
        auto *picker = qobject_cast<Form2 *>(QApplication::activeModalWidget());
        if (!picker)
            return;
        *opened = true;
        activate(picker);
        action(picker);
        if (picker->isVisible())
            picker->reject();
    });
}
