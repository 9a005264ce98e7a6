#pragma once

#include "dating/rules.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QMouseEvent;
class QKeyEvent;
class QPushButton;
class QScrollBar;
class QTimer;

// The calendar's one permanent window. Its controls hold the whole state: every handler
// reads its inputs back from their texts and writes its results into them.
class form1 : public QWidget
{
    Q_OBJECT

public:
    explicit form1(const dating::Clock &clock, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    template<class Widget> Widget *control(const char *name) const;

    void findControls();
    void connectHandlers();
    void watchEvents();
    void load();
    void fillWeeksList();
    void fillLabelLists();

    void tick();

    void dateDRChanged();
    void dateDGChanged();
    bool entryFieldKeyPressed(QLineEdit *field, QKeyEvent *event);
    void entryFieldMousePressed(QLineEdit *field, const QMouseEvent *event);
    void entryFieldDoubleClicked(QLineEdit *field);
    void scrollBarChanged(QScrollBar *bar, QLineEdit *field);
    void stepField(QLineEdit *field, int days);

    // A schedule's label list and date list, row for row.
    struct SchedulePair
    {
        dating::ScheduleKind kind;
        QListWidget *labels;
        QListWidget *dates;
    };

    void selectWeek(int weeksOfAmenorrhea);
    void dateAPDoubleClicked();
    void labelListClicked(const SchedulePair &pair);
    void weeksListPressed(const QMouseEvent *event);

    void helpClicked();
    void notesClicked();

    // The help line's text for each control that explains itself on hover or focus.
    QString hoverText(const QObject *watched) const;
    void setMessage(const QString &message);

    const dating::Clock &m_clock;
    dating::Date m_dayOfLastTick;
    // What the window shows, as values: the label rows' messages and the delivery box tell them.
    std::optional<dating::R2Results> m_shown;
    std::array<SchedulePair, dating::allSchedules.size()> m_schedules {};

    QLineEdit *m_dateDR = nullptr;
    QLineEdit *m_dateDG = nullptr;
    QLineEdit *m_dateAP = nullptr;
    QLineEdit *m_dateTERME = nullptr;
    QLineEdit *m_DateDTT = nullptr;
    QLineEdit *m_nbreSA = nullptr;
    QLineEdit *m_nbreJours = nullptr;
    QLineEdit *m_dateSA = nullptr;
    QScrollBar *m_VScroll1 = nullptr;
    QScrollBar *m_VScroll2 = nullptr;
    QListWidget *m_ListeSA = nullptr;
    QListWidget *m_ListeBIO = nullptr;
    QListWidget *m_listePN = nullptr;
    QListWidget *m_listeUS = nullptr;
    QListWidget *m_ListeCONGES = nullptr;
    QListWidget *m_listeBIO0 = nullptr;
    QListWidget *m_listePN0 = nullptr;
    QListWidget *m_listeUS0 = nullptr;
    QListWidget *m_listeCONGES0 = nullptr;
    QLabel *m_TXTsa = nullptr;
    QLabel *m_msg = nullptr;
    QPushButton *m_Command1 = nullptr;
    QPushButton *m_Command2 = nullptr;
    QPushButton *m_CMDquitter = nullptr;
    QTimer *m_Timer1 = nullptr;
};
