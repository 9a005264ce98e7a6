#include "sheet.h"

#include <QCryptographicHash>
#include <QStringList>

#include <libical/ical.h>

#include <cstdlib>
#include <memory>

namespace sheet {

namespace {

icaltimetype dateValue(dating::Date date)
{
    icaltimetype time = icaltime_null_date();
    time.year = int(date.year());
    time.month = int(unsigned(date.month()));
    time.day = int(unsigned(date.day()));
    return time;
}

// The same pregnancy (DG, and the patient's name when given) gives the same identifiers, so a
// second import replaces the events instead of adding copies. The name enters only as a hash.
QByteArray uidOf(const Sheet &sheet, const Event &event)
{
    QByteArray uid = event.key.toUtf8() + '-'
        + QByteArray::fromStdString(dating::shortDate(sheet.guidance.conception)).replace('/', "");
    if (!sheet.patient.isEmpty())
        uid += '-'
            + QCryptographicHash::hash(sheet.patient.toUtf8(), QCryptographicHash::Sha256).toHex().left(12);
    return uid + "@gestiva";
}

struct ComponentFree
{
    void operator()(icalcomponent *component) const { icalcomponent_free(component); }
};

} // namespace

QByteArray toICalendar(const Sheet &sheet, dating::Date stamp)
{
    std::unique_ptr<icalcomponent, ComponentFree> calendar(icalcomponent_vanew(ICAL_VCALENDAR_COMPONENT,
        icalproperty_new_version("2.0"), icalproperty_new_prodid("-//Gestiva//Fiche de grossesse//FR"),
        icalproperty_new_calscale("GREGORIAN"), nullptr));

    icaltimetype stampTime = dateValue(stamp);
    stampTime.is_date = 0;
    stampTime.hour = stampTime.minute = stampTime.second = 0;
    stampTime = icaltime_set_timezone(&stampTime, icaltimezone_get_utc_timezone());

    for (const auto &event : sheet.events) {
        icalcomponent *vevent = icalcomponent_new_vevent();
        icalcomponent_add_property(vevent, icalproperty_new_uid(uidOf(sheet, event).constData()));
        icalcomponent_add_property(vevent, icalproperty_new_dtstamp(stampTime));
        icalcomponent_add_property(vevent, icalproperty_new_dtstart(dateValue(event.days.first)));
        icalcomponent_add_property(vevent, icalproperty_new_dtend(dateValue(event.days.end)));
        const QString summary = sheet.patient.isEmpty()
            ? event.summary
            : QStringLiteral("%1 – %2").arg(event.summary, sheet.patient);
        icalcomponent_add_property(vevent, icalproperty_new_summary(summary.toUtf8().constData()));
        QStringList description;
        if (!event.window.isEmpty())
            description << event.window;
        if (event.note > 0)
            description << QStringLiteral("Source : %1").arg(sheet.footnotes[std::size_t(event.note - 1)]);
        if (!description.isEmpty()) {
            icalcomponent_add_property(vevent,
                icalproperty_new_description(description.join(QLatin1Char('\n')).toUtf8().constData()));
        }
        icalcomponent_add_property(vevent, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
        icalcomponent_add_component(calendar.get(), vevent);
    }

    char *text = icalcomponent_as_ical_string_r(calendar.get());
    const QByteArray bytes(text);
    std::free(text);
    return bytes;
}

} // namespace sheet
