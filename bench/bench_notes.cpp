#include "bench/heapcount.h"
#include "dating/calendar.h"
#include "notes/ecrireini.h"
#include "notes/notes.h"
#include "tests/fixedclock.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

// One stamp on a journal of ten thousand days of notes, about 10 MB: the time it takes, with the
// change on disk, and how many times it reads the file and holds it in memory.
namespace {

constexpr int journalDays = 10000;
const dating::Date today = tuesdayAfternoon.date;

dating::Date daysFromToday(int days)
{
    return *dating::add(dating::Interval::Day, days, today);
}

const dating::Date middleDay = daysFromToday(-journalDays / 2);

// Every day of the journal is stamped in the morning only, so the stamps of a run, from noon on,
// always add a key.
dating::TimeOfDay afternoon(int stamp)
{
    const int seconds = 12 * 3600 + stamp % (12 * 3600);
    return { seconds / 3600, seconds / 60 % 60, seconds % 60 };
}

// About 1 KB a day: three morning stamps, each with four lines of notes under it, LF line breaks.
// The last day is today's, so today's section is the last one.
QByteArray tenThousandDaysOfNotes()
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
    QByteArray journal;
    journal.reserve(journalDays * 1100);
    for (int day = 0; day < journalDays; ++day) {
        journal.append('[').append(dating::shortDate(daysFromToday(day - journalDays + 1))).append("]\n");
        for (int stamp = 0; stamp < 3; ++stamp) {
            journal.append(dating::timeKey({ 8 + stamp, (day * 7 + stamp * 13) % 60, day % 60 }))
                .append("=\n");
            for (int line = 0; line < 4; ++line)
                journal.append(notes[(day + stamp * 4 + line) % noteCount]).append('\n');
        }
    }
    return journal;
}

// Puts the journal back as built, on disk: a stamp must not pay for flushing the fixture.
bool restore(const QString &path, const QByteArray &journal)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(journal) == journal.size()
        && file.flush() && ::fsync(file.handle()) == 0;
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

// Where a run's stamps go, and what the file shows after the last of them.
struct Case
{
    dating::LocalTime (*stampAt)(int stamp);
    qsizetype bytesPerStamp;
    bool (*showsLast)(const QByteArray &content, const dating::LocalTime &last);
};

QByteArray keyLine(const dating::LocalTime &at)
{
    return QByteArray::fromStdString(dating::timeKey(at.time)) + "=\n";
}

QByteArray header(dating::Date date)
{
    return '[' + QByteArray::fromStdString(dating::shortDate(date)) + "]\n";
}

const Case newDayAtTheEnd {
    [](int stamp) {
        return dating::LocalTime { daysFromToday(1 + stamp), tuesdayAfternoon.time };
    },
    qsizetype(std::strlen("[dd/mm/yyyy]\nhh:mm:ss=\n")),
    [](const QByteArray &content, const dating::LocalTime &last) {
        return content.endsWith(header(last.date) + keyLine(last));
    },
};

const Case todayTheLastSection {
    [](int stamp) {
        return dating::LocalTime { today, afternoon(stamp) };
    },
    qsizetype(std::strlen("hh:mm:ss=\n")),
    [](const QByteArray &content, const dating::LocalTime &last) { return content.endsWith(keyLine(last)); },
};

const Case sectionInTheMiddle {
    [](int stamp) {
        return dating::LocalTime { middleDay, afternoon(stamp) };
    },
    qsizetype(std::strlen("hh:mm:ss=\n")),
    [](const QByteArray &content, const dating::LocalTime &last) {
        return content.contains(keyLine(last) + header(*dating::add(dating::Interval::Day, 1, middleDay)));
    },
};

bool writeWithEcrireIni(const dating::LocalTime &at, const QString &path)
{
    return notes::EcrireIni(QString::fromStdString(dating::shortDate(at.date)),
               QString::fromStdString(dating::timeKey(at.time)), QString(), path)
        != 0;
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

void stampJournal(benchmark::State &state, const QString &path, const QByteArray &journal, const Case &where,
    bool (*stamp)(const dating::LocalTime &, const QString &))
{
    if (!restore(path, journal)) {
        state.SkipWithError("the journal could not be written");
        return;
    }
    int stamps = 0;
    std::size_t mostHeldMore = 0;
    const long long readBefore = ioBytes("rchar:");
    const long long writtenBefore = ioBytes("wchar:");
    for (auto _ : state) {
        const std::size_t heldBefore = heapcount::held();
        heapcount::restartPeak();
        if (!stamp(where.stampAt(stamps++), path)) {
            state.SkipWithError("the stamp was not written");
            return;
        }
        mostHeldMore = std::max(mostHeldMore, heapcount::peak() - heldBefore);
    }
    const long long read = ioBytes("rchar:") - readBefore;
    const long long written = ioBytes("wchar:") - writtenBefore;

    QFile file(path);
    const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (content.size() != journal.size() + stamps * where.bytesPerStamp
        || (stamps > 0 && !where.showsLast(content, where.stampAt(stamps - 1))))
        state.SkipWithError("the journal does not hold every stamp where it belongs");
    // The journal grows by a stamp each time; a read of it is a read of its size at the time.
    const double journalsRead = double(stamps) * double(journal.size())
        + double(where.bytesPerStamp) * double(stamps) * double(stamps - 1) / 2;
    state.counters["file_reads"] = stamps > 0 ? double(read) / journalsRead : 0;
    state.counters["written"] = benchmark::Counter(stamps > 0 ? double(written) / stamps : 0,
        benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
    if (!heapcount::counts())
        return;
    state.counters["file_copies"]
        = double(mostHeldMore) / double(journal.size() + stamps * where.bytesPerStamp);
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
    const QString path = directory.filePath(QStringLiteral("gestiva.txt"));
    const QByteArray journal = tenThousandDaysOfNotes();
    std::printf("Journal: %d days, %lld bytes, LF line breaks, in %s\n", journalDays,
        static_cast<long long>(journal.size()), qPrintable(directory.path()));

    const auto add = [&](const char *name, const Case &where, auto stamp) {
        benchmark::RegisterBenchmark(
            name, stampJournal, std::cref(path), std::cref(journal), std::cref(where), stamp)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    };
    add("EcrireIni, new day at the end", newDayAtTheEnd, writeWithEcrireIni);
    add("EcrireIni, into today's section, the last", todayTheLastSection, writeWithEcrireIni);
    add("EcrireIni, into a section in the middle", sectionInTheMiddle, writeWithEcrireIni);
    add("OuvrirNotes, today's section, editor left out", todayTheLastSection, pressNotes);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
