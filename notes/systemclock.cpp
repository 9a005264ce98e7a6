#include "systemclock.h"

#include <QDateTime>

namespace notes {

dating::LocalTime SystemClock::now() const
{
    const QDateTime local = QDateTime::currentDateTime();
    const QDate d = local.date();
    const QTime t = local.time();
    return { dating::Date { std::chrono::year { d.year() }, std::chrono::month { unsigned(d.month()) },
                 std::chrono::day { unsigned(d.day()) } },
        { t.hour(), t.minute(), t.second() } };
}

} // namespace notes
