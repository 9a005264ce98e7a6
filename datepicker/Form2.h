#pragma once

#include "dating/calendar.h"

#include <QDialog>

class QCalendarWidget;
class QDate;
class QKeyEvent;
class QLabel;
class QPushButton;

// The modal dialog that picks a date on a month calendar. It keeps nothing but its controls,
// and hands the date confirmed with OK to whoever opened it.
class Form2 : public QDialog
{
    Q_OBJECT

public:
    explicit Form2(const dating::Clock &clock, QWidget *opener = nullptr);

    // The opener's initial date; a text that is no date leaves the calendar on today.
    // The caption is left alone: it names the field until the user acts.
    void setDateFromText(const QString &dateText);

signals:
    // OK, or a double click on a day: emitted while the dialog is still open, so that what the
    // opener computes from the date is done before the dialog is gone.
    void dateChosen(dating::Date date);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void placeControls();
    void nameForScreenReaders();
    void connectHandlers();
    void watchKeys();
    void load();
    void centreOnScreen();

    bool formKeyPressed(const QKeyEvent *event);
    void cmdOKClicked();
    void Command3Clicked();
    void Calendar1AfterUpdate();
    void Calendar1PageChanged(int year, int month);

    dating::Date selectedDate() const;
    void selectDate(dating::Date date);
    void refreshCaption();

    const dating::Clock &m_clock;
    // Set while the opener puts in the initial date, which must not count as the user's change.
    bool m_preparing = false;

    QPushButton *m_Command3 = nullptr;
    QPushButton *m_Command2 = nullptr;
    QPushButton *m_cmdOK = nullptr;
    QLabel *m_Label1 = nullptr;
    QCalendarWidget *m_Calendar1 = nullptr;
};
