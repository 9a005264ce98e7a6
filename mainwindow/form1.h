#pragma once

#include "dating/rules.h"
#include "layout.h"

#include <QWidget>

#include <array>
#include <optional>

class Pregnancy;
class QListWidget;
class QListWidgetItem;
class QScrollBar;
class QTimer;

// The calendar's one permanent window. The entry fields read what the user typed into the
// pregnancy it shows, and every result control is written from that pregnancy's values.
class form1 : public QWidget
{
    Q_OBJECT

public:
    explicit form1(const dating::Clock &clock, QWidget *parent = nullptr);

    Pregnancy &pregnancy() const { return *m_pregnancy; }

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
    void showPregnancy();
    void enterPressed(QLineEdit *field, QWidget *next);
    void scrollBarChanged(QScrollBar *bar, QLineEdit *field);

    void selectWeek(int weeksOfAmenorrhea);
    void dateAPDoubleClicked();
    void labelListClicked(const SchedulePair &pair);
    void weeksListPressed(const QListWidgetItem *item);

    void helpClicked();
    void notesClicked();

    void setMessage(const QString &message);

    const dating::Clock &m_clock;
    dating::Date m_dayOfLastTick;
    Pregnancy *m_pregnancy;
    // The conception date dateDG was last written with; set while dateDG's own text is being read,
    // so that the field is not rewritten under the user's typing.
    std::optional<dating::Date> m_shownConception;
    bool m_readingDG = false;
    // Whether dateDG's text reads as a date: the converter and the midnight refresh wait for one.
    bool m_dateDGReads = true;

    layout::Controls m_ui;
    std::array<SchedulePair, dating::allSchedules.size()> m_schedules;
    QTimer *m_Timer1;
};
