#include "rules.h"

namespace dating {

namespace {

using enum CountsFrom;
using enum Interval;

// A label's "(NNsa)" names the weeks of amenorrhea of its date: NN - 2 weeks after conception.
// Biology: the second-trimester trisomy 21 markers at 16 weeks, the O'Sullivan glucose test at 26.
constexpr ScheduleRow biology[] {
    { "HT21    (16sa)", Conception, Week, 14 },
    { "O'Sull. (26sa)", Conception, Week, 24 },
};

// One visit a month, each row the month of pregnancy it covers.
constexpr ScheduleRow prenatalVisits[] {
    { " 1° mois", Conception, Month, 0, 1 },
    { " 2° mois", Conception, Month, 1, 1 },
    { " 3° mois", Conception, Month, 2, 1 },
    { " 4° mois", Conception, Month, 3, 1 },
    { " 5° mois", Conception, Month, 4, 1 },
    { " 6° mois", Conception, Month, 5, 1 },
    { " 7° mois", Conception, Month, 6, 1 },
    { " 8° mois", Conception, Month, 7, 1 },
    { " 9° mois", Conception, Month, 8, 1 },
};

// The three screening scans of French practice, at 12, 22 and 32 weeks of amenorrhea.
constexpr ScheduleRow ultrasounds[] {
    { "1° Trim.(12sa)", Conception, Week, 10 },
    { "2° Trim.(22sa)", Conception, Week, 20 },
    { "3° Trim.(32sa)", Conception, Week, 30 },
};

// Maternity leave for a first child (Code du travail L1225-17: six weeks before the presumed
// delivery, ten after it), and the two weeks a pathological state adds before it (L1225-21).
constexpr ScheduleRow leave[] {
    { "15j patho", Delivery, Week, -8 },
    { "6s prénat.", Delivery, Week, -6 },
    { "10s postnat.", Delivery, Week, 10 },
};

} // namespace

std::optional<Date> ruleR1(Date lastPeriod)
{
    return add(Interval::Week, weeksFromPeriodToConception, lastPeriod);
}

std::span<const ScheduleRow> schedule(ScheduleKind kind)
{
    switch (kind) {
    case ScheduleKind::Biology:
        return biology;
    case ScheduleKind::PrenatalVisits:
        return prenatalVisits;
    case ScheduleKind::Ultrasounds:
        return ultrasounds;
    case ScheduleKind::Leave:
        return leave;
    }
    return {};
}

std::optional<ScheduleDates> datesOf(ScheduleKind kind, Date conception, Date delivery)
{
    ScheduleDates dates;
    for (const ScheduleRow &row : schedule(kind)) {
        const Date from = row.from == Conception ? conception : delivery;
        const auto start = add(row.unit, row.count, from);
        // Every bound counts from the same date, so a clamped month end does not carry over.
        const auto end = row.spans ? add(row.unit, row.count + row.spans, from) : std::nullopt;
        if (!start || (row.spans && !end))
            return std::nullopt;
        dates.push_back({ *start, end });
    }
    return dates;
}

std::optional<R2Results> ruleR2(Date conception, Date today)
{
    const auto delivery = add(Interval::Month, 9, conception);
    const auto term = add(Interval::Week, 35, conception);
    const auto overdue = add(Interval::Week, 41, conception);
    if (!delivery || !term || !overdue)
        return std::nullopt;
    R2Results results { *delivery, *term, *overdue,
        weeksBetween(conception, today) + weeksFromPeriodToConception, daysBetween(conception, today), {} };
    for (const ScheduleKind kind : allSchedules) {
        auto dates = datesOf(kind, conception, *delivery);
        if (!dates)
            return std::nullopt;
        results.schedules[std::size_t(kind)] = std::move(*dates);
    }
    return results;
}

bool isListedWeek(int weeksOfAmenorrhea)
{
    return weeksOfAmenorrhea >= firstListedWeek && weeksOfAmenorrhea <= lastListedWeek;
}

std::optional<Date> ruleR3(int weeksOfAmenorrhea, Date conception)
{
    if (!isListedWeek(weeksOfAmenorrhea))
        return std::nullopt;
    return add(Interval::Week, weeksOfAmenorrhea - weeksFromPeriodToConception, conception);
}

std::optional<std::string> steppedDateText(std::string_view text, int days)
{
    const auto date = readsAsDate(text);
    const auto stepped = date ? add(Interval::Day, days, *date) : std::nullopt;
    if (!stepped)
        return std::nullopt;
    return shortDate(*stepped);
}

std::optional<std::string> normalisedDateText(std::string_view text)
{
    const auto date = readsAsDate(text);
    if (!date)
        return std::nullopt;
    return shortDate(*date);
}

} // namespace dating
