#include "rules.h"

#include <charconv>

namespace dating {

namespace {

// DG lies two weeks after DR, so N weeks of amenorrhea fall N - 2 weeks after DG.
constexpr int weeksFromPeriodToConception = 2;

std::optional<std::string> shortDateAfter(Interval interval, int count, Date date)
{
    const auto moved = add(interval, count, date);
    if (!moved)
        return std::nullopt;
    return shortDate(*moved);
}

} // namespace

std::optional<std::string> ruleR1(std::string_view dateDR)
{
    const auto lastPeriod = readsAsDate(dateDR);
    if (!lastPeriod)
        return std::nullopt;
    return shortDateAfter(Interval::Week, weeksFromPeriodToConception, *lastPeriod);
}

std::optional<Schedules> schedulesFor(Date conception, Date delivery)
{
    Schedules rows;
    const auto append = [](std::vector<std::string> &list, Interval interval, int count, Date from) {
        const auto text = shortDateAfter(interval, count, from);
        if (text)
            list.push_back(*text);
        return text.has_value();
    };

    // 16 and 26 weeks of amenorrhea, as their labels say.
    bool complete = append(rows.ListeBIO, Interval::Week, 14, conception)
        && append(rows.ListeBIO, Interval::Week, 24, conception);

    for (int i = 0; complete && i <= 8; ++i) {
        const auto from = shortDateAfter(Interval::Month, i, conception);
        const auto to = shortDateAfter(Interval::Month, i + 1, conception);
        complete = from && to;
        if (complete)
            rows.listePN.push_back(*from + " ==>> " + *to);
    }

    for (int weeks : { 10, 20, 30 })
        complete = complete && append(rows.listeUS, Interval::Week, weeks, conception);

    for (int weeks : { -8, -6, 10 })
        complete = complete && append(rows.ListeCONGES, Interval::Week, weeks, delivery);

    if (!complete)
        return std::nullopt;
    return rows;
}

std::optional<R2Results> ruleR2(std::string_view dateDG, Date today)
{
    const auto conception = readsAsDate(dateDG);
    if (!conception)
        return std::nullopt;
    const auto delivery = add(Interval::Month, 9, *conception);
    const auto term = add(Interval::Week, 35, *conception);
    const auto overdue = add(Interval::Week, 41, *conception);
    if (!delivery || !term || !overdue)
        return std::nullopt;
    auto schedules = schedulesFor(*conception, *delivery);
    if (!schedules)
        return std::nullopt;

    R2Results results;
    results.dateAP = shortDate(*delivery);
    results.dateTERME = shortDate(*term);
    results.DateDTT = shortDate(*overdue);
    results.nbreSA = std::to_string(weeksBetween(*conception, today) + weeksFromPeriodToConception) + " S.A";
    results.nbreJours = std::to_string(daysBetween(*conception, today)) + " jours";
    results.schedules = std::move(*schedules);
    return results;
}

const ScheduleLabels &scheduleLabels()
{
    static const ScheduleLabels labels = [] {
        ScheduleLabels l;
        l.listeCONGES0 = { "15j patho", "6s prénat.", "10s postnat." };
        l.listeUS0 = { "1° Trim.(12sa)", "2° Trim.(22sa)", "3° Trim.(32sa)" };
        for (int k = 1; k <= 9; ++k) {
            std::string month = " ";
            month += std::to_string(k);
            month += "° mois";
            l.listePN0.push_back(std::move(month));
        }
        l.listeBIO0 = { "HT21    (16sa)", "O'Sull. (26sa)" };
        return l;
    }();
    return labels;
}

std::optional<R3Results> ruleR3(int weeksOfAmenorrhea, std::string_view dateDG)
{
    if (weeksOfAmenorrhea < firstListedWeek || weeksOfAmenorrhea > lastListedWeek)
        return std::nullopt;
    const auto conception = readsAsDate(dateDG);
    if (!conception)
        return std::nullopt;
    const auto date
        = shortDateAfter(Interval::Week, weeksOfAmenorrhea - weeksFromPeriodToConception, *conception);
    if (!date)
        return std::nullopt;
    return R3Results { *date, std::to_string(weeksOfAmenorrhea) + " S.A le..." };
}

std::optional<int> weeksListRow(std::string_view nbreSA)
{
    int weeks = 0;
    const auto [end, error] = std::from_chars(nbreSA.data(), nbreSA.data() + nbreSA.size(), weeks);
    if (error != std::errc {} || end == nbreSA.data())
        return std::nullopt;
    if (weeks < firstListedWeek || weeks > lastListedWeek)
        return std::nullopt;
    return weeks;
}

std::optional<std::string> steppedDateText(std::string_view text, int days)
{
    const auto date = readsAsDate(text);
    if (!date)
        return std::nullopt;
    return shortDateAfter(Interval::Day, days, *date);
}

std::optional<std::string> normalisedDateText(std::string_view text)
{
    const auto date = readsAsDate(text);
    if (!date)
        return std::nullopt;
    return shortDate(*date);
}

} // namespace dating
