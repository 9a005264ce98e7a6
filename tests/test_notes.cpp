#include "notes/ecrireini.h"
#include "notes/notes.h"

#include "fixedclock.h"
#include "journalfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// 8 December 2026 at 14:05:09: the stamp is "[08/12/2026]" and "14:05:09=".
const FixedClock pressTime(tuesdayAfternoon);

} // namespace

class TestNotes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void stampKeepsEveryOtherByte_data();
    void stampKeepsEveryOtherByte();
    void caretGoesToTheEndOfText();
    void sameSecondTwiceChangesNothing();
    void ecrireIniValueAndDefault_data();
    void ecrireIniValueAndDefault();
    void ecrireIniDefaultFile();
    void ecrireIniReplacesAValue_data();
    void ecrireIniReplacesAValue();
    void ecrireIniRefusesTextsItCannotWriteBack_data();
    void ecrireIniRefusesTextsItCannotWriteBack();
    void unwritableJournal_data();
    void unwritableJournal();
    void insertionKeepsPermissionsAndLeavesNoTemporaryFile();
    void simultaneousStampsAreAllKept_data();
    void simultaneousStampsAreAllKept();
    void journalPath_data();
    void journalPath();
    void dataDirectoryFollowsTheXdgRules_data();
    void dataDirectoryFollowsTheXdgRules();
    void windirIsTakenAsBytes();
    void noEditorAnywhere();

private:
    QTemporaryDir m_home;
};

void TestNotes::initTestCase()
{
    // Before anything asks GIO: a desktop with no text editor at all, and nothing on PATH.
    QVERIFY(m_home.isValid());
    for (const char *variable :
        { "HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS" })
        qputenv(variable, QFile::encodeName(m_home.path()));
    qputenv("PATH", QFile::encodeName(m_home.filePath(QStringLiteral("no-programs"))));
    qunsetenv("windir");
}

void TestNotes::stampKeepsEveryOtherByte_data()
{
    QTest::addColumn<QByteArray>("before"); // a null array: no journal yet
    QTest::addColumn<QByteArray>("after");

    const QByteArray stamp = "[08/12/2026]\n14:05:09=\n";
    QTest::newRow("no journal") << QByteArray() << stamp;
    QTest::newRow("empty journal") << QByteArray("") << stamp;
    QTest::newRow("yesterday last") << QByteArray("[07/12/2026]\n09:00:00=\nvu Mme A.\n")
                                    << "[07/12/2026]\n09:00:00=\nvu Mme A.\n" + stamp;
    QTest::newRow("no final line break")
        << QByteArray("[07/12/2026]\nvu Mme A.") << "[07/12/2026]\nvu Mme A.\n" + stamp;
    QTest::newRow("today last, note under the first stamp")
        << QByteArray("[08/12/2026]\n10:00:00=\nrappeler le labo\n")
        << QByteArray("[08/12/2026]\n10:00:00=\nrappeler le labo\n14:05:09=\n");
    QTest::newRow("today last, note without line break") << QByteArray(
        "[08/12/2026]\n10:00:00=\nrappeler") << QByteArray("[08/12/2026]\n10:00:00=\nrappeler\n14:05:09=\n");
    QTest::newRow("today last, blank lines after the note")
        << QByteArray("[08/12/2026]\n10:00:00=\nnote\n\n  \n")
        << QByteArray("[08/12/2026]\n10:00:00=\nnote\n14:05:09=\n\n  \n");
    QTest::newRow("today in the middle")
        << QByteArray("[08/12/2026]\n10:00:00=\nnote\n\n\n[09/12/2026]\nplus tard\n")
        << QByteArray("[08/12/2026]\n10:00:00=\nnote\n14:05:09=\n\n\n[09/12/2026]\nplus tard\n");
    QTest::newRow("header with spaces and other case")
        << QByteArray("  [ 08/12/2026 ]  \nnote\n[Suite]\n")
        << QByteArray("  [ 08/12/2026 ]  \nnote\n14:05:09=\n[Suite]\n");
    QTest::newRow("same key in another day only")
        << QByteArray("[07/12/2026]\n14:05:09=\n") << "[07/12/2026]\n14:05:09=\n" + stamp;
    QTest::newRow("CR LF, new section")
        << QByteArray("[07/12/2026]\r\nvu Mme A.\r\n")
        << QByteArray("[07/12/2026]\r\nvu Mme A.\r\n[08/12/2026]\r\n14:05:09=\r\n");
    QTest::newRow("CR LF, today in the middle")
        << QByteArray("[08/12/2026]\r\nnote\r\n\r\n[09/12/2026]\r\n")
        << QByteArray("[08/12/2026]\r\nnote\r\n14:05:09=\r\n\r\n[09/12/2026]\r\n");
    QTest::newRow("CR LF without final line break")
        << QByteArray("[08/12/2026]\r\nnote") << QByteArray("[08/12/2026]\r\nnote\r\n14:05:09=\r\n");
    QTest::newRow("Latin-1 and UTF-8 bytes")
        << QByteArray("[08/12/2026]\nd\xe9j\xe0 vu, \xc3\xa9t\xc3\xa9 \xff\n\n[09/12/2026]\n\xe9\n")
        << QByteArray(
               "[08/12/2026]\nd\xe9j\xe0 vu, \xc3\xa9t\xc3\xa9 \xff\n14:05:09=\n\n[09/12/2026]\n\xe9\n");
    // The same time twice in a day (the hour that comes twice when summer time ends, a clock set
    // back, two machines on one journal): what the user typed stays, and the key comes again.
    QTest::newRow("same key with a note on its line")
        << QByteArray("[08/12/2026]\n14:05:09=Patiente X : saignements\n")
        << QByteArray("[08/12/2026]\n14:05:09=Patiente X : saignements\n14:05:09=\n");
    QTest::newRow("same key with a note under it")
        << QByteArray("[08/12/2026]\n14:05:09=\nPatiente X : saignements\n\n[09/12/2026]\n")
        << QByteArray("[08/12/2026]\n14:05:09=\nPatiente X : saignements\n14:05:09=\n\n[09/12/2026]\n");
    QTest::newRow("same key, spaced, with a value, then a note")
        << QByteArray("[08/12/2026]\r\n 14:05:09 = ancien\r\nnote")
        << QByteArray("[08/12/2026]\r\n 14:05:09 = ancien\r\nnote\r\n14:05:09=\r\n");
    QTest::newRow("UTF-8 byte order mark before today's header")
        << QByteArray("\xef\xbb\xbf[08/12/2026]\r\nnote\r\n[09/12/2026]\r\n")
        << QByteArray("\xef\xbb\xbf[08/12/2026]\r\nnote\r\n14:05:09=\r\n[09/12/2026]\r\n");
    QTest::newRow("UTF-8 byte order mark alone")
        << QByteArray("\xef\xbb\xbf") << QByteArray("\xef\xbb\xbf\n") + stamp;
    QTest::newRow("today's header without its closing bracket is text") << QByteArray(
        "[07/12/2026]\n[08/12/2026\nnote\n") << QByteArray("[07/12/2026]\n[08/12/2026\nnote\n") + stamp;
    QTest::newRow("a header left open ends no section")
        << QByteArray("[08/12/2026]\nnote\n[09/12/2026\n\n[10/12/2026]\n")
        << QByteArray("[08/12/2026]\nnote\n[09/12/2026\n14:05:09=\n\n[10/12/2026]\n");
    QTest::newRow("same key last with only blanks after it")
        << QByteArray("[08/12/2026]\n14:05:09=  \n\n") << QByteArray("[08/12/2026]\n14:05:09=  \n\n");
}

void TestNotes::stampKeepsEveryOtherByte()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    if (!before.isNull())
        writeFile(path, before);

    RecordingPlatform platform;
    QCOMPARE(notes::OuvrirNotes(path, pressTime, platform), QString());
    QCOMPARE(contentOf(path), after);
    QCOMPARE(platform.m_paths, QStringList { path });
}

void TestNotes::caretGoesToTheEndOfText()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    RecordingPlatform platform;

    notes::OuvrirNotes(path, pressTime, platform);
    QVERIFY(platform.m_caret);
    QCOMPARE(platform.m_caret->line, 3); // the empty line below "14:05:09="
    QCOMPARE(platform.m_caret->column, 1);

    // Stamped in the middle, the text ends with the user's last line, here without a line break.
    writeFile(path, "[08/12/2026]\nnote\n[09/12/2026]\n\xc3\xa9t\xc3\xa9");
    notes::OuvrirNotes(path, pressTime, platform);
    QCOMPARE(platform.m_caret->line, 5);
    QCOMPARE(platform.m_caret->column, 4);
}

void TestNotes::sameSecondTwiceChangesNothing()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    RecordingPlatform platform;
    QCOMPARE(notes::OuvrirNotes(path, pressTime, platform), QString());
    const QByteArray once = contentOf(path);
    QCOMPARE(notes::OuvrirNotes(path, pressTime, platform), QString());
    QCOMPARE(contentOf(path), once);
    QCOMPARE(platform.m_paths.size(), 2);
}

void TestNotes::ecrireIniValueAndDefault_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<std::optional<QString>>("defaultValue");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("value") << QStringLiteral("v") << std::optional<QString>() << QByteArray("k=v");
    QTest::newRow("value over default")
        << QStringLiteral("v") << std::optional<QString>(QStringLiteral("d")) << QByteArray("k=v");
    QTest::newRow("empty value, default")
        << QString() << std::optional<QString>(QStringLiteral("d")) << QByteArray("k=d");
    QTest::newRow("empty value, no default") << QString() << std::optional<QString>() << QByteArray("k=");
    QTest::newRow("empty value, empty default")
        << QString() << std::optional<QString>(QString()) << QByteArray("k=");
}

void TestNotes::ecrireIniValueAndDefault()
{
    QFETCH(QString, value);
    QFETCH(std::optional<QString>, defaultValue);
    QFETCH(QByteArray, line);
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("profil.ini"));

    const QString section = QStringLiteral("s");
    const QString key = QStringLiteral("k");
    QVERIFY(notes::EcrireIni(section, key, value, path, defaultValue) != 0);
    QCOMPARE(contentOf(path), "[s]\n" + line + '\n');
    QCOMPARE(section, QStringLiteral("s"));
    QCOMPARE(key, QStringLiteral("k"));
}

void TestNotes::ecrireIniDefaultFile()
{
    const QTemporaryDir windir;
    qputenv("windir", QFile::encodeName(windir.path()));
    const qint32 result = notes::EcrireIni(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v"),
        QDir(windir.path()).filePath(QStringLiteral("gestiva.INI")));
    qunsetenv("windir");
    QVERIFY(result != 0);
    QCOMPARE(contentOf(windir.filePath(QStringLiteral("gestiva.INI"))), QByteArray("[s]\nk=v\n"));
    QCOMPARE(QDir(windir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "gestiva.INI" });
}

void TestNotes::ecrireIniReplacesAValue_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("a value already there is emptied")
        << QByteArray("[08/12/2026]\n14:05:09 = ancien\nnote\n") << QString()
        << QByteArray("[08/12/2026]\n14:05:09 =\nnote\n");
    QTest::newRow("the first of two")
        << QByteArray("[08/12/2026]\n14:05:09=a\n14:05:09=b\n") << QStringLiteral("c")
        << QByteArray("[08/12/2026]\n14:05:09=c\n14:05:09=b\n");
    QTest::newRow("longer, CR LF, last line")
        << QByteArray("[08/12/2026]\r\n14:05:09=a\r\n") << QStringLiteral("plus long")
        << QByteArray("[08/12/2026]\r\n14:05:09=plus long\r\n");
    QTest::newRow("shorter, no final line break")
        << QByteArray("[08/12/2026]\n14:05:09=un long texte\r") << QStringLiteral("v")
        << QByteArray("[08/12/2026]\n14:05:09=v\r");
    QTest::newRow("same value changes nothing")
        << QByteArray("[08/12/2026]\n14:05:09=v\r\nnote\n") << QStringLiteral("v")
        << QByteArray("[08/12/2026]\n14:05:09=v\r\nnote\n");
    QTest::newRow("only in today's section")
        << QByteArray("[07/12/2026]\n14:05:09=a\n[08/12/2026]\nnote\n") << QStringLiteral("b")
        << QByteArray("[07/12/2026]\n14:05:09=a\n[08/12/2026]\nnote\n14:05:09=b\n");
}

void TestNotes::ecrireIniReplacesAValue()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    writeFile(path, before);

    QVERIFY(notes::EcrireIni(QStringLiteral("08/12/2026"), QStringLiteral("14:05:09"), value, path) != 0);
    QCOMPARE(contentOf(path), after);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { "gestiva.txt" });
}

void TestNotes::ecrireIniRefusesTextsItCannotWriteBack_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("empty section") << QString() << QStringLiteral("k") << QString();
    QTest::newRow("blank key") << QStringLiteral("s") << QStringLiteral("  ") << QString();
    QTest::newRow("line break in section") << QStringLiteral("a\nb") << QStringLiteral("k") << QString();
    QTest::newRow("line break in key") << QStringLiteral("s") << QStringLiteral("a\rb") << QString();
    QTest::newRow("line break in value")
        << QStringLiteral("s") << QStringLiteral("k") << QStringLiteral("[s]\nk");
    QTest::newRow("bracket in section") << QStringLiteral("a]b") << QStringLiteral("k") << QString();
    QTest::newRow("equals in key") << QStringLiteral("s") << QStringLiteral("a=b") << QString();
}

void TestNotes::ecrireIniRefusesTextsItCannotWriteBack()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("profil.ini"));
    writeFile(path, "[s]\nnote\n");

    QCOMPARE(notes::EcrireIni(section, key, value, path), 0);
    QCOMPARE(contentOf(path), QByteArray("[s]\nnote\n"));
}

void TestNotes::unwritableJournal_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("editorOpens");

    QTest::newRow("read-only file") << QStringLiteral("read-only") << true;
    QTest::newRow("directory in place of the file") << QStringLiteral("directory") << false;
    QTest::newRow("missing directory") << QStringLiteral("missing") << false;
    QTest::newRow("named pipe in place of the file") << QStringLiteral("fifo") << false;
}

void TestNotes::unwritableJournal()
{
    QFETCH(QString, kind);
    QFETCH(bool, editorOpens);
    const QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    const QByteArray before = "[07/12/2026]\nnote\n";
    if (kind == u"read-only") {
        writeFile(path, before);
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    } else if (kind == u"directory") {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("gestiva.txt")));
    } else if (kind == u"missing") {
        path = dir.filePath(QStringLiteral("absent/gestiva.txt"));
    } else {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    }
    const QStringList entries
        = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    QCOMPARE(notes::EcrireIni(QStringLiteral("08/12/2026"), QStringLiteral("14:05:09"), QString(), path), 0);
    RecordingPlatform platform;
    const QString message = notes::OuvrirNotes(path, pressTime, platform);

    QVERIFY2(message.contains(path), qPrintable(message));
    QCOMPARE(platform.m_paths.size(), editorOpens ? 1 : 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), entries);
    if (kind == u"read-only")
        QCOMPARE(contentOf(path), before);
    if (kind == u"directory")
        QVERIFY(QFileInfo(path).isDir());
}

void TestNotes::insertionKeepsPermissionsAndLeavesNoTemporaryFile()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    writeFile(path, "[08/12/2026]\nnote\n\n[09/12/2026]\n");
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    // A journal reached through a link stays a link.
    const QString link = dir.filePath(QStringLiteral("lien.txt"));
    QVERIFY(QFile::link(path, link));

    RecordingPlatform platform;
    QCOMPARE(notes::OuvrirNotes(link, pressTime, platform), QString());

    QCOMPARE(contentOf(path), QByteArray("[08/12/2026]\nnote\n14:05:09=\n\n[09/12/2026]\n"));
    struct stat status
    {
    };
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0640));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        (QStringList { "gestiva.txt", "lien.txt" }));
}

void TestNotes::simultaneousStampsAreAllKept_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("new section at the end") << QByteArray("[07/12/2026]\n");
    QTest::newRow("section in the middle") << QByteArray("[s]\nnote\n\n[07/12/2026]\n");
}

// Two copies of the program pressing Notes at once, played by threads with their own files.
void TestNotes::simultaneousStampsAreAllKept()
{
    QFETCH(QByteArray, before);
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    writeFile(path, before);

    constexpr int writers = 4;
    constexpr int stampsEach = 25;
    std::vector<std::thread> threads;
    std::atomic<int> failures = 0;
    for (int writer = 0; writer < writers; ++writer) {
        threads.emplace_back([&, writer] {
            for (int stamp = 0; stamp < stampsEach; ++stamp) {
                const QString key = QStringLiteral("%1-%2").arg(writer).arg(stamp);
                if (notes::EcrireIni(QStringLiteral("s"), key, QString(), path) == 0)
                    ++failures;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();

    QCOMPARE(failures.load(), 0);
    const QByteArray after = contentOf(path);
    QCOMPARE(after.count("[s]\n"), 1);
    for (int writer = 0; writer < writers; ++writer) {
        for (int stamp = 0; stamp < stampsEach; ++stamp)
            QVERIFY(after.contains(QStringLiteral("\n%1-%2=\n").arg(writer).arg(stamp).toLatin1()));
    }
    QCOMPARE(after.count('\n'), before.count('\n') + writers * stampsEach + (before.contains("[s]") ? 0 : 1));
}

void TestNotes::journalPath_data()
{
    QTest::addColumn<std::optional<QByteArray>>("windir");
    QTest::addColumn<QString>("expected"); // relative to the data home when not absolute

    QTest::newRow("windir set") << std::optional<QByteArray>("/srv/Windows")
                                << QStringLiteral("/srv/Windows/gestiva.txt");
    QTest::newRow("windir with a final slash")
        << std::optional<QByteArray>("/srv/Windows/") << QStringLiteral("/srv/Windows/gestiva.txt");
    QTest::newRow("windir empty") << std::optional<QByteArray>("") << QStringLiteral("gestiva/gestiva.txt");
    QTest::newRow("windir unset") << std::optional<QByteArray>() << QStringLiteral("gestiva/gestiva.txt");
}

void TestNotes::journalPath()
{
    QFETCH(std::optional<QByteArray>, windir);
    QFETCH(QString, expected);
    const QTemporaryDir dataHome;
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    if (windir)
        qputenv("windir", *windir);
    else
        qunsetenv("windir");

    const QString path = notes::journalPath();
    qunsetenv("windir");
    qputenv("XDG_DATA_HOME", savedDataHome);

    if (QDir::isAbsolutePath(expected)) {
        QCOMPARE(path, expected);
    } else {
        QCOMPARE(path, dataHome.filePath(expected));
        QVERIFY(QFileInfo(path).dir().exists());
    }
}

void TestNotes::dataDirectoryFollowsTheXdgRules_data()
{
    // "<tmp>" stands for a temporary directory, "<account>" for the account's home directory.
    QTest::addColumn<std::optional<QByteArray>>("xdgDataHome");
    QTest::addColumn<std::optional<QByteArray>>("home");
    QTest::addColumn<QString>("expected");

    QTest::newRow("absolute XDG_DATA_HOME") << std::optional<QByteArray>("<tmp>/donnees")
                                            << std::optional<QByteArray>("<tmp>") << "<tmp>/donnees/gestiva";
    QTest::newRow("relative XDG_DATA_HOME is ignored")
        << std::optional<QByteArray>("donnees") << std::optional<QByteArray>("<tmp>")
        << "<tmp>/.local/share/gestiva";
    QTest::newRow("relative XDG_DATA_HOME, no HOME") << std::optional<QByteArray>(
        "donnees") << std::optional<QByteArray>() << "<account>/.local/share/gestiva";
    QTest::newRow("neither XDG_DATA_HOME nor HOME")
        << std::optional<QByteArray>() << std::optional<QByteArray>() << "<account>/.local/share/gestiva";
    QTest::newRow("empty HOME") << std::optional<QByteArray>("") << std::optional<QByteArray>("")
                                << "<account>/.local/share/gestiva";
    QTest::newRow("relative HOME") << std::optional<QByteArray>() << std::optional<QByteArray>("maison")
                                   << "<account>/.local/share/gestiva";
}

// Asked of the platform directly: the journal's own lookup would make the directory.
void TestNotes::dataDirectoryFollowsTheXdgRules()
{
    QFETCH(std::optional<QByteArray>, xdgDataHome);
    QFETCH(std::optional<QByteArray>, home);
    QFETCH(QString, expected);
    const QTemporaryDir dir;
    const passwd *account = ::getpwuid(::geteuid());
    QVERIFY(account && account->pw_dir);
    const QByteArray temporary = QFile::encodeName(dir.path());
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    const auto set = [&](const char *variable, const std::optional<QByteArray> &value) {
        if (value)
            qputenv(variable, QByteArray(*value).replace("<tmp>", temporary));
        else
            qunsetenv(variable);
    };
    set("XDG_DATA_HOME", xdgDataHome);
    set("HOME", home);
    const QString directory = notes::nativePlatform().perUserDataDirectory();
    qputenv("XDG_DATA_HOME", savedDataHome);
    qputenv("HOME", savedHome);

    QCOMPARE(directory,
        expected.replace(QStringLiteral("<tmp>"), dir.path())
            .replace(QStringLiteral("<account>"), QFile::decodeName(account->pw_dir)));
}

// A windir in Latin-1 names a directory Qt cannot name: the journal goes where it goes without
// windir, never into the directory whose name only looks like it.
void TestNotes::windirIsTakenAsBytes()
{
    const QTemporaryDir dir;
    const QTemporaryDir dataHome;
    const QByteArray latin1 = QFile::encodeName(dir.path())
        + "/Donn\xe9"
          "es";
    const QByteArray lookAlike = QFile::encodeName(dir.path())
        + "/Donn\xef\xbf\xbd"
          "es";
    QCOMPARE(::mkdir(latin1.constData(), 0700), 0);
    QCOMPARE(::mkdir(lookAlike.constData(), 0700), 0);
    // QTemporaryDir cannot remove what Qt cannot name.
    const auto removeLatin1 = qScopeGuard([&] { ::rmdir(latin1.constData()); });
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    qputenv("windir", latin1);
    const QString path = notes::journalPath();
    RecordingPlatform platform;
    const QString message = notes::OuvrirNotes(path, pressTime, platform);
    qunsetenv("windir");
    qputenv("XDG_DATA_HOME", savedDataHome);

    QCOMPARE(path, dataHome.filePath(QStringLiteral("gestiva/gestiva.txt")));
    QCOMPARE(message, QString());
    QVERIFY(
        QDir(QFile::decodeName(lookAlike)).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void TestNotes::noEditorAnywhere()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gestiva.txt"));
    const QString message = notes::OuvrirNotes(path, pressTime);
    QCOMPARE(contentOf(path), QByteArray("[08/12/2026]\n14:05:09=\n"));
    QVERIFY2(message.contains(path) && message.contains(QStringLiteral("éditeur")), qPrintable(message));
}

QTEST_GUILESS_MAIN(TestNotes)
#include "test_notes.moc"
