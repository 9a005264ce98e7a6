#pragma once

#include "dating/calendar.h"

// A clock that tells whatever the test sets, so no test depends on the real day.
class FixedClock final : public dating::Clock
{
public:
    explicit FixedClock(dating::LocalTime time)
        : m_time(time)
    { }
    dating::LocalTime now() const override { return m_time; }
    void set(dating::LocalTime time) { m_time = time; }

private:
    dating::LocalTime m_time;
};

inline dating::Date ymd(int y, unsigned m, unsigned d)
{
    return dating::Date { std::chrono::year { y }, std::chrono::month { m }, std::chrono::day { d } };
}

// Tuesday 8 December 2026, 14:05:09.
inline const dating::LocalTime tuesdayAfternoon { ymd(2026, 12, 8), { 14, 5, 9 } };
