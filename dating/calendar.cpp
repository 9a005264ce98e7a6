#include "calendar.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace dating {

using namespace std::chrono;

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads a run of 1 to maxDigits digits at the front of text.
std::optional<int> takeNumber(std::string_view &text, std::size_t minDigits, std::size_t maxDigits)
{
    std::size_t length = 0;
    while (length < text.size() && isDigit(text[length]))
        ++length;
    if (length < minDigits || length > maxDigits)
        return std::nullopt;
    int value = 0;
    std::from_chars(text.data(), text.data() + length, value);
    text.remove_prefix(length);
    return value;
}

std::string_view trimmed(std::string_view text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

void appendTwoDigits(std::string &out, unsigned value)
{
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

void appendYear(std::string &out, year y)
{
    out += std::to_string(static_cast<int>(y));
}

} // namespace

bool isSupported(Date date)
{
    return date.ok() && date.year() >= firstSupportedYear && date.year() <= lastSupportedYear;
}

std::optional<Date> add(Interval interval, int count, Date date)
{
    if (!isSupported(date))
        return std::nullopt;
    Date result;
    switch (interval) {
    case Interval::Day:
        result = Date { sys_days { date } + days { count } };
        break;
    case Interval::Week:
        result = Date { sys_days { date } + days { 7LL * count } };
        break;
    case Interval::Month: {
        // Counted in months from year 0, so a huge count cannot overflow chrono's year.
        const long long monthIndex = static_cast<long long>(static_cast<int>(date.year())) * 12
            + (static_cast<unsigned>(date.month()) - 1) + count;
        if (monthIndex < static_cast<int>(firstSupportedYear) * 12LL
            || monthIndex >= (static_cast<int>(lastSupportedYear) + 1) * 12LL)
            return std::nullopt;
        const year_month target { year { static_cast<int>(monthIndex / 12) },
            month { static_cast<unsigned>(monthIndex % 12) + 1 } };
        const day lastDay = year_month_day_last { target.year(), month_day_last { target.month() } }.day();
        result = Date { target.year(), target.month(), std::min(date.day(), lastDay) };
        break;
    }
    }
    if (!isSupported(result))
        return std::nullopt;
    return result;
}

int daysBetween(Date first, Date second)
{
    return static_cast<int>((sys_days { second } - sys_days { first }).count());
}

int weeksBetween(Date first, Date second)
{
    // S(x), the Sunday on or before x; the C encoding numbers Sunday 0.
    const auto sundayOnOrBefore = [](Date d) {
        const sys_days day { d };
        return day - days { weekday { day }.c_encoding() };
    };
    return static_cast<int>((sundayOnOrBefore(second) - sundayOnOrBefore(first)).count() / 7);
}

std::optional<Date> readsAsDate(std::string_view text)
{
    text = trimmed(text);
    const auto dayNumber = takeNumber(text, 1, 2);
    if (!dayNumber || text.empty())
        return std::nullopt;
    const char separator = text.front();
    if (separator != '/' && separator != '-' && separator != '.')
        return std::nullopt;
    text.remove_prefix(1);
    const auto monthNumber = takeNumber(text, 1, 2);
    if (!monthNumber || text.empty() || text.front() != separator)
        return std::nullopt;
    text.remove_prefix(1);
    const std::size_t yearDigits = text.size();
    if (yearDigits != 2 && yearDigits != 4)
        return std::nullopt;
    auto yearNumber = takeNumber(text, yearDigits, yearDigits);
    if (!yearNumber || !text.empty())
        return std::nullopt;
    if (yearDigits == 2)
        *yearNumber += 2000;
    const Date date { year { *yearNumber }, month { static_cast<unsigned>(*monthNumber) },
        day { static_cast<unsigned>(*dayNumber) } };
    if (!isSupported(date))
        return std::nullopt;
    return date;
}

std::string_view frenchDayName(weekday d)
{
    static constexpr std::array<std::string_view, 7> names { "dimanche", "lundi", "mardi", "mercredi",
        "jeudi", "vendredi", "samedi" };
    return names[d.c_encoding() % 7];
}

std::string_view frenchMonthName(month m)
{
    static constexpr std::array<std::string_view, 12> names { "janvier", "février", "mars", "avril", "mai",
        "juin", "juillet", "août", "septembre", "octobre", "novembre", "décembre" };
    return names[(static_cast<unsigned>(m) + 11) % 12];
}

std::string shortDate(Date date)
{
    std::string out;
    out.reserve(10);
    appendTwoDigits(out, static_cast<unsigned>(date.day()));
    out += '/';
    appendTwoDigits(out, static_cast<unsigned>(date.month()));
    out += '/';
    appendYear(out, date.year());
    return out;
}

std::string longDate(Date date)
{
    std::string out { frenchDayName(weekday { sys_days { date } }) };
    out += ' ';
    appendTwoDigits(out, static_cast<unsigned>(date.day()));
    out += ' ';
    out += frenchMonthName(date.month());
    out += ' ';
    appendYear(out, date.year());
    return out;
}

std::string dayAndDate(Date date)
{
    std::string out { frenchDayName(weekday { sys_days { date } }) };
    out += ' ';
    out += shortDate(date);
    return out;
}

std::string dayAndMonth(Date date)
{
    std::string out;
    appendTwoDigits(out, static_cast<unsigned>(date.day()));
    out += '/';
    appendTwoDigits(out, static_cast<unsigned>(date.month()));
    return out;
}

std::string timeKey(TimeOfDay time)
{
    std::string out;
    appendTwoDigits(out, static_cast<unsigned>(time.hours));
    out += ':';
    appendTwoDigits(out, static_cast<unsigned>(time.minutes));
    out += ':';
    appendTwoDigits(out, static_cast<unsigned>(time.seconds));
    return out;
}

std::string clockTime(TimeOfDay time)
{
    return " à " + timeKey(time);
}

} // namespace dating
