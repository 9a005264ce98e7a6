#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

// Starts the calendar and the bare-widgets floor in turn, each until its first paint, and
// prints the median whole-process wall time and peak memory of both, with their ratio.
namespace {

struct Run
{
    double milliseconds;
    double peakMiB;
};

struct Program
{
    const char *title;
    const char *path;
    std::vector<Run> runs;
};

std::optional<Run> runOnce(const char *path)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execl(path, path, static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    if (wait4(child, &status, 0, &usage) != child)
        return std::nullopt;
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return Run { std::chrono::duration<double, std::milli>(end - start).count(), usage.ru_maxrss / 1024.0 };
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

template<class Field> double median(const std::vector<Run> &runs, Field field)
{
    std::vector<double> values;
    for (const Run &run : runs)
        values.push_back(run.*field);
    return median(values);
}

} // namespace

int main(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 30;
    if (rounds < 1) {
        std::fprintf(stderr, "usage: %s [runs, at least 1; 30 by default]\n", argv[0]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    Program gestiva { "gestiva (form1)", GESTIVA_PROGRAM, {} };
    Program floor { "bare widgets floor", FLOOR_PROGRAM, {} };
    // One start of each first, uncounted, so both find the libraries and fonts in the cache.
    for (Program *program : { &gestiva, &floor }) {
        if (!runOnce(program->path)) {
            std::fprintf(stderr, "%s did not start and quit cleanly: %s\n", program->title, program->path);
            return 1;
        }
    }
    // Interleaved, the order swapped every round, so a change of load falls on both alike.
    for (int round = 0; round < rounds; ++round) {
        for (Program *program :
            round % 2 ? std::vector { &floor, &gestiva } : std::vector { &gestiva, &floor }) {
            const auto run = runOnce(program->path);
            if (!run) {
                std::fprintf(stderr, "%s failed on run %d\n", program->title, round + 1);
                return 1;
            }
            program->runs.push_back(*run);
        }
    }

    const double wall = median(gestiva.runs, &Run::milliseconds);
    const double wallFloor = median(floor.runs, &Run::milliseconds);
    const double peak = median(gestiva.runs, &Run::peakMiB);
    const double peakFloor = median(floor.runs, &Run::peakMiB);
    std::printf("Start-up to first paint, whole process, median of %d runs each, interleaved\n", rounds);
    std::printf("%-22s %12s %16s\n", "", "wall (ms)", "peak RSS (MiB)");
    std::printf("%-22s %12.1f %16.1f\n", gestiva.title, wall, peak);
    std::printf("%-22s %12.1f %16.1f\n", floor.title, wallFloor, peakFloor);
    std::printf("%-22s %12.2f %16.2f   (goals: at most 1.30 and 1.20)\n", "ratio", wall / wallFloor,
        peak / peakFloor);
    return 0;
}
