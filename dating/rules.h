#pragma once

#include "calendar.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The pregnancy dating rules, from the texts of the entry fields to the texts the window
// shows. A text that does not read as a date gives no result: the caller changes nothing.
namespace dating {

// The rows of the four schedule date lists, in list order.
struct Schedules
{
    std::vector<std::string> ListeBIO;
    std::vector<std::string> listePN;
    std::vector<std::string> listeUS;
    std::vector<std::string> ListeCONGES;
};

// The fixed rows of the four label lists, paired by position with Schedules.
struct ScheduleLabels
{
    std::vector<std::string> listeBIO0;
    std::vector<std::string> listePN0;
    std::vector<std::string> listeUS0;
    std::vector<std::string> listeCONGES0;
};

struct R2Results
{
    std::string dateAP;
    std::string dateTERME;
    std::string DateDTT;
    std::string nbreSA;
    std::string nbreJours;
    Schedules schedules;
};

struct R3Results
{
    std::string dateSA;
    std::string TXTsa;
};

// The weeks of amenorrhea the converter list offers.
inline constexpr int firstListedWeek = 2;
inline constexpr int lastListedWeek = 43;

// R1: the conception date two weeks after the last period; the new text of dateDG.
std::optional<std::string> ruleR1(std::string_view dateDR);

// R2: every result of a conception date, counted to today.
std::optional<R2Results> ruleR2(std::string_view dateDG, Date today);

// The follow-up schedules of a conception date; leave dates come from the delivery date.
std::optional<Schedules> schedulesFor(Date conception, Date delivery);

const ScheduleLabels &scheduleLabels();

// R3: the date at which the pregnancy reaches the given weeks of amenorrhea.
std::optional<R3Results> ruleR3(int weeksOfAmenorrhea, std::string_view dateDG);

// The converter row that goes with a weeks count text such as "14 S.A": its whole
// number, when the list has that row.
std::optional<int> weeksListRow(std::string_view nbreSA);

// An entry field's text moved by a number of days, as short date text.
std::optional<std::string> steppedDateText(std::string_view text, int days);

// An entry field's text rewritten in the short form, when it reads as a date.
std::optional<std::string> normalisedDateText(std::string_view text);

} // namespace dating
