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
    PertussisVaccine,
    RsvVaccine,
    StreptococcusB,
    AntiDProphylaxis,
    PreAnaesthesia,
    FullCoverage,
    MaternityRegistration,
    PostnatalInterview,
    PostnatalExam,
    PaternityLeave,
    AdditionalBirthLeave,
    CycleLength,
    ScanDatingRobinson,
    ScanDatingIntergrowth,
    ScanRedating,
    AssistedReproduction,
};

// The last enumerator, so that a loop can reach every source.
inline constexpr Source lastSource = Source::AssistedReproduction;

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

// A birth is taken as real from DG to 45 SA + 0 j.
inline constexpr int latestBirthWeeksOfAmenorrhea = 45;
bool isPossibleBirth(Date conception, Date birth);

// What French guidance and law add to the exams: vaccinations, prevention, the delivery's
// preparations and the weeks after the birth. Postnatal dates count from the birth, which is the
// DPA until a real birth date is given.
struct CarePathway
{
    Date birth;
    bool birthGiven = false;
    Span pertussisVaccine; // 20+0 to 36+6 SA
    Span rsvVaccine; // 32+0 to 36+6 SA
    // The days of rsvVaccine within the September-to-January season of metropolitan France.
    std::optional<Span> rsvInSeason;
    Span streptococcusB; // 34+0 to 38+6 SA
    bool rhesusNegative = false;
    Date rhdGenotypingFrom; // 11+0 SA; with antiD, only when the mother is rhesus negative
    Span antiD; // 27+0 to 29+0 SA
    Span preAnaesthesia; // the third trimester, DG + 6 months to the DPA
    Span fullCoverage; // the first day of the 6th month to the 12th day after the birth
    Span postnatalInterview; // the 4th to the 8th week after the birth
    Span secondPostnatalInterview; // the 10th to the 14th week, when needed
    Span postnatalExam; // the 8 weeks after the birth
    Span birthLeave; // the 3 days of birth leave, from the birth at the earliest
    Span paternityFirstDays; // the 4 days right after them
    Span paternityWithin; // where the other days may be taken: up to 6 months after the birth
    int paternityDays = 0; // 25, or 32 for a multiple birth
    int paternityLaterDays = 0; // 21, or 28
    // Births, or births expected, from 1 January 2026 on.
    bool additionalBirthLeaveApplies = false;
};

inline constexpr std::chrono::year_month_day additionalBirthLeaveFrom { std::chrono::year { 2026 },
    std::chrono::January, std::chrono::day { 1 } };

// No result when a date would leave the supported years or the birth is not possible.
std::optional<CarePathway> carePathwayFor(
    Date conception, Situation situation, bool rhesusNegative, std::optional<Date> birth);

} // namespace dating
