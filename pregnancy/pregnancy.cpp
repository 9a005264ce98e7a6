#include "pregnancy.h"

Pregnancy::Pregnancy(const dating::Clock &clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_today(clock.now().date)
{ }

void Pregnancy::enterLastPeriod(dating::Date lastPeriod)
{
    m_lastPeriod = lastPeriod;
    if (const auto conception = dating::ruleR1(lastPeriod))
        setConception(*conception, dating::PeriodDating { lastPeriod, dating::usualCycle });
}

void Pregnancy::enterConception(dating::Date conception)
{
    if (conception == m_conception)
        return;
    // A conception date two weeks after the last period is the one R1 gives it.
    const bool followsLastPeriod = m_lastPeriod && dating::ruleR1(*m_lastPeriod) == conception;
    setConception(conception,
        followsLastPeriod ? dating::ConceptionDating { dating::PeriodDating { *m_lastPeriod } }
                          : dating::ConceptionDating { dating::EnteredDating {} });
}

void Pregnancy::applyDating(const dating::ConceptionDating &dating)
{
    if (const auto conception = dating::conceptionOf(dating))
        setConception(*conception, dating);
}

void Pregnancy::refreshToday()
{
    m_today = m_clock.now().date;
    if (m_conception)
        setConception(*m_conception, m_dating);
}

void Pregnancy::setConception(dating::Date conception, dating::ConceptionDating dating)
{
    m_conception = conception;
    m_dating = std::move(dating);
    if (auto results = dating::ruleR2(conception, m_today))
        m_results = std::move(results);
    emit changed();
}
