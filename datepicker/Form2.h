#pragma once

#include "dating/calendar.h"

#include <QDialog>
#include <QPointer>

class QCalendarWidget;
class QDate;
class QKeyEvent;
class QLabel;
class QPushButton;

// The modal dialog that picks a date on a month calendar and writes it back into the main
// window's entry field named by its tag. It keeps nothing but its controls and the tag.
class Form2 : public QDialog
{
    Q_OBJECT

public:
    Form2(QWidget *mainWindow, const dating::Clock &clock);

    // The objectName of the main window's field that OK writes into: "dateDR" or "dateDG".
    void setTag(const QString &tag);
    QString tag() const { return m_tag; }

    // The opener's initial date; a text that is no date leaves the calendar on today.
    // The caption is left alone: it names the field until the user acts.
    void setDateFromText(const QString &dateText);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

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
    QPointer<QWidget> m_mainWindow;
    QString m_tag;
    // Set while the opener puts in the initial date, which must not count as the user's change.
    bool m_preparing = false;

    QPushButton *m_Command3 = nullptr;
    QPushButton *m_Command2 = nullptr;
    QPushButton *m_cmdOK = nullptr;
    QLabel *m_Label1 = nullptr;
    QCalendarWidget *m_Calendar1 = nullptr;
};

// Creates a Form2 over mainWindow with the given caption and tag, opens it on the tagged
// field's date, runs it modally and releases it when it has closed.
void openDatePicker(
    QWidget *mainWindow, const QString &caption, const QString &tag, const dating::Clock &clock);
