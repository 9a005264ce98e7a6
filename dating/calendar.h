#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// Calendar arithmetic and the fixed text forms of dates. Nothing here reads the clock:
// "today" is always given by the caller.
namespace dating {

using Date = std::chrono::year_month_day;

struct TimeOfDay
{
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};

// What a clock tells: the local calendar day and the time of day.
struct LocalTime
{
    Date date;
    TimeOfDay time;
};

// Whatever tells the time; the window and the journal ask one, tests give a fixed one.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
};

// The intervals of date arithmetic: a day, a week of seven days, a calendar month.
enum class Interval { Day, Week, Month };

inline constexpr std::chrono::year firstSupportedYear { 1900 };
inline constexpr std::chrono::year lastSupportedYear { 2199 };

bool isSupported(Date date);

// Moves a date by count intervals. A month addition keeps the day of the month and
// clamps it to the last day of a shorter month. No result when the date, or the result,
// lies outside the supported years.
std::optional<Date> add(Interval interval, int count, Date date);

// second - first, in days.
int daysBetween(Date first, Date second);

// Sundays passed going from first to second (second counts, first never does);
// negative when second is earlier.
int weeksBetween(Date first, Date second);

// Day, month, year in that order: one or two digits for day and month, the same
// separator "/", "-" or "." twice, a four-digit year or a two-digit one meaning 20yy,
// surrounding spaces ignored. Anything else, or a day that the month does not have,
// is no date.
std::optional<Date> readsAsDate(std::string_view text);

// Lower-case French names, UTF-8.
std::string_view frenchDayName(std::chrono::weekday day);
std::string_view frenchMonthName(std::chrono::month month);

std::string shortDate(Date date); // "dd/mm/yyyy"
std::string longDate(Date date); // "dddd dd mmmm yyyy"
std::string dayAndDate(Date date); // "dddd dd/mm/yyyy"
std::string dayAndMonth(Date date); // "dd/mm"
std::string clockTime(TimeOfDay time); // " à hh:mm:ss"
std::string timeKey(TimeOfDay time); // "hh:mm:ss"

} // namespace dating
