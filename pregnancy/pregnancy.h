#pragma once

#include "dating/conception.h"
#include "dating/rules.h"

#include <QObject>

#include <optional>

// One pregnancy, held once: the entry dates as values, how the conception date was fixed, and the
// rules' results counted to today. The entry fields read their text into it; everything that
// shows or hands on a date asks it, and learns of a change from changed().
class Pregnancy : public QObject
{
    Q_OBJECT

public:
    explicit Pregnancy(const dating::Clock &clock, QObject *parent = nullptr);

    // The last period as read: R1 gives the conception date when it can.
    void enterLastPeriod(dating::Date lastPeriod);
    // The conception date as read; the same date again changes nothing, so a dating applied
    // from the dating dialog survives its own echo from the field.
    void enterConception(dating::Date conception);
    // A dating fixed in the dating dialog; its conception date is retained.
    void applyDating(const dating::ConceptionDating &dating);
    // Past midnight the counts are a day behind.
    void refreshToday();

    std::optional<dating::Date> lastPeriod() const { return m_lastPeriod; }
    // The last conception date read, even one whose results leave the supported years.
    std::optional<dating::Date> conception() const { return m_conception; }
    const dating::ConceptionDating &dating() const { return m_dating; }
    // The results of the last conception date that had them.
    const std::optional<dating::R2Results> &results() const { return m_results; }
    dating::Date today() const { return m_today; }

signals:
    void changed();

private:
    void setConception(dating::Date conception, dating::ConceptionDating dating);

    const dating::Clock &m_clock;
    dating::Date m_today;
    std::optional<dating::Date> m_lastPeriod;
    std::optional<dating::Date> m_conception;
    dating::ConceptionDating m_dating;
    std::optional<dating::R2Results> m_results;
};
