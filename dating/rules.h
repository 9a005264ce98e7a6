#pragma once

#include "calendar.h"

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// The pregnancy dating rules and the follow-up schedules. Everything here gives values (dates
// and counts); how they are written is the caller's business. No result means that a date
// would leave the supported years: the caller changes nothing.
namespace dating {

// DG lies two weeks after DR, so N weeks of amenorrhea fall N - 2 weeks after DG.
inline constexpr int weeksFromPeriodToConception = 2;

// R1: the conception date of a last menstrual period.
std::optional<Date> ruleR1(Date lastPeriod);

// The four follow-up schedules, each shown as a pair of lists: labels, dates.
enum class ScheduleKind { Biology, PrenatalVisits, Ultrasounds, Leave };
inline constexpr std::array allSchedules { ScheduleKind::Biology, ScheduleKind::PrenatalVisits,
    ScheduleKind::Ultrasounds, ScheduleKind::Leave };

enum class CountsFrom { Conception, Delivery };

// One row of a schedule: its label (UTF-8), and its date, count units after the date it counts
// from. A row that lasts (spans > 0) ends spans units after its own start.
struct ScheduleRow
{
    std::string_view label;
    CountsFrom from;
    Interval unit;
    int count;
    int spans = 0;
};

// A schedule's rows in display order: the one source of both its labels and its dates.
std::span<const ScheduleRow> schedule(ScheduleKind kind);

// Rows others name: the glucose test among the biology rows, the three leave rows.
inline constexpr std::size_t glucoseTestRow = 1;
inline constexpr std::size_t pathologicalLeaveRow = 0;
inline constexpr std::size_t prenatalLeaveRow = 1;
inline constexpr std::size_t postnatalLeaveRow = 2;

// A row's date, and its end when the row lasts.
struct ScheduledDate
{
    Date start;
    std::optional<Date> end;
};

using ScheduleDates = std::vector<ScheduledDate>;

// The dates of a schedule's rows, in the schedule's order.
std::optional<ScheduleDates> datesOf(ScheduleKind kind, Date conception, Date delivery);

// R2: every result of a conception date, counted to today.
struct R2Results
{
    Date delivery;
    Date term;
    Date overdue;
    int weeksOfAmenorrhea;
    int daysOfPregnancy;
    std::array<ScheduleDates, allSchedules.size()> schedules; // by ScheduleKind

    const ScheduleDates &datesOf(ScheduleKind kind) const { return schedules[std::size_t(kind)]; }
};

std::optional<R2Results> ruleR2(Date conception, Date today);

// The weeks of amenorrhea the converter list offers.
inline constexpr int firstListedWeek = 2;
inline constexpr int lastListedWeek = 43;

bool isListedWeek(int weeksOfAmenorrhea);

// R3: the date at which the pregnancy reaches a listed number of weeks of amenorrhea.
std::optional<Date> ruleR3(int weeksOfAmenorrhea, Date conception);

// An entry field's text moved by a number of days, as short date text.
std::optional<std::string> steppedDateText(std::string_view text, int days);

// An entry field's text rewritten in the short form, when it reads as a date.
std::optional<std::string> normalisedDateText(std::string_view text);

} // namespace dating
