#pragma once

#include "dating/rules.h"
#include "layout.h"

#include <QWidget>

#include <array>
#include <optional>

class QListWidget;
class QListWidgetItem;
class QScrollBar;
class QTimer;

// The calendar's one permanent window. Its controls show the state: the entry fields hold what
// the user typed, and the results are written from the values the rules give.
class form1 : public QWidget
{
    Q_OBJECT

public:
    explicit form1(const dating::Clock &clock, QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // A schedule's label list and date list, row for row.
    struct SchedulePair
    {
        dating::ScheduleKind kind;
        QListWidget *labels;
        QListWidget *dates;
    };

    void connectHandlers();
    void load();
    void fillWeeksList();
    void fillLabelLists();

    void tick();

    void dateDRChanged();
    void dateDGChanged();
    void enterPressed(QLineEdit *field, QWidget *next);
    void writeToday(QLineEdit *field);
    void openDatePicker(QLineEdit *field, const QString &caption);
    void scrollBarChanged(QScrollBar *bar, QLineEdit *field);
    void stepField(QLineEdit *field, int days);

    void selectWeek(int weeksOfAmenorrhea);
    void dateAPDoubleClicked();
    void labelListClicked(const SchedulePair &pair);
    void weeksListPressed(const QListWidgetItem *item);

    void helpClicked();
    void notesClicked();

    void setMessage(const QString &message);

    const dating::Clock &m_clock;
    dating::Date m_dayOfLastTick;
    // What the window shows, as values: the label rows' messages and the delivery box tell them.
    std::optional<dating::R2Results> m_shown;

    layout::Controls m_ui;
    std::array<SchedulePair, dating::allSchedules.size()> m_schedules;
    QTimer *m_Timer1;
};
