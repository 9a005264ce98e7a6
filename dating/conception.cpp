#include "conception.h"

#include <cmath>
#include <cstdlib>

namespace dating {

namespace {

Dated refused(DatingProblem problem)
{
    return { std::nullopt, EnteredDating {}, problem };
}

Dated dated(std::optional<Date> conception, ConceptionDating dating)
{
    if (!conception || !isSupported(*conception))
        return refused(DatingProblem::OutsideSupportedYears);
    return { conception, std::move(dating), DatingProblem::None };
}

} // namespace

CrlLimits crlLimits(CrlFormula formula)
{
    switch (formula) {
    case CrlFormula::Robinson1975:
        return { 10, 84 };
    case CrlFormula::Intergrowth2014:
        return { 15, 95 };
    }
    return { 0, 0 };
}

std::string_view crlFormulaName(CrlFormula formula)
{
    switch (formula) {
    case CrlFormula::Robinson1975:
        return "Robinson 1975";
    case CrlFormula::Intergrowth2014:
        return "INTERGROWTH-21st 2014";
    }
    return {};
}

std::optional<double> gestationalDaysFromCrl(CrlFormula formula, double crl)
{
    const CrlLimits limits = crlLimits(formula);
    if (!(crl >= limits.shortest && crl <= limits.longest))
        return std::nullopt;
    switch (formula) {
    case CrlFormula::Robinson1975:
        // Robinson and Fleming, BJOG 1975;82:702.
        return 8.052 * std::sqrt(crl) + 23.73;
    case CrlFormula::Intergrowth2014:
        // Papageorghiou et al., Ultrasound Obstet Gynecol 2014;44:641.
        return 40.9041 + 3.21585 * std::sqrt(crl) + 0.348956 * crl;
    }
    return std::nullopt;
}

int redateThreshold(RedatePolicy policy)
{
    switch (policy) {
    case RedatePolicy::Always:
        return 0;
    case RedatePolicy::GapOver5:
        return 5;
    case RedatePolicy::GapOver7:
        return 7;
    }
    return 0;
}

bool scanReplacesPeriod(RedatePolicy policy, int gapDays)
{
    return policy == RedatePolicy::Always || std::abs(gapDays) > redateThreshold(policy);
}

Dated datedByPeriod(Date lastPeriod, int cycleDays)
{
    if (cycleDays < shortestCycle || cycleDays > longestCycle)
        return refused(DatingProblem::CycleOutOfRange);
    return dated(add(Interval::Day, cycleDays - daysFromLastPeriodToConception, lastPeriod),
        PeriodDating { lastPeriod, cycleDays });
}

Dated datedByScan(
    Date scan, double crl, CrlFormula formula, std::optional<PeriodDating> period, RedatePolicy policy)
{
    const auto days = gestationalDaysFromCrl(formula, crl);
    if (!days)
        return refused(DatingProblem::CrlOutOfRange);
    ScanDating s { scan, crl, formula, *days, int(std::floor(*days)), {}, period, std::nullopt, 0, policy,
        true };
    const auto byScan = add(Interval::Day, daysFromLastPeriodToConception - s.completedDays, scan);
    if (!byScan || !isSupported(scan))
        return refused(DatingProblem::OutsideSupportedYears);
    s.conceptionByScan = *byScan;
    if (period) {
        const Dated byPeriod = datedByPeriod(period->lastPeriod, period->cycleDays);
        if (!byPeriod.conception)
            return refused(byPeriod.problem);
        const int periodDays = amenorrheaDays(*byPeriod.conception, scan);
        if (periodDays < 7 * earliestScanWeeksByPeriod || periodDays >= 7 * (latestScanWeeksByPeriod + 1))
            return refused(DatingProblem::ScanOutsideFirstTrimester);
        s.conceptionByPeriod = byPeriod.conception;
        s.gapDays = s.completedDays - periodDays;
        s.scanRetained = scanReplacesPeriod(policy, s.gapDays);
    }
    const Date retained = s.scanRetained ? s.conceptionByScan : *s.conceptionByPeriod;
    return dated(retained, s);
}

Dated datedByRetrieval(Date retrievalOrInsemination)
{
    return dated(retrievalOrInsemination, RetrievalDating { retrievalOrInsemination });
}

Dated datedByTransfer(Date transfer, int embryoAgeDays)
{
    if (embryoAgeDays < youngestEmbryoDays || embryoAgeDays > oldestEmbryoDays)
        return refused(DatingProblem::EmbryoAgeOutOfRange);
    return dated(add(Interval::Day, -embryoAgeDays, transfer), TransferDating { transfer, embryoAgeDays });
}

std::optional<Date> conceptionOf(const ConceptionDating &dating)
{
    struct Visitor
    {
        std::optional<Date> operator()(const EnteredDating &) const { return std::nullopt; }
        std::optional<Date> operator()(const PeriodDating &p) const
        {
            return datedByPeriod(p.lastPeriod, p.cycleDays).conception;
        }
        std::optional<Date> operator()(const ScanDating &s) const
        {
            return s.scanRetained ? s.conceptionByScan : s.conceptionByPeriod;
        }
        std::optional<Date> operator()(const RetrievalDating &r) const { return r.retrievalOrInsemination; }
        std::optional<Date> operator()(const TransferDating &t) const
        {
            return add(Interval::Day, -t.embryoAgeDays, t.transfer);
        }
    };
    return std::visit(Visitor {}, dating);
}

int amenorrheaDays(Date conception, Date day)
{
    return daysBetween(conception, day) + daysFromLastPeriodToConception;
}

std::optional<std::string> pregnancyWeeksText(int amenorrheaDays)
{
    const int days = amenorrheaDays - daysFromLastPeriodToConception;
    if (days < 0)
        return std::nullopt;
    return std::to_string(days / 7) + " SG + " + std::to_string(days % 7) + " j";
}

std::optional<Date> dateAtAmenorrhea(Date conception, int weeks, int days)
{
    if (weeks < 0 || days < 0 || days > 6)
        return std::nullopt;
    return add(Interval::Day, 7 * weeks + days - daysFromLastPeriodToConception, conception);
}

std::optional<double> readsAsLength(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    int whole = 0, digits = 0, tenths = -1;
    bool afterSeparator = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            if (afterSeparator) {
                if (tenths >= 0)
                    return std::nullopt; // one decimal at most
                tenths = c - '0';
            } else if (++digits > 4) {
                return std::nullopt;
            } else {
                whole = 10 * whole + (c - '0');
            }
        } else if ((c == ',' || c == '.') && !afterSeparator && digits > 0) {
            afterSeparator = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || (afterSeparator && tenths < 0))
        return std::nullopt;
    return whole + (tenths > 0 ? tenths / 10.0 : 0.0);
}

std::string lengthText(double millimetres)
{
    const long tenths = std::lround(millimetres * 10);
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0)
        text += "," + std::to_string(tenths % 10);
    return text;
}

std::string gapText(int days)
{
    if (days == 0)
        return "0 j";
    return (days > 0 ? "+ " : "− ") + std::to_string(std::abs(days)) + " j";
}

} // namespace dating
