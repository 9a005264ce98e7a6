#include "notes/ecrireini.h"
#include "notes/notes.h"
#include "notes/profilefile.h"

#include "fixedclock.h"
#include "journalfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// 8 December 2026 at 14:05:09: the stamp is "[08/12/2026]" and "14:05:09=".
const FixedClock pressTime(tuesdayAfternoon);
const QByteArray stampLines = "14:05:09=\n";

// Runs a command-line tool; its standard output, or nothing when it failed.
std::optional<QByteArray> run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

bool isLockedElsewhere(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (fd >= 0)
        ::close(fd);
    return locked;
}

struct stat statusOf(const QString &path)
{
    struct stat status
    {
    };
    ::stat(QFile::encodeName(path).constData(), &status);
    return status;
}

QStringList entriesOf(const QString &directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Kills a process after a while unless told not to: a stamp that waited without limit for a lock
// would otherwise hang the test instead of failing it.
class Watchdog
{
public:
    Watchdog(qint64 pid, std::chrono::seconds after)
        : m_thread([this, pid, after] {
            std::unique_lock lock(m_mutex);
            if (!m_called.wait_for(lock, after, [this] { return m_calledOff; }))
                ::kill(pid_t(pid), SIGKILL);
        })
    { }
    ~Watchdog()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_calledOff = true;
        }
        m_called.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_called;
    bool m_calledOff = false;
    std::thread m_thread;
};

// About 3 MB of notes, today's section in the middle: a stamp there moves 1.5 MB.
QByteArray journalOfSomeMegabytes()
{
    QByteArray journal;
    const QByteArray note
        = "Consultation du 4e mois, tension 12/7, poids +3 kg, hauteur ut\xe9rine conforme.\n";
    for (int day = 1; day <= 3000; ++day) {
        const dating::Date date = *dating::add(dating::Interval::Day, day - 1500, tuesdayAfternoon.date);
        journal.append('[').append(dating::shortDate(date)).append("]\n08:00:00=\n");
        for (int line = 0; line < 12; ++line)
            journal.append(note);
    }
    return journal;
}

} // namespace

class TestNotesJournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void lockHeldByAnotherProgram();
    void sparseJournal_data();
    void sparseJournal();
    void insertionKeepsTheFileItself();
    void leftoversAreCleared();
    void cutOffStampIsPutBackByTheNext_data();
    void cutOffStampIsPutBackByTheNext();
    void killedStampsNeverLoseABit();

private:
    QTemporaryDir m_home;
};

void TestNotesJournal::initTestCase()
{
    QVERIFY(m_home.isValid());
    for (const char *variable : { "HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME" })
        qputenv(variable, QFile::encodeName(m_home.path()));
    qunsetenv("windir");
}

void TestNotesJournal::lockHeldByAnotherProgram()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    const QByteArray before = "[07/12/2026]\nnote\n";
    writeFile(path, before);

    // flock keeps the lock until cat, which reads our pipe, ends.
    QProcess holder;
    holder.start(QStringLiteral("flock"), { "--exclusive", "--close", path, "cat" });
    QVERIFY2(holder.waitForStarted(), "flock (util-linux) is needed");
    QTRY_VERIFY_WITH_TIMEOUT(isLockedElsewhere(path), 10000);

    QElapsedTimer waited;
    RecordingPlatform platform;
    QString message;
    {
        const Watchdog watchdog(holder.processId(), std::chrono::seconds(20));
        waited.start();
        message = notes::OuvrirNotes(path, pressTime, platform);
    }
    // Two seconds of waiting at most, with room for a busy machine.
    QVERIFY2(waited.elapsed() < 10000, qPrintable(QString::number(waited.elapsed())));
    QCOMPARE(message,
        QStringLiteral("Le journal %1 est utilisé par un autre programme et n'a pas été daté.").arg(path));
    QCOMPARE(contentOf(path), before);
    QCOMPARE(platform.m_paths, QStringList { path });
    QCOMPARE(notes::EcrireIni(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v"), path), 0);

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    QCOMPARE(notes::OuvrirNotes(path, pressTime, platform), QString());
    QCOMPARE(contentOf(path), before + "[08/12/2026]\n" + stampLines);
}

void TestNotesJournal::sparseJournal_data()
{
    QTest::addColumn<QByteArray>("head"); // written before the file is made sparse to its size
    QTest::addColumn<bool>("beyondFreeSpace"); // else 40 GB
    QTest::addColumn<bool>("stamped");

    QTest::newRow("40 GB of zeros: the stamp goes at the end") << QByteArray() << false << true;
    QTest::newRow("today's section first: inserting needs more than the free space")
        << QByteArray("[08/12/2026]\nnote\n[09/12/2026]\n") << true << false;
}

void TestNotesJournal::sparseJournal()
{
    QFETCH(QByteArray, head);
    QFETCH(bool, beyondFreeSpace);
    QFETCH(bool, stamped);
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    writeFile(path, head);
    const qint64 size = beyondFreeSpace ? QStorageInfo(dir.path()).bytesAvailable() * 2 + (qint64(1) << 30)
                                        : qint64(40) << 30;
    if (!run(QStringLiteral("truncate"), { "-s", QString::number(size), path }))
        QSKIP("This file system takes no sparse file of that size");

    RecordingPlatform platform;
    const QString message = notes::OuvrirNotes(path, pressTime, platform);
    QCOMPARE(platform.m_paths, QStringList { path });
    QFile journal(path);
    QVERIFY(journal.open(QIODevice::ReadOnly));
    QCOMPARE(journal.read(head.size()), head);
    if (stamped) {
        QCOMPARE(message, QString());
        const QByteArray added = "\n[08/12/2026]\n" + stampLines;
        QCOMPARE(journal.size(), size + added.size());
        QVERIFY(journal.seek(size));
        QCOMPARE(journal.readAll(), added);
        QVERIFY(platform.m_caret);
        QCOMPARE(platform.m_caret->line, 4);
        QCOMPARE(platform.m_caret->column, 1);
    } else {
        QCOMPARE(message, QStringLiteral("Le disque est trop plein pour dater le journal %1.").arg(path));
        QCOMPARE(journal.size(), size);
        QCOMPARE(notes::EcrireIni(QStringLiteral("08/12/2026"), QStringLiteral("k"), QString(), path), 0);
        QCOMPARE(journal.size(), size);
    }
    QCOMPARE(entriesOf(dir.path()), QStringList { "gestiva.txt" });
}

void TestNotesJournal::insertionKeepsTheFileItself()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    const QString hardLink = dir.filePath(QStringLiteral("copie.txt"));
    writeFile(path, "[08/12/2026]\nnote\n\n[09/12/2026]\n");
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(hardLink).constData()), 0);
    if (!run(QStringLiteral("setfacl"), { "-m", "u:nobody:rw", path }))
        QSKIP("No ACLs here (setfacl from the acl package, and a file system that keeps them)");
    if (!run(QStringLiteral("setfattr"), { "-n", "user.gestiva", "-v", "dossier 12", path }))
        QSKIP("No extended attributes here (setfattr from the attr package, and a file system that keeps "
              "them)");
    // The administrator stamping a journal that belongs to someone else leaves it theirs.
    if (::geteuid() == 0)
        QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    const struct stat before = statusOf(path);
    const auto acl = run(QStringLiteral("getfacl"), { "--omit-header", path });
    const auto attribute = run(QStringLiteral("getfattr"), { "--only-values", "-n", "user.gestiva", path });
    QVERIFY(acl && attribute);

    RecordingPlatform platform;
    QCOMPARE(notes::OuvrirNotes(path, pressTime, platform), QString());

    const QByteArray after = "[08/12/2026]\nnote\n" + stampLines + "\n[09/12/2026]\n";
    QCOMPARE(contentOf(path), after);
    QCOMPARE(contentOf(hardLink), after);
    const struct stat status = statusOf(path);
    QCOMPARE(status.st_ino, before.st_ino);
    QCOMPARE(status.st_nlink, nlink_t(2));
    QCOMPARE(status.st_mode, before.st_mode);
    QCOMPARE(status.st_uid, before.st_uid);
    QCOMPARE(status.st_gid, before.st_gid);
    QCOMPARE(run(QStringLiteral("getfacl"), { "--omit-header", path }), acl);
    QCOMPARE(run(QStringLiteral("getfattr"), { "--only-values", "-n", "user.gestiva", path }), attribute);
    QCOMPARE(entriesOf(dir.path()), (QStringList { "copie.txt", "gestiva.txt" }));
}

void TestNotesJournal::leftoversAreCleared()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    const QByteArray before = "[08/12/2026]\nnote\n\n[09/12/2026]\n";
    writeFile(path, before);
    // A whole copy an earlier version left when cut off, and a safety copy torn by a crash.
    writeFile(dir.filePath(QStringLiteral(".gestiva.txt.Ab3xY9")), before + "14:00:00=\n");
    writeFile(dir.filePath(QStringLiteral(".gestiva.txt-rollback")), "gestiva-rollback\x01\x02");
    // The user's own files stay.
    writeFile(dir.filePath(QStringLiteral(".gestiva.txt.bak")), "copie de l'utilisatrice");
    writeFile(dir.filePath(QStringLiteral("gestiva.txt.Ab3xY9")), "autre");

    RecordingPlatform platform;
    QCOMPARE(notes::OuvrirNotes(path, pressTime, platform), QString());
    QCOMPARE(contentOf(path), "[08/12/2026]\nnote\n" + stampLines + "\n[09/12/2026]\n");
    QCOMPARE(
        entriesOf(dir.path()), (QStringList { ".gestiva.txt.bak", "gestiva.txt", "gestiva.txt.Ab3xY9" }));
}

void TestNotesJournal::cutOffStampIsPutBackByTheNext_data()
{
    QTest::addColumn<bool>("whileRewriting"); // else while its safety copy is written
    QTest::newRow("cut off writing the safety copy") << false;
    QTest::newRow("cut off rewriting the journal in place") << true;
}

// The system's file size limit kills the stamping process (SIGXFSZ) at an exact point of its
// write: the file it writes may not grow past the limit.
void TestNotesJournal::cutOffStampIsPutBackByTheNext()
{
    QFETCH(bool, whileRewriting);
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    const QByteArray filler = QByteArray(99, 'x') + '\n';
    const QByteArray before = "[07/12/2026]\n" + filler.repeated(3000) + "[08/12/2026]\nnote\n[09/12/2026]\n"
        + filler.repeated(1000);
    writeFile(path, before);
    const QByteArray expected = "[07/12/2026]\n" + filler.repeated(3000) + "[08/12/2026]\nnote\n" + stampLines
        + "[09/12/2026]\n" + filler.repeated(1000);
    // The safety copy holds the 100 KB after the stamp: the journal itself is the larger file.
    const rlim_t limit = whileRewriting ? rlim_t(before.size() + 5) : rlim_t(1000);

    QProcess stamper;
    stamper.setChildProcessModifier([limit] {
        const rlimit size { limit, limit };
        ::setrlimit(RLIMIT_FSIZE, &size);
    });
    stamper.start(QStringLiteral(JOURNAL_STAMPER), { path, "08/12/2026", "14:05:09" });
    QVERIFY(stamper.waitForReadyRead(10000));
    stamper.write("go\n");
    QVERIFY(stamper.waitForFinished(30000));
    QCOMPARE(stamper.exitStatus(), QProcess::CrashExit);

    const QByteArray cut = contentOf(path);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral(".gestiva.txt-rollback"))));
    if (whileRewriting)
        QVERIFY(cut != before && cut != expected);
    else
        QCOMPARE(cut, before);

    RecordingPlatform platform;
    QCOMPARE(notes::OuvrirNotes(path, pressTime, platform), QString());
    QCOMPARE(contentOf(path), expected);
    QCOMPARE(entriesOf(dir.path()), QStringList { "gestiva.txt" });
}

// A stamping process killed at a random moment of its stamp, again and again: after each kill the
// journal is the old content or the new one, or the next stamp's recovery makes it the old one;
// and nothing is left beside it.
void TestNotesJournal::killedStampsNeverLoseABit()
{
    const QTemporaryDir dir;
    const QTemporaryDir reference;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    const QString expectedPath = reference.filePath(QStringLiteral("gestiva.txt"));
    writeFile(path, journalOfSomeMegabytes());

    const auto stampAt = [](int round) {
        // Into today's section in the middle, or a new day at the end, in turn.
        const dating::Date date = round % 2 == 0
            ? tuesdayAfternoon.date
            : *dating::add(dating::Interval::Day, 2000 + round, tuesdayAfternoon.date);
        return QStringList { QString::fromStdString(dating::shortDate(date)),
            QString::fromStdString(dating::timeKey({ 15, round / 60, round % 60 })) };
    };
    // How long a whole stamp takes from the word go, to spread the kills over it.
    qint64 stampMicroseconds = 0;
    const auto startStamper = [&](QProcess &stamper, int round) {
        stamper.start(QStringLiteral(JOURNAL_STAMPER), QStringList { path } + stampAt(round));
        QVERIFY(stamper.waitForStarted());
        QVERIFY(stamper.waitForReadyRead(10000));
        QCOMPARE(stamper.readLine(), QByteArray("ready\n"));
    };
    // The shortest of three, the first start of a program being slower.
    for (int round = 1000; round < 1003; ++round) {
        QProcess stamper;
        startStamper(stamper, round);
        QElapsedTimer timer;
        timer.start();
        stamper.write("go\n");
        QVERIFY(stamper.waitForFinished(30000));
        const qint64 took = timer.nsecsElapsed() / 1000;
        stampMicroseconds = stampMicroseconds == 0 ? took : std::min(stampMicroseconds, took);
        QCOMPARE(stamper.exitCode(), 0);
    }

    int unchanged = 0;
    int done = 0;
    int recovered = 0;
    constexpr int rounds = 60;
    for (int round = 0; round < rounds; ++round) {
        const QByteArray before = contentOf(path);
        writeFile(expectedPath, before);
        const QStringList stamp = stampAt(round);
        QCOMPARE(notes::stampJournal(stamp[0], stamp[1], expectedPath).outcome, notes::WriteOutcome::Written);
        const QByteArray expected = contentOf(expectedPath);
        QVERIFY(expected != before);

        QProcess stamper;
        startStamper(stamper, round);
        stamper.write("go\n");
        QVERIFY(stamper.waitForBytesWritten());
        std::this_thread::sleep_for(std::chrono::microseconds(
            QRandomGenerator::global()->bounded(qint64(1), qMax(qint64(2), stampMicroseconds * 6 / 5))));
        stamper.kill();
        QVERIFY(stamper.waitForFinished(10000));

        const QByteArray killed = contentOf(path);
        const bool rollbackLeft = QFile::exists(dir.filePath(QStringLiteral(".gestiva.txt-rollback")));
        QVERIFY2(killed == before || killed == expected || rollbackLeft,
            qPrintable(
                QStringLiteral("round %1: the journal is torn and nothing can put it back").arg(round)));
        QVERIFY(notes::recoverProfileFile(path));
        const QByteArray after = contentOf(path);
        QVERIFY2(after == before || after == expected,
            qPrintable(QStringLiteral("round %1: %2 bytes, neither the old %3 nor the new %4")
                           .arg(round)
                           .arg(after.size())
                           .arg(before.size())
                           .arg(expected.size())));
        QCOMPARE(entriesOf(dir.path()), QStringList { "gestiva.txt" });
        if (killed != after)
            ++recovered;
        else if (after == before)
            ++unchanged;
        else
            ++done;
    }
    qInfo("%d kills: %d before the change, %d after it, %d put back by recovery (stamp %lld us)", rounds,
        unchanged, done, recovered, static_cast<long long>(stampMicroseconds));
}

QTEST_GUILESS_MAIN(TestNotesJournal)
#include "test_notes_journal.moc"
