#include "systemclock.h"

#include "conversions.h"

#include <QDateTime>

namespace formkit {

dating::LocalTime SystemClock::now() const
{
    const QDateTime local = QDateTime::currentDateTime();
    const QTime t = local.time();
    return { toDate(local.date()), { t.hour(), t.minute(), t.second() } };
}

} // namespace formkit
