#pragma once

#include "guidance.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>

// How the conception date (DG) of a pregnancy is fixed, by the ways French practice fixes it: the
// last period with its cycle, the crown-rump length (LCC) at the first-trimester scan, or the
// dates of assisted reproduction. Weeks of amenorrhea are counted from DG - 14 days throughout.
namespace dating {

// The last period: DG = DR + (cycle - 14) days, ovulation falling 14 days before the next period.
inline constexpr int shortestCycle = 21;
inline constexpr int longestCycle = 45;
inline constexpr int usualCycle = 28;

struct PeriodDating
{
    Date lastPeriod;
    int cycleDays = usualCycle;
    bool operator==(const PeriodDating &) const = default;
};

// The crown-rump length formulas, each with the lengths it was drawn from.
enum class CrlFormula { Robinson1975, Intergrowth2014 };

struct CrlLimits
{
    double shortest; // mm
    double longest;
};

CrlLimits crlLimits(CrlFormula formula);
std::string_view crlFormulaName(CrlFormula formula); // "Robinson 1975"

// The gestational age the formula gives for a length, in decimal days since DR; none outside the
// formula's lengths.
std::optional<double> gestationalDaysFromCrl(CrlFormula formula, double crlMillimetres);

// When the scan's dating replaces the last period's: always, or when the two differ by more than
// a number of days (a gap equal to the threshold keeps the last period).
enum class RedatePolicy { Always, GapOver5, GapOver7 };

int redateThreshold(RedatePolicy policy); // days; 0 for Always
bool scanReplacesPeriod(RedatePolicy policy, int gapDays);

// Outside these ages at the scan the last period says the scan was not a first-trimester one.
inline constexpr int earliestScanWeeksByPeriod = 6;
inline constexpr int latestScanWeeksByPeriod = 16;

// What the scan gave, and what the last period gave when it was known.
struct ScanDating
{
    Date scan;
    double crlMillimetres = 0;
    CrlFormula formula = CrlFormula::Robinson1975;
    double gestationalDays = 0; // as the formula gives it
    int completedDays = 0; // the whole days elapsed ("révolus"), which date the pregnancy
    Date conceptionByScan;
    std::optional<PeriodDating> period;
    std::optional<Date> conceptionByPeriod;
    int gapDays = 0; // the scan's age minus the last period's, at the scan
    RedatePolicy policy = RedatePolicy::Always;
    bool scanRetained = true;
    bool operator==(const ScanDating &) const = default;
};

// Assisted reproduction: DG is the retrieval or insemination day, or the transfer day less the
// embryo's age (for a frozen embryo, its age when it was frozen). Never redated by a scan.
inline constexpr int youngestEmbryoDays = 2;
inline constexpr int oldestEmbryoDays = 6;

struct RetrievalDating
{
    Date retrievalOrInsemination;
    bool operator==(const RetrievalDating &) const = default;
};

struct TransferDating
{
    Date transfer;
    int embryoAgeDays = 5;
    bool operator==(const TransferDating &) const = default;
};

// DG typed as such.
struct EnteredDating
{
    bool operator==(const EnteredDating &) const = default;
};

using ConceptionDating
    = std::variant<EnteredDating, PeriodDating, ScanDating, RetrievalDating, TransferDating>;

// Why a dating cannot be had.
enum class DatingProblem {
    None,
    CycleOutOfRange,
    CrlOutOfRange,
    ScanOutsideFirstTrimester, // by the last period, before 6 SA or after 16 SA at the scan
    EmbryoAgeOutOfRange,
    OutsideSupportedYears,
};

struct Dated
{
    std::optional<Date> conception;
    ConceptionDating dating;
    DatingProblem problem = DatingProblem::None;
};

Dated datedByPeriod(Date lastPeriod, int cycleDays);
// The scan alone when period is none; else the policy chooses between the two.
Dated datedByScan(Date scan, double crlMillimetres, CrlFormula formula, std::optional<PeriodDating> period,
    RedatePolicy policy);
Dated datedByRetrieval(Date retrievalOrInsemination);
Dated datedByTransfer(Date transfer, int embryoAgeDays);

// The conception date a dating retains.
std::optional<Date> conceptionOf(const ConceptionDating &dating);

// Days of amenorrhea on a day: day - (DG - 14 days); negative before the last period.
int amenorrheaDays(Date conception, Date day);
// The weeks of pregnancy (completedWeeksText gives those of amenorrhea), two fewer: "10 SG + 2 j"; none
// before the conception.
std::optional<std::string> pregnancyWeeksText(int amenorrheaDays);
// The day the pregnancy reaches weeks + days of amenorrhea.
std::optional<Date> dateAtAmenorrhea(Date conception, int weeks, int days);

// A length typed with one decimal, comma or point: "60", "60,5", "60.5".
std::optional<double> readsAsLength(std::string_view text);
// "60" or "60,5", as French writes it.
std::string lengthText(double millimetres);
// "+ 8 j", "− 3 j", "0 j".
std::string gapText(int days);

} // namespace dating
