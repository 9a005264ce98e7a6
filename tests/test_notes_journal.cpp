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
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sys/statvfs.h>

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

// Asked of the file system itself: the table of mounted disks may not show it (in a chroot).
qint64 freeSpaceOf(const QString &directory)
{
    struct statvfs disk
    {
    };
    return ::statvfs(QFile::encodeName(directory).constData(), &disk) == 0
        ? qint64(disk.f_bavail) * qint64(disk.f_frsize)
        : -1;
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

// About 400 KB, today's section after 300 KB of filler: a stamp there rewrites the 100 KB after it.
QByteArray cutOffJournal()
{
    const QByteArray filler = QByteArray(99, 'x') + '\n';
    return "[07/12/2026]\n" + filler.repeated(3000) + "[08/12/2026]\nnote\n[09/12/2026]\n"
        + filler.repeated(1000);
}

QByteArray stampedCutOffJournal()
{
    QByteArray stamped = cutOffJournal();
    return stamped.insert(stamped.indexOf("[09/12/2026]"), stampLines);
}

// Stamps the journal at path in a process that the system's file size limit kills (SIGXFSZ) at an
// exact point: while it writes the safety copy (which holds the 100 KB after the stamp), or while
// it rewrites the journal in place, 5 bytes before the end. The journal as the crash left it.
QByteArray cutOffStamp(const QString &path, bool whileRewriting)
{
    const rlim_t limit = whileRewriting ? rlim_t(cutOffJournal().size() + 5) : rlim_t(1000);
    QProcess stamper;
    stamper.setChildProcessModifier([limit] {
        const rlimit size { limit, limit };
        ::setrlimit(RLIMIT_FSIZE, &size);
    });
    stamper.start(QStringLiteral(JOURNAL_STAMPER), { path, "08/12/2026", "14:05:09" });
    if (!stamper.waitForReadyRead(10000))
        return {};
    stamper.write("go\n");
    if (!stamper.waitForFinished(30000) || stamper.exitStatus() != QProcess::CrashExit)
        return {};
    return contentOf(path);
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
    void onlyOurLeftoversGo();
    void cutOffStampIsPutBackByTheNext_data();
    void cutOffStampIsPutBackByTheNext();
    void usersEditAfterACutOffWins_data();
    void usersEditAfterACutOffWins();
    void strayInTheCopysPlace_data();
    void strayInTheCopysPlace();
    void readOnlyDirectory_data();
    void readOnlyDirectory();
    void newJournalIsPrivate();
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
        QStringLiteral("Le journal %1 est en cours d'écriture par un autre programme et n'a été ni daté ni "
                       "ouvert : réessayez dans un instant.")
            .arg(path));
    QCOMPARE(contentOf(path), before);
    // Another program may be half-way through rewriting it: not a journal to edit now.
    QVERIFY(platform.m_paths.isEmpty());
    QCOMPARE(notes::EcrireIni(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v"), path), 0);

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    QCOMPARE(notes::OuvrirNotes(path, pressTime, platform), QString());
    QCOMPARE(contentOf(path), before + "[08/12/2026]\n" + stampLines);
    QCOMPARE(platform.m_paths, QStringList { path });
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
    const qint64 size = beyondFreeSpace ? freeSpaceOf(dir.path()) * 2 + (qint64(1) << 30) : qint64(40) << 30;
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

void TestNotesJournal::onlyOurLeftoversGo()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    const QByteArray before = "[08/12/2026]\nnote\n\n[09/12/2026]\n";
    writeFile(path, before);
    // Safety copies torn by a crash before their header was written: this version's, over a hole
    // of zeros, and an earlier version's.
    writeFile(safetyCopyOf(path), QByteArray(200, '\0') + "[09/12/2026]\n");
    writeFile(dir.filePath(QStringLiteral(".gestiva.txt-rollback")), "gestiva-rollback\x01\x02");
    // The user's own files stay, whatever their names look like.
    const QStringList usersOwn { ".gestiva.txt.Ab3xY9", ".gestiva.txt.backup", ".gestiva.txt.bak",
        "gestiva.txt.Ab3xY9" };
    for (const QString &name : usersOwn)
        writeFile(dir.filePath(name), "copie de l'utilisatrice");

    RecordingPlatform platform;
    QCOMPARE(notes::OuvrirNotes(path, pressTime, platform), QString());
    QCOMPARE(contentOf(path), "[08/12/2026]\nnote\n" + stampLines + "\n[09/12/2026]\n");
    QStringList entries = entriesOf(dir.path());
    QVERIFY(entries.removeOne(QStringLiteral("gestiva.txt")));
    QCOMPARE(entries, usersOwn);
}

void TestNotesJournal::cutOffStampIsPutBackByTheNext_data()
{
    QTest::addColumn<bool>("whileRewriting"); // else while its safety copy is written
    QTest::addColumn<bool>("throughHardLink"); // the cut-off stamp went through another name
    QTest::newRow("cut off writing the safety copy") << false << false;
    QTest::newRow("cut off rewriting the journal in place") << true << false;
    QTest::newRow("cut off through a hard link, put back through the journal's name") << true << true;
}

// The system's file size limit kills the stamping process (SIGXFSZ) at an exact point of its
// write: the file it writes may not grow past the limit.
void TestNotesJournal::cutOffStampIsPutBackByTheNext()
{
    QFETCH(bool, whileRewriting);
    QFETCH(bool, throughHardLink);
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    const QString hardLink = dir.filePath(QStringLiteral("copie.txt"));
    const QByteArray before = cutOffJournal();
    writeFile(path, before);
    if (throughHardLink)
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(hardLink).constData()), 0);

    const QByteArray cut = cutOffStamp(throughHardLink ? hardLink : path, whileRewriting);
    QVERIFY(QFile::exists(safetyCopyOf(path)));
    if (whileRewriting)
        QVERIFY(cut != before && cut != stampedCutOffJournal());
    else
        QCOMPARE(cut, before);

    RecordingPlatform platform;
    QCOMPARE(notes::OuvrirNotes(path, pressTime, platform), QString());
    QCOMPARE(contentOf(path), stampedCutOffJournal());
    const QStringList names
        = throughHardLink ? QStringList { "copie.txt", "gestiva.txt" } : QStringList { "gestiva.txt" };
    QCOMPARE(entriesOf(dir.path()), names);
}

void TestNotesJournal::usersEditAfterACutOffWins_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("putBack"); // else the user's edit stands and the copy is set aside

    QTest::newRow("no edit: put back") << QString() << true;
    QTest::newRow("typo fixed far before the stamp, in place: put back, the fix kept")
        << QStringLiteral("far before") << true;
    QTest::newRow("typo fixed after the stamp, in place") << QStringLiteral("in place") << false;
    QTest::newRow("typo fixed after the stamp, saved by rename") << QStringLiteral("rename") << false;
    QTest::newRow("header changed with sed -i") << QStringLiteral("sed") << false;
    QTest::newRow("a short note added at the end") << QStringLiteral("note") << false;
}

// A stamp cut off half-way through its rewrite, then the user's own changes before the next press.
void TestNotesJournal::usersEditAfterACutOffWins()
{
    QFETCH(QString, edit);
    QFETCH(bool, putBack);
    const QTemporaryDir dir;
    const QTemporaryDir reference;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    writeFile(path, cutOffJournal());
    const QByteArray cut = cutOffStamp(path, true);
    const QString copy = safetyCopyOf(path);
    const QByteArray copyBytes = contentOf(copy);
    QVERIFY(!copyBytes.isEmpty());

    // Each edit changes one byte of filler, or adds a few, at a place the cut-off stamp rewrote or not.
    const qsizetype farBefore = 100;
    const qsizetype afterStamp = cut.indexOf("[09/12/2026]\n") + 20;
    QByteArray edited = cut;
    if (edit == u"far before" || edit == u"in place") {
        const qsizetype at = edit == u"far before" ? farBefore : afterStamp;
        edited[at] = 'y';
        QFile journal(path);
        QVERIFY(journal.open(QIODevice::ReadWrite) && journal.seek(at));
        QCOMPARE(journal.write("y"), 1);
    } else if (edit == u"rename") {
        edited[afterStamp] = 'y';
        const QString saved = dir.filePath(QStringLiteral("gestiva.txt~"));
        writeFile(saved, edited);
        QVERIFY(::rename(QFile::encodeName(saved).constData(), QFile::encodeName(path).constData()) == 0);
    } else if (edit == u"sed") {
        edited.replace("[09/12/2026]\n", "[09/12/2026]\nrevu\n");
        QVERIFY(run(QStringLiteral("sed"), { "-i", "s|^\\[09/12/2026\\]$|&\\nrevu|", path }));
    } else if (edit == u"note") {
        edited += "rappel\n";
        QFile journal(path);
        QVERIFY(journal.open(QIODevice::Append));
        QCOMPARE(journal.write("rappel\n"), 7);
    }
    QCOMPARE(contentOf(path), edited);

    RecordingPlatform platform;
    const QString message = notes::OuvrirNotes(path, pressTime, platform);
    QCOMPARE(platform.m_paths, QStringList { path });
    if (putBack) {
        QCOMPARE(message, QString());
        QByteArray expected = stampedCutOffJournal();
        if (edit == u"far before")
            expected[farBefore] = 'y';
        QCOMPARE(contentOf(path), expected);
        QCOMPARE(entriesOf(dir.path()), QStringList { "gestiva.txt" });
        return;
    }
    // The user's text stands, stamped as any other journal; the copy is kept where they can see it.
    const QString expectedPath = reference.filePath(QStringLiteral("gestiva.txt"));
    writeFile(expectedPath, edited);
    QCOMPARE(
        notes::stampJournal(QStringLiteral("08/12/2026"), QStringLiteral("14:05:09"), expectedPath).outcome,
        notes::WriteOutcome::Written);
    QCOMPARE(contentOf(path), contentOf(expectedPath));
    const QStringList entries = entriesOf(dir.path());
    QCOMPARE(entries.size(), 2);
    const QString setAside = entries.first() == u"gestiva.txt" ? entries.last() : entries.first();
    QVERIFY2(QRegularExpression(QStringLiteral("^gestiva\\.txt\\.secours-\\d{4}-\\d\\d-\\d\\d-\\d{6}$"))
                 .match(setAside)
                 .hasMatch(),
        qPrintable(setAside));
    QCOMPARE(contentOf(dir.filePath(setAside)), copyBytes);
    QCOMPARE(message,
        QStringLiteral(
            "Le journal %1 avait été modifié après une écriture coupée : ce que cette écriture avait "
            "mis de côté est gardé dans %2.")
            .arg(path, dir.filePath(setAside)));
}

void TestNotesJournal::strayInTheCopysPlace_data()
{
    QTest::addColumn<QString>("stray");
    QTest::newRow("a directory") << QStringLiteral("directory");
    QTest::newRow("a named pipe") << QStringLiteral("fifo");
    QTest::newRow("a dangling link") << QStringLiteral("dangling");
    QTest::newRow("a link to another file") << QStringLiteral("link");
    QTest::newRow("a file nobody may read") << QStringLiteral("unreadable");
    QTest::newRow("another user's file") << QStringLiteral("foreign");
}

// Something that is not a copy of ours where the journal's safety copy goes: never followed, never
// emptied, and moved aside so that stamps inside the journal go on.
void TestNotesJournal::strayInTheCopysPlace()
{
    QFETCH(QString, stray);
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    const QString other = dir.filePath(QStringLiteral("autre.txt"));
    const QByteArray before = "[08/12/2026]\nnote\n\n[09/12/2026]\n";
    const QByteArray othersText = "texte d'un autre fichier\n";
    writeFile(path, before);
    writeFile(other, othersText);
    const QString copy = safetyCopyOf(path);
    const QByteArray name = QFile::encodeName(copy);
    bool setAside = true;
    if (stray == u"directory") {
        QVERIFY(QDir().mkdir(copy));
    } else if (stray == u"fifo") {
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    } else if (stray == u"dangling") {
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("absent")), copy));
    } else if (stray == u"link") {
        QCOMPARE(::symlink(QFile::encodeName(other).constData(), name.constData()), 0);
    } else if (stray == u"unreadable") {
        writeFile(copy, "illisible");
        QCOMPARE(::chmod(name.constData(), 0), 0);
        // The administrator reads it all the same: a torn copy of ours, which goes.
        setAside = ::geteuid() != 0;
    } else {
        writeFile(copy, "à quelqu'un d'autre");
        if (::geteuid() != 0)
            QSKIP("Only the administrator can give a file to another user");
        QCOMPARE(::chown(name.constData(), 65534, 65534), 0);
    }

    RecordingPlatform platform;
    const QString message = notes::OuvrirNotes(path, pressTime, platform);
    QCOMPARE(contentOf(path), "[08/12/2026]\nnote\n" + stampLines + "\n[09/12/2026]\n");
    QCOMPARE(contentOf(other), othersText);
    QCOMPARE(platform.m_paths, QStringList { path });
    QStringList entries = entriesOf(dir.path());
    entries.removeOne(QStringLiteral("autre.txt"));
    entries.removeOne(QStringLiteral("gestiva.txt"));
    if (!setAside) {
        QCOMPARE(message, QString());
        QCOMPARE(entries, QStringList());
        return;
    }
    QCOMPARE(entries.size(), 1);
    QVERIFY2(entries.first().startsWith(QStringLiteral("gestiva.txt.secours")), qPrintable(entries.first()));
    QVERIFY2(message.contains(dir.filePath(entries.first())), qPrintable(message));
    if (stray == u"link")
        QCOMPARE(QFileInfo(dir.filePath(entries.first())).symLinkTarget(), other);
}

void TestNotesJournal::readOnlyDirectory_data()
{
    QTest::addColumn<QString>("leftover");
    QTest::newRow("a torn safety copy") << QStringLiteral("torn");
    QTest::newRow("a link to another file in the copy's place") << QStringLiteral("link");
}

// Nothing can be removed or moved: the stamp that needs a safety copy fails and says so, the
// journal, and any file a link names, as they were.
void TestNotesJournal::readOnlyDirectory()
{
    QFETCH(QString, leftover);
    QTemporaryDir top;
    QVERIFY(QFile::setPermissions(top.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther
            | QFile::ReadGroup | QFile::ExeGroup));
    const QString directory = top.filePath(QStringLiteral("notes"));
    QVERIFY(QDir().mkdir(directory));
    const QString path = QDir(directory).filePath(QStringLiteral("gestiva.txt"));
    const QString other = QDir(directory).filePath(QStringLiteral("autre.txt"));
    const QByteArray before = "[08/12/2026]\nnote\n\n[09/12/2026]\n";
    writeFile(path, before);
    writeFile(other, "texte d'un autre fichier\n");
    const QString copy = safetyCopyOf(path);
    if (leftover == u"torn") {
        writeFile(copy, QByteArray(300, '\0'));
        // The stamper's own, when it runs as nobody.
        if (::geteuid() == 0)
            QCOMPARE(::chown(QFile::encodeName(copy).constData(), 65534, 65534), 0);
    } else {
        QCOMPARE(::symlink(QFile::encodeName(other).constData(), QFile::encodeName(copy).constData()), 0);
    }
    // Anyone may write the files, so that following the link would empty the other file.
    for (const QString &file : { path, other, copy })
        ::chmod(QFile::encodeName(file).constData(), 0666);
    QCOMPARE(::chmod(QFile::encodeName(directory).constData(), 0555), 0);
    const QStringList entries = entriesOf(directory);

    // The administrator may write into any directory: the stamp runs as nobody then.
    QProcess stamper;
    if (::geteuid() == 0)
        stamper.setChildProcessModifier([] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
        });
    stamper.start(QStringLiteral(JOURNAL_STAMPER), { path, "08/12/2026", "14:05:09" });
    QVERIFY(stamper.waitForReadyRead(10000));
    QCOMPARE(stamper.readLine(), QByteArray("ready\n"));
    stamper.write("go\n");
    QVERIFY(stamper.waitForFinished(30000));
    // "stamping", the outcome, what was set aside, what was kept.
    const QList<QByteArray> said = stamper.readAllStandardOutput().split('\n');
    ::chmod(QFile::encodeName(directory).constData(), 0755);

    QCOMPARE(stamper.exitCode(), 1);
    QCOMPARE(said.value(1).toInt(), int(notes::WriteOutcome::Failed));
    // It stays where it is, and the stamp says so.
    QCOMPARE(said.value(3), QFile::encodeName(copy));
    QCOMPARE(contentOf(path), before);
    QCOMPARE(contentOf(other), QByteArray("texte d'un autre fichier\n"));
    QCOMPARE(entriesOf(directory), entries);
}

void TestNotesJournal::newJournalIsPrivate()
{
    const QTemporaryDir dataHome;
    const mode_t savedMask = ::umask(022);
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.filePath(QStringLiteral("donnees/partagees"))));
    const QString path = notes::journalPath();
    RecordingPlatform platform;
    const QString message = notes::OuvrirNotes(path, pressTime, platform);
    qputenv("XDG_DATA_HOME", savedDataHome);
    ::umask(savedMask);

    QCOMPARE(message, QString());
    QCOMPARE(path, dataHome.filePath(QStringLiteral("donnees/partagees/gestiva/gestiva.txt")));
    QCOMPARE(statusOf(path).st_mode & 07777, mode_t(0600));
    for (const char *directory : { "donnees", "donnees/partagees", "donnees/partagees/gestiva" })
        QCOMPARE(statusOf(dataHome.filePath(QString::fromLatin1(directory))).st_mode & 07777, mode_t(0700));

    // A journal the user made keeps the permissions they gave it.
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    QCOMPARE(notes::OuvrirNotes(path, FixedClock({ ymd(2026, 12, 9), { 9, 0, 0 } }), platform), QString());
    QCOMPARE(statusOf(path).st_mode & 07777, mode_t(0644));
}

// A stamping process killed at a random moment of its stamp, again and again: after each kill the
// journal is the old content or the new one, or the next stamp's recovery makes it the old one;
// and nothing is left beside it. The kills must land inside stamps, some of them inside a rewrite,
// or the loop proves nothing. GESTIVA_KILL_ROUNDS asks for more rounds than the usual 60.
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
    // How long a whole stamp takes once begun, to spread the kills over it.
    qint64 stampMicroseconds = 0;
    const auto startStamper = [&](QProcess &stamper, int round) {
        stamper.start(QStringLiteral(JOURNAL_STAMPER), QStringList { path } + stampAt(round));
        QVERIFY(stamper.waitForStarted());
        QVERIFY(stamper.waitForReadyRead(10000));
        QCOMPARE(stamper.readLine(), QByteArray("ready\n"));
        stamper.write("go\n");
        QVERIFY(stamper.waitForBytesWritten());
        QVERIFY(stamper.canReadLine() || stamper.waitForReadyRead(10000));
        QCOMPARE(stamper.readLine(), QByteArray("stamping\n"));
    };
    // The shortest of three, the first start of a program being slower: from its word that it is
    // stamping to its outcome, which it prints before its exit (slow under the sanitizers).
    for (int round = 1000; round < 1003; ++round) {
        QProcess stamper;
        QElapsedTimer timer;
        startStamper(stamper, round);
        timer.start();
        QVERIFY(stamper.canReadLine() || stamper.waitForReadyRead(30000));
        const qint64 took = timer.nsecsElapsed() / 1000;
        stampMicroseconds = stampMicroseconds == 0 ? took : std::min(stampMicroseconds, took);
        QVERIFY(stamper.waitForFinished(30000));
        QCOMPARE(stamper.exitCode(), 0);
    }

    int unchanged = 0;
    int done = 0;
    int recovered = 0;
    int killedInside = 0;
    const int rounds = std::max(60, qEnvironmentVariableIntValue("GESTIVA_KILL_ROUNDS"));
    for (int round = 0; round < rounds; ++round) {
        const QByteArray before = contentOf(path);
        writeFile(expectedPath, before);
        const QStringList stamp = stampAt(round);
        QCOMPARE(notes::stampJournal(stamp[0], stamp[1], expectedPath).outcome, notes::WriteOutcome::Written);
        const QByteArray expected = contentOf(expectedPath);
        QVERIFY(expected != before);

        QProcess stamper;
        startStamper(stamper, round);
        std::this_thread::sleep_for(std::chrono::microseconds(
            QRandomGenerator::global()->bounded(qint64(0), qMax(qint64(1), stampMicroseconds * 6 / 5))));
        stamper.kill();
        QVERIFY(stamper.waitForFinished(10000));
        // Killed after it said it was stamping and before it printed the outcome: inside the stamp.
        // The spread follows the stamps' time as the machine's load changes it: shorter after a
        // stamp that ended first, a little longer after one that did not, so that about four kills
        // in five land inside.
        if (!stamper.readAllStandardOutput().contains('\n')) {
            ++killedInside;
            stampMicroseconds = stampMicroseconds * 103 / 100 + 1;
        } else {
            stampMicroseconds = stampMicroseconds * 9 / 10;
        }

        const QByteArray killed = contentOf(path);
        const bool copyLeft = QFile::exists(safetyCopyOf(path));
        QVERIFY2(killed == before || killed == expected || copyLeft,
            qPrintable(
                QStringLiteral("round %1: the journal is torn and nothing can put it back").arg(round)));
        const notes::ProfileWriteResult recovery = notes::recoverProfileFile(path);
        QCOMPARE(recovery.outcome, notes::WriteOutcome::Written);
        QCOMPARE(recovery.setAside, QString());
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
    qInfo("%d kills, %d inside a stamp: %d before the change, %d after it, %d put back by recovery, 0 bytes "
          "lost (kills spread over %lld us at the end)",
        rounds, killedInside, unchanged, done, recovered, static_cast<long long>(stampMicroseconds * 6 / 5));
    QVERIFY2(killedInside >= rounds / 2, "most stamps ended before their kill: the loop tried little");
}

QTEST_GUILESS_MAIN(TestNotesJournal)
#include "test_notes_journal.moc"
