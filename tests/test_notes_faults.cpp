// Every call the journal's file layer makes, failed in turn, once and for good, with each error a
// disk or the system can give, as SQLite tests its I/O errors: after each, the journal is exactly as
// before or as after the write and the outcome says which, and a write without faults after it
// leaves the journal written and nothing beside it.
#include "notes/ecrireini.h"
#include "notes/notes.h"
#include "notes/osfile.h"
#include "notes/profilefile.h"

#include "fixedclock.h"
#include "journalfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <functional>
#include <memory>
#include <sys/stat.h>

namespace {

const QByteArray today = "08/12/2026";
const QByteArray stampKey = "14:05:09";

// Fails the call numbered failAt (from 1), and every later one when persistent, with error.
struct FaultPlan
{
    int failAt = 0;
    int error = 0;
    bool persistent = false;
    int calls = 0;
    int injected = 0;
    bool failedAnUnlink = false;

    int operator()(notes::FileCall call)
    {
        ++calls;
        if (failAt == 0 || calls < failAt || (calls > failAt && !persistent))
            return 0;
        ++injected;
        failedAnUnlink = failedAnUnlink || call == notes::FileCall::Unlink;
        return error;
    }
};

// The plan in force while it lives.
class Injection
{
public:
    explicit Injection(FaultPlan &plan)
    {
        notes::setFaultInjector([&plan](notes::FileCall call) { return plan(call); });
    }
    ~Injection() { notes::setFaultInjector({}); }
    Injection(const Injection &) = delete;
    Injection &operator=(const Injection &) = delete;
};

// One kind of write, on the journal as a case leaves it.
struct Case
{
    QByteArray before; // null: no journal
    notes::KeyRule rule = notes::KeyRule::NeverReplace;
    QByteArray value;
    bool startsCutOff = false; // a stamp cut off half-way through its rewrite comes first
};

notes::ProfileWriteResult write(const Case &what, const QString &path)
{
    return notes::writeProfileString(today, stampKey, what.value, path, what.rule);
}

// A journal whose today's section comes first: a stamp rewrites the 70 KB after it, in two pieces.
QByteArray journalWithTodayFirst()
{
    const QByteArray filler = QByteArray(99, 'x') + '\n';
    return "[08/12/2026]\nnote\n[09/12/2026]\n" + filler.repeated(700);
}

QByteArray journalWithTodayFirstStamped()
{
    QByteArray stamped = journalWithTodayFirst();
    return stamped.insert(stamped.indexOf("[09/12/2026]"), "14:05:09=\n");
}

// What the help line says of a journal that a cut-off write may have left half-written.
QString keptCopyMessage(const QString &path, const QString &copy)
{
    return QStringLiteral(
        "Le journal %1 n'a été ni daté ni ouvert : une écriture coupée y est peut-être restée, "
        "et sa copie de secours %2 est gardée pour le remettre en état.")
        .arg(path, copy);
}

} // namespace

Q_DECLARE_METATYPE(Case)

class TestNotesFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyCallFails_data();
    void everyCallFails();
    void readErrorInRecoveryKeepsEverything();
    void failedUndoOpensNoEditor();
    void cleanupTestCase();

private:
    // Makes the journal of a case at path; false when it could not be made as the case says.
    bool prepare(const Case &what, const QString &path);
    // The number of the last write call of a clean stamp of a case whose journal is prepared.
    int lastWriteCall(const Case &what, const QString &path);

    std::unique_ptr<QTemporaryDir> m_root;
    qint64 m_runs = 0;
    qint64 m_injected = 0;
    qint64 m_bytesLost = 0;
    QElapsedTimer m_timer;
};

void TestNotesFaults::initTestCase()
{
    qputenv("TZ", "UTC");
    qunsetenv("windir");
    // In memory where there is such a file system: its syncs cost nothing, and thousands are made.
    m_root = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
        ? std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/test_notes_faults-XXXXXX"))
        : std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_timer.start();
}

bool TestNotesFaults::prepare(const Case &what, const QString &path)
{
    QDir directory = QFileInfo(path).dir();
    for (const QString &entry : entriesOf(directory.path()))
        QFile::remove(directory.filePath(entry));
    if (what.before.isNull())
        return true;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(what.before) != what.before.size())
        return false;
    file.close();
    if (!what.startsCutOff)
        return true;
    // The stamp's last write fails, and so does every call after it: its undoing too.
    Case stamp = what;
    stamp.startsCutOff = false;
    const int lastWrite = lastWriteCall(stamp, path);
    if (!prepare(stamp, path))
        return false;
    FaultPlan plan { lastWrite, EIO, true };
    notes::ProfileWriteResult result;
    {
        const Injection injection(plan);
        result = write(stamp, path);
    }
    const QByteArray cut = contentOf(path);
    return result.outcome == notes::WriteOutcome::Unsafe && QFile::exists(result.safetyCopy)
        && cut != what.before;
}

int TestNotesFaults::lastWriteCall(const Case &what, const QString &path)
{
    if (!prepare(what, path))
        return 0;
    int last = 0;
    int calls = 0;
    notes::setFaultInjector([&](notes::FileCall call) {
        ++calls;
        if (call == notes::FileCall::Write)
            last = calls;
        return 0;
    });
    write(what, path);
    notes::setFaultInjector({});
    return last;
}

void TestNotesFaults::everyCallFails_data()
{
    QTest::addColumn<Case>("what");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("persistent");

    const QByteArray filler = QByteArray(99, 'x') + '\n';
    const QList<std::pair<const char *, Case>> cases {
        { "stamp into a section in the middle",
            { journalWithTodayFirst(), notes::KeyRule::NeverReplace, {}, false } },
        { "stamp of a new day at the end",
            { "[07/12/2026]\nnote\n", notes::KeyRule::NeverReplace, {}, false } },
        { "first stamp, no journal yet", { QByteArray(), notes::KeyRule::NeverReplace, {}, false } },
        { "profile value made shorter",
            { "[08/12/2026]\n14:05:09=un long texte\n" + filler.repeated(700), notes::KeyRule::ReplaceValue,
                "v", false } },
        { "stamp after one cut off in its rewrite",
            { journalWithTodayFirst(), notes::KeyRule::NeverReplace, {}, true } },
    };
    const QList<std::pair<const char *, int>> errors { { "EIO", EIO }, { "ENOSPC", ENOSPC },
        { "EINTR", EINTR }, { "EAGAIN", EAGAIN } };
    for (const auto &[caseName, what] : cases) {
        for (const auto &[errorName, error] : errors) {
            for (const bool persistent : { false, true }) {
                QTest::addRow("%s, %s %s", caseName, errorName, persistent ? "from then on" : "once")
                    << what << error << persistent;
            }
        }
    }
}

void TestNotesFaults::everyCallFails()
{
    QFETCH(Case, what);
    QFETCH(int, error);
    QFETCH(bool, persistent);
    const QString directory = m_root->filePath(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(directory));
    const QString path = QDir(directory).filePath(QStringLiteral("gestiva.txt"));

    // The journal as before the write (put back first when it starts cut off), and after it.
    QVERIFY(prepare(what, path));
    const QByteArray old = what.before;
    QCOMPARE(write(what, path).outcome, notes::WriteOutcome::Written);
    const QByteArray written = contentOf(path);
    QVERIFY(written != old);
    // How many calls a write without faults makes, from the prepared journal.
    QVERIFY(prepare(what, path));
    FaultPlan counting;
    {
        const Injection injection(counting);
        QCOMPARE(write(what, path).outcome, notes::WriteOutcome::Written);
    }
    QVERIFY(counting.calls > 10);

    for (int failAt = 1; failAt <= counting.calls; ++failAt) {
        QVERIFY(prepare(what, path));
        // As the write finds it: cut off, for a write that fails before it could put it back.
        const QByteArray start = contentOf(path);
        FaultPlan plan { failAt, error, persistent };
        notes::ProfileWriteResult result;
        {
            const Injection injection(plan);
            result = write(what, path);
        }
        ++m_runs;
        m_injected += plan.injected;
        const QByteArray after = contentOf(path);
        const QString at = QStringLiteral("call %1 of %2, outcome %3")
                               .arg(failAt)
                               .arg(counting.calls)
                               .arg(int(result.outcome));
        QVERIFY2(plan.injected > 0, qPrintable(at));
        // Nothing here was changed by anyone else: nothing is set aside.
        QVERIFY2(result.setAside.isEmpty(), qPrintable(at));
        switch (result.outcome) {
        case notes::WriteOutcome::Written:
            QVERIFY2(after == written, qPrintable(at));
            break;
        case notes::WriteOutcome::Unsafe:
            // Said so, and no editor opens; what it left is checked by the next write.
            break;
        default:
            if (old.isNull()) {
                // No empty journal is left, unless its very removal was made to fail, or another
                // program seemed to hold its lock (theirs to write, then).
                QVERIFY2(!QFile::exists(path)
                        || (after.isEmpty()
                            && (plan.failedAnUnlink || result.outcome == notes::WriteOutcome::InUse)),
                    qPrintable(at));
            } else {
                QVERIFY2(after == old || after == start, qPrintable(at));
            }
        }

        // Then a write without faults puts everything right.
        const notes::ProfileWriteResult clean = write(what, path);
        const QByteArray final = contentOf(path);
        for (qsizetype i = 0; i < std::max(final.size(), written.size()); ++i)
            m_bytesLost += i >= final.size() || i >= written.size() || final[i] != written[i] ? 1 : 0;
        QVERIFY2(clean.outcome == notes::WriteOutcome::Written, qPrintable(at));
        QVERIFY2(clean.setAside.isEmpty() && clean.safetyCopy.isEmpty(), qPrintable(at));
        QVERIFY2(final == written, qPrintable(at));
        QVERIFY2(entriesOf(directory) == QStringList { "gestiva.txt" },
            qPrintable(at + u' ' + entriesOf(directory).join(u',')));
        if (old.isNull()) {
            struct stat status
            {
            };
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
            QCOMPARE(status.st_mode & 07777, mode_t(0600));
        }
    }
}

// A read error while the copy of a cut-off stamp is read: nothing is written, the copy stays, no
// editor opens on the half-written journal, and the help line names the copy.
void TestNotesFaults::readErrorInRecoveryKeepsEverything()
{
    const QString directory = m_root->filePath(QStringLiteral("read error"));
    QVERIFY(QDir().mkpath(directory));
    const QString path = QDir(directory).filePath(QStringLiteral("gestiva.txt"));
    const Case cutOff { journalWithTodayFirst(), notes::KeyRule::NeverReplace, {}, true };
    QVERIFY(prepare(cutOff, path));
    const QByteArray cut = contentOf(path);
    const QString copy = safetyCopyOf(path);
    const QByteArray copyBytes = contentOf(copy);
    QVERIFY(!copyBytes.isEmpty());

    int reads = 0;
    notes::setFaultInjector([&](notes::FileCall call) {
        // The journal's own first reads pass; the copy's and the journal's tail fail.
        return call == notes::FileCall::Read && ++reads > 1 ? EIO : 0;
    });
    RecordingPlatform platform;
    const FixedClock pressTime(tuesdayAfternoon);
    const QString message = notes::OuvrirNotes(path, pressTime, platform);
    notes::setFaultInjector({});

    QVERIFY(platform.m_paths.isEmpty());
    QCOMPARE(contentOf(path), cut);
    QCOMPARE(contentOf(copy), copyBytes);
    QCOMPARE(message, keptCopyMessage(path, copy));

    QCOMPARE(notes::OuvrirNotes(path, pressTime, platform), QString());
    QCOMPARE(contentOf(path), journalWithTodayFirstStamped());
    QCOMPARE(entriesOf(directory), QStringList { "gestiva.txt" });
}

// A stamp whose rewrite fails, and whose undoing fails too: the help line names the safety copy,
// no editor opens on the half-written journal, and the next press puts it right.
void TestNotesFaults::failedUndoOpensNoEditor()
{
    const QString directory = m_root->filePath(QStringLiteral("failed undo"));
    QVERIFY(QDir().mkpath(directory));
    const QString path = QDir(directory).filePath(QStringLiteral("gestiva.txt"));
    const Case stamp { journalWithTodayFirst(), notes::KeyRule::NeverReplace, {}, false };
    FaultPlan plan { lastWriteCall(stamp, path), EIO, true };
    QVERIFY(prepare(stamp, path));
    const QString copy = safetyCopyOf(path);

    RecordingPlatform platform;
    const FixedClock pressTime(tuesdayAfternoon);
    QString message;
    {
        const Injection injection(plan);
        message = notes::OuvrirNotes(path, pressTime, platform);
    }
    QVERIFY(platform.m_paths.isEmpty());
    QVERIFY(contentOf(path) != journalWithTodayFirst());
    QVERIFY(QFile::exists(copy));
    QCOMPARE(message, keptCopyMessage(path, copy));

    QCOMPARE(notes::OuvrirNotes(path, pressTime, platform), QString());
    QCOMPARE(platform.m_paths, QStringList { path });
    QCOMPARE(contentOf(path), journalWithTodayFirstStamped());
    QCOMPARE(entriesOf(directory), QStringList { "gestiva.txt" });
}

void TestNotesFaults::cleanupTestCase()
{
    qInfo("%lld runs, each failing one call of the file layer or every call from one on: %lld failures "
          "injected, %lld bytes lost, in %lld ms",
        static_cast<long long>(m_runs), static_cast<long long>(m_injected),
        static_cast<long long>(m_bytesLost), static_cast<long long>(m_timer.elapsed()));
}

QTEST_GUILESS_MAIN(TestNotesFaults)
#include "test_notes_faults.moc"
