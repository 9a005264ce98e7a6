#include "dating/rules.h"
#include "tests/fixedclock.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const dating::Date today = ymd(2026, 12, 8);

// What one completed last-period date costs the core: R1 gives the conception date, R2
// every result of it, the four schedules included.
void lastPeriodToEveryResult(benchmark::State &state)
{
    const std::string lastPeriod = "01/03/2026";
    for (auto _ : state) {
        const auto conception = dating::ruleR1(*dating::readsAsDate(lastPeriod));
        auto results = dating::ruleR2(*conception, today);
        benchmark::DoNotOptimize(results);
    }
}
BENCHMARK(lastPeriodToEveryResult);

// The pieces, to tell where the time of a full computation goes.
void readDateText(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(dating::readsAsDate("15/03/2026"));
}
BENCHMARK(readDateText);

void writeShortDate(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(dating::shortDate(today));
}
BENCHMARK(writeShortDate);

void fourSchedules(benchmark::State &state)
{
    const dating::Date conception = ymd(2026, 3, 15);
    const dating::Date delivery = ymd(2026, 12, 15);
    for (auto _ : state)
        for (const dating::ScheduleKind kind : dating::allSchedules)
            benchmark::DoNotOptimize(dating::datesOf(kind, conception, delivery));
}
BENCHMARK(fourSchedules);

} // namespace

BENCHMARK_MAIN();
