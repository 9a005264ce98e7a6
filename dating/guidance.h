#pragma once

#include "calendar.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// The dates of a pregnancy by today's French rules and recommendations, each with the text
// it comes from. Everything is counted from the conception date (DG), with weeks of
// amenorrhea counted from DG - 14 days, as the window counts them.
namespace dating {

// Where a rule comes from; sourceText() names it.
enum class Source {
    DeliveryDate,
    CompletedWeeks,
    ProlongedPregnancy,
    PrenatalExams,
    EarlyInterview,
    PregnancyDeclaration,
    Ultrasounds,
    TrisomyScreening,
    GestationalDiabetes,
    LeaveFirstChildren,
    LeaveFromThirdChild,
    LeaveMultipleBirths,
    PathologicalLeave,
    CycleLength,
    ScanDatingRobinson,
    ScanDatingIntergrowth,
    ScanRedating,
    AssistedReproduction,
};

std::string_view sourceText(Source source);

// The days [first, end): end is the first day after the span.
struct Span
{
    Date first;
    Date end;
};

// What the leave depends on: children already in the care of the mother or of the household
// (2 stands for two or more) and the number of fetuses (3 for three or more).
struct Situation
{
    int childrenInCare = 0;
    int fetuses = 1;
};

struct LeaveRule
{
    int prenatalWeeks = 0;
    int postnatalWeeks = 0;
    // Weeks of the prenatal leave that may be taken after the birth instead (0: none in the law).
    int shiftableToPostnatalWeeks = 0;
    // Weeks by which the prenatal leave may be lengthened, shortening the postnatal one.
    int extendablePrenatalWeeks = 0;
    Source source = Source::LeaveFirstChildren;
};

LeaveRule leaveRule(Situation situation);

// Days from the last period to the given day, written as completed weeks and days:
// "14 SA + 3 j". No text before the last period.
std::optional<std::string> completedWeeksText(int daysSinceLastPeriod);

inline constexpr int daysFromLastPeriodToConception = 14;
inline constexpr int pathologicalLeaveDays = 14;
inline constexpr int pathologicalPostnatalWeeks = 4;

struct Guidance
{
    Date lastPeriod; // DG - 14 days
    Date conception;
    Date delivery; // DG + 9 calendar months
    int daysSinceLastPeriod = 0; // today - DR
    Date prolongedFrom; // 41+0 SA
    Date overdueFrom; // 42+0 SA
    std::array<Span, 7> prenatalExams;
    Date declarationLastDay; // the last day of the third month of pregnancy
    std::array<Span, 3> ultrasounds;
    Span serumMarkers; // 14+0 to 17+6 SA, when the combined screening was not done
    Span glucoseTolerance; // 24+0 to 28+6 SA
    LeaveRule leave;
    Span maternityLeave; // end: the day work resumes
    Span pathologicalLeave; // the 14 days before the maternity leave
};

// No result when a date would leave the supported years.
std::optional<Guidance> guidanceFor(Date conception, Date today, Situation situation);

} // namespace dating
