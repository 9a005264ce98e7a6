#include "bench/heapcount.h"
#include "dating/calendar.h"
#include "notes/notes.h"
#include "tests/fixedclock.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

// One stamp on journals of ten thousand days of notes, about 10 MB and about 1 GB: the time it
// takes, with the change on disk, the bytes it reads and writes, and the most heap it holds.
namespace {

constexpr int journalDays = 10000;
const dating::Date today = tuesdayAfternoon.date;

dating::Date daysFromToday(int days)
{
    return *dating::add(dating::Interval::Day, days, today);
}

const int middleDayIndex = journalDays / 2;
const dating::Date middleDay = daysFromToday(middleDayIndex - journalDays + 1);

// Every day of the journal is stamped in the morning only, so the stamps of a run, from noon on,
// always add a key.
dating::TimeOfDay afternoon(int stamp)
{
    const int seconds = 12 * 3600 + stamp % (12 * 3600);
    return { seconds / 3600, seconds / 60 % 60, seconds % 60 };
}

// Three morning stamps, each with notesPerStamp lines of notes under it, LF line breaks.
QByteArray dayOfNotes(int day, int notesPerStamp)
{
    static const char *const notes[] = {
        "Mme D., 2e grossesse, DR 14/02 : \xe9"
        "chographie de datation pr\xe9vue, bilan sanguin fait.",
        "Appel du laboratoire : toxoplasmose n\xe9gative, rub\xe9ole immunis\xe9"
        "e, \xe0 revoir au 3e mois.",
        "Consultation du 4e mois, tension 12/7, poids +3 kg, hauteur ut\xe9rine conforme au terme.",
        "Courrier \xe0 la maternit\xe9 pour l'inscription ; cong\xe9 pr\xe9natal calcul\xe9 et remis.",
        "Mme L., primipare : glyc\xe9mie \xe0 jeun \xe0 contr\xf4ler, HGPO entre 24 et 28 S.A.",
        "Monitoring fait, rythme cardiaque f\xe9tal normal, pas de contractions, revoir dans 8 jours.",
        "Pr\xe9paration \xe0 la naissance : s\xe9"
        "ances 3 et 4 fix\xe9"
        "es, la patiente pr\xe9"
        "f\xe8re le mardi.",
        "RAS. Dossier compl\xe9t\xe9, compte rendu envoy\xe9 au m\xe9"
        "decin traitant.",
    };
    constexpr int noteCount = int(std::size(notes));
    QByteArray text;
    text.append('[').append(dating::shortDate(daysFromToday(day - journalDays + 1))).append("]\n");
    for (int stamp = 0; stamp < 3; ++stamp) {
        text.append(dating::timeKey({ 8 + stamp, (day * 7 + stamp * 13) % 60, day % 60 })).append("=\n");
        for (int line = 0; line < notesPerStamp; ++line)
            text.append(notes[(day + stamp * 4 + line) % noteCount]).append('\n');
    }
    return text;
}

// A journal on disk; the last day is today's, so today's section is the last one.
struct Journal
{
    QString path;
    int notesPerStamp = 4;
    qint64 size = 0;
    qint64 afterMiddleDay = 0; // where the section after the middle day's starts
};

// Writes the days from firstDay on at offset, and ends the file there, on disk.
bool writeDays(const Journal &journal, int firstDay, qint64 offset, qint64 *afterMiddleDay = nullptr)
{
    QFile file(journal.path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(offset))
        return false;
    for (int day = firstDay; day < journalDays; ++day) {
        if (day == middleDayIndex + 1 && afterMiddleDay)
            *afterMiddleDay = file.pos();
        const QByteArray text = dayOfNotes(day, journal.notesPerStamp);
        if (file.write(text) != text.size())
            return false;
    }
    return file.resize(file.pos()) && file.flush() && ::fsync(file.handle()) == 0;
}

bool create(Journal &journal)
{
    QFile(journal.path).remove();
    QFile made(journal.path);
    if (!made.open(QIODevice::WriteOnly))
        return false;
    made.close();
    if (!writeDays(journal, 0, 0, &journal.afterMiddleDay))
        return false;
    journal.size = QFileInfo(journal.path).size();
    return true;
}

// Puts the journal back as built after a run's stamps, on disk, untimed.
bool restore(const Journal &journal, bool stampedInTheMiddle)
{
    if (stampedInTheMiddle)
        return writeDays(journal, middleDayIndex + 1, journal.afterMiddleDay);
    QFile file(journal.path);
    return file.open(QIODevice::ReadWrite) && file.resize(journal.size) && ::fsync(file.handle()) == 0;
}

// What this process has read ("rchar") or written ("wchar") so far, in bytes, to any file.
long long ioBytes(const char *counter)
{
    std::ifstream io("/proc/self/io");
    std::string name;
    long long value = -1;
    while (io >> name >> value)
        if (name == counter)
            return value;
    return -1;
}

QByteArray keyLine(const dating::LocalTime &at)
{
    return QByteArray::fromStdString(dating::timeKey(at.time)) + "=\n";
}

QByteArray header(dating::Date date)
{
    return '[' + QByteArray::fromStdString(dating::shortDate(date)) + "]\n";
}

// Where a run's stamps go, and where the last of them shows in the file.
struct Case
{
    dating::LocalTime (*stampAt)(int stamp);
    qsizetype bytesPerStamp;
    bool inTheMiddle;
    // The bytes the file holds at the offset given, after stamps stamps.
    QByteArray (*lastShows)(const dating::LocalTime &last);
    qint64 (*lastAt)(const Journal &journal, int stamps);
};

const Case newDayAtTheEnd {
    [](int stamp) {
        return dating::LocalTime { daysFromToday(1 + stamp), tuesdayAfternoon.time };
    },
    qsizetype(std::strlen("[dd/mm/yyyy]\nhh:mm:ss=\n")),
    false,
    [](const dating::LocalTime &last) { return header(last.date) + keyLine(last); },
    [](const Journal &journal, int stamps) { return journal.size + (stamps - 1) * 23; },
};

const Case todayTheLastSection {
    [](int stamp) {
        return dating::LocalTime { today, afternoon(stamp) };
    },
    qsizetype(std::strlen("hh:mm:ss=\n")),
    false,
    [](const dating::LocalTime &last) { return keyLine(last); },
    [](const Journal &journal, int stamps) { return journal.size + (stamps - 1) * 10; },
};

const Case sectionInTheMiddle {
    [](int stamp) {
        return dating::LocalTime { middleDay, afternoon(stamp) };
    },
    qsizetype(std::strlen("hh:mm:ss=\n")),
    true,
    [](const dating::LocalTime &last) {
        return keyLine(last) + header(*dating::add(dating::Interval::Day, 1, middleDay));
    },
    [](const Journal &journal, int stamps) { return journal.afterMiddleDay + (stamps - 1) * 10; },
};

bool holdsLastStamp(const Journal &journal, const Case &where, int stamps)
{
    QFile file(journal.path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != journal.size + stamps * where.bytesPerStamp)
        return false;
    if (stamps == 0)
        return true;
    const QByteArray expected = where.lastShows(where.stampAt(stamps - 1));
    return file.seek(where.lastAt(journal, stamps)) && file.read(expected.size()) == expected;
}

// The Notes button without its editor: the stamp, and finding where the text ends for the caret.
class SilentEditor final : public notes::Platform
{
public:
    QString perUserDataDirectory() const override { return QString(); }
    bool openInEditor(const QString &, std::optional<notes::TextPosition>) const override { return true; }
};

bool pressNotes(const dating::LocalTime &at, const QString &path)
{
    static const SilentEditor editor;
    const FixedClock clock(at);
    return notes::OuvrirNotes(path, clock, editor).isEmpty();
}

void stampJournal(benchmark::State &state, const Journal &journal, const Case &where)
{
    int stamps = 0;
    std::size_t mostHeldMore = 0;
    const long long readBefore = ioBytes("rchar:");
    const long long writtenBefore = ioBytes("wchar:");
    for (auto _ : state) {
        const std::size_t heldBefore = heapcount::held();
        heapcount::restartPeak();
        if (!pressNotes(where.stampAt(stamps++), journal.path)) {
            state.SkipWithError("the stamp was not written");
            return;
        }
        mostHeldMore = std::max(mostHeldMore, heapcount::peak() - heldBefore);
    }
    const long long read = ioBytes("rchar:") - readBefore;
    const long long written = ioBytes("wchar:") - writtenBefore;

    if (!holdsLastStamp(journal, where, stamps))
        state.SkipWithError("the journal does not hold every stamp where it belongs");
    if (!restore(journal, where.inTheMiddle))
        state.SkipWithError("the journal could not be put back");
    const auto perStamp = [&](double bytes) {
        return benchmark::Counter(
            stamps > 0 ? bytes / stamps : 0, benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
    };
    state.counters["read"] = perStamp(double(read));
    state.counters["written"] = perStamp(double(written));
    if (heapcount::counts())
        state.counters["heap_peak"] = benchmark::Counter(
            double(mostHeldMore), benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
}

} // namespace

int main(int argc, char *argv[])
{
    benchmark::Initialize(&argc, argv);
    const QTemporaryDir directory;
    if (!directory.isValid()) {
        std::fputs("No temporary directory for the journal.\n", stderr);
        return 1;
    }
    // About 1 KB a day (four lines of notes under each stamp), and about 100 KB a day.
    Journal small { directory.filePath(QStringLiteral("gestiva-10MB.txt")), 4 };
    Journal large { directory.filePath(QStringLiteral("gestiva-1GB.txt")), 400 };
    for (Journal *journal : { &small, &large }) {
        if (!create(*journal)) {
            std::fputs("The journals could not be written.\n", stderr);
            return 1;
        }
        std::printf("Journal: %d days, %lld bytes, LF line breaks, in %s\n", journalDays,
            static_cast<long long>(journal->size), qPrintable(journal->path));
    }

    const auto add = [&](const char *name, const Journal &journal, const Case &where) {
        benchmark::internal::Benchmark *benchmark
            = benchmark::RegisterBenchmark(name, stampJournal, std::cref(journal), std::cref(where))
                  ->Unit(benchmark::kMillisecond)
                  ->UseRealTime();
        // A stamp on 1 GB takes long enough that a few are figure enough.
        if (&journal == &large)
            benchmark->Iterations(3)->Repetitions(3);
    };
    add("Notes stamp, 10 MB, new day at the end", small, newDayAtTheEnd);
    add("Notes stamp, 10 MB, into today's section, the last", small, todayTheLastSection);
    add("Notes stamp, 10 MB, into a section in the middle", small, sectionInTheMiddle);
    add("Notes stamp, 1 GB, new day at the end", large, newDayAtTheEnd);
    add("Notes stamp, 1 GB, into today's section, the last", large, todayTheLastSection);
    add("Notes stamp, 1 GB, into a section in the middle", large, sectionInTheMiddle);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
