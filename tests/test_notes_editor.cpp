#include "notes/editors.h"
#include "notes/notes.h"

#include "fixedclock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeFile(const QString &path, const QByteArray &content, QFile::Permissions permissions = {})
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
    file.close();
    if (permissions)
        QVERIFY(file.setPermissions(permissions));
}

// A desktop under root whose default text editor is a script called "gedit", with ownArguments
// and the file's code after it on its Exec line. The script records its arguments, one a line,
// into the file whose path is returned.
QString installFakeGedit(const QString &root, const QByteArray &ownArguments)
{
    const QString editor = root + QStringLiteral("/bin/gedit");
    const QByteArray record = QFile::encodeName(root + QStringLiteral("/arguments"));
    // Renamed into place only once complete, so the test never reads half a record.
    writeFile(editor,
        "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record + ".part' && mv '" + record + ".part' '" + record
            + "'\n",
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeFile(root + QStringLiteral("/data/applications/fake-gedit.desktop"),
        "[Desktop Entry]\nType=Application\nName=Fake gedit\nIcon=accessories-text-editor\nExec=\""
            + QFile::encodeName(editor) + "\" " + ownArguments + (ownArguments.contains('%') ? "" : " %U")
            + "\nMimeType=text/plain;\nTerminal=false\n");
    writeFile(root + QStringLiteral("/config/mimeapps.list"),
        "[Default Applications]\ntext/plain=fake-gedit.desktop\n");
    QDir().mkpath(root + QStringLiteral("/empty"));
    return QFile::decodeName(record);
}

QProcessEnvironment desktopEnvironment(const QString &root)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), root);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), root + QStringLiteral("/empty"));
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), root + QStringLiteral("/empty"));
    environment.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    environment.remove(QStringLiteral("windir"));
    return environment;
}

void setDesktopEnvironment(const QString &root)
{
    const QProcessEnvironment environment = desktopEnvironment(root);
    for (const char *variable :
        { "HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS" })
        qputenv(variable, QFile::encodeName(environment.value(QString::fromLatin1(variable))));
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("windir");
}

QByteArray recordOf(const QString &path)
{
    QFile record(path);
    return record.open(QIODevice::ReadOnly) ? record.readAll() : QByteArray();
}

} // namespace

// The user's default text editor, as the desktop names it, is a recording script called "gedit".
class TestNotesEditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void defaultEditorGetsPathAndCaret();
    void caretOptions_data();
    void caretOptions();
    void windowsCaretOptions_data();
    void windowsCaretOptions();
    void entryArgumentsAreKept_data();
    void entryArgumentsAreKept();

private:
    QTemporaryDir m_root;
    QString m_record;
};

void TestNotesEditor::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_record = installFakeGedit(m_root.path(), QByteArray());
    // Before anything asks GIO, which reads these once.
    setDesktopEnvironment(m_root.path());
}

void TestNotesEditor::defaultEditorGetsPathAndCaret()
{
    const QString path = m_root.filePath(QStringLiteral("mes notes/gestiva du cabinet.txt"));
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    const FixedClock clock(tuesdayAfternoon);

    QCOMPARE(notes::OuvrirNotes(path, clock), QString());

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_record), 10000);
    // The file holds "[08/12/2026]" and "14:05:09=": the end of the text is line 3, column 1.
    QCOMPARE(recordOf(m_record), "+3:1\n" + QFile::encodeName(path) + '\n');
}

void TestNotesEditor::caretOptions_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments"); // empty: the editor has no such option

    // Line 12, column 5.
    QTest::newRow("gedit") << "gedit" << QStringList { "+12:5" };
    QTest::newRow("emacs") << "emacs" << QStringList { "+12:5" };
    QTest::newRow("pluma, line only") << "pluma" << QStringList { "+12" };
    QTest::newRow("xed, line only") << "xed" << QStringList { "+12" };
    QTest::newRow("nano") << "nano" << QStringList { "+12,5" };
    QTest::newRow("featherpad, end of document") << "featherpad" << QStringList { "+" };
    QTest::newRow("geany, column from 0") << "geany" << QStringList { "--line=12", "--column=4" };
    QTest::newRow("kate") << "kate" << QStringList { "--line", "12", "--column", "5" };
    QTest::newRow("kwrite") << "kwrite" << QStringList { "--line", "12", "--column", "5" };
    QTest::newRow("vim") << "vim" << QStringList { "+call cursor(12,5)" };
    QTest::newRow("gnome-text-editor has none") << "gnome-text-editor" << QStringList();
    QTest::newRow("unknown program") << "sh" << QStringList();
}

void TestNotesEditor::caretOptions()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QCOMPARE(notes::caretArguments(program, { 12, 5 }).value_or(QStringList()), arguments);
}

static QString windowsJournal()
{
    return QStringLiteral("C:\\Users\\hélène\\AppData\\Roaming\\gestiva\\gestiva.txt");
}

void TestNotesEditor::windowsCaretOptions_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments"); // empty: the editor has no such option

    const QString file = windowsJournal();
    // Line 12, column 5.
    QTest::newRow("Notepad++") << "notepad++.exe" << QStringList { "-n12", "-c5", file };
    QTest::newRow("Notepad++, as the shell spells it")
        << "NOTEPAD++.EXE" << QStringList { "-n12", "-c5", file };
    QTest::newRow("Visual Studio Code") << "Code.exe" << QStringList { "--goto", file + ":12:5" };
    QTest::newRow("Visual Studio Code, no extension") << "code" << QStringList { "--goto", file + ":12:5" };
    QTest::newRow("Notepad has none") << "notepad.exe" << QStringList();
    QTest::newRow("a name that only ends like one") << "mycode.exe" << QStringList();
}

void TestNotesEditor::windowsCaretOptions()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    const QString file = windowsJournal();
    QCOMPARE(notes::windowsCaretArguments(program, file, { 12, 5 }).value_or(QStringList()), arguments);
}

void TestNotesEditor::entryArgumentsAreKept_data()
{
    QTest::addColumn<QByteArray>("ownArguments"); // on the Exec line after the program
    QTest::addColumn<QStringList>("started"); // "<path>" stands for the journal's path

    QTest::newRow("an option before the file")
        << QByteArray("--new-window %U") << QStringList { "--new-window", "+3:1", "<path>" };
    QTest::newRow("an option after the file")
        << QByteArray("%f --standalone") << QStringList { "+3:1", "<path>", "--standalone" };
    QTest::newRow("name, icon and a percent sign")
        << QByteArray("--class=%c %i --ratio=100%% %F")
        << QStringList { "--class=Fake gedit", "--icon", "accessories-text-editor", "--ratio=100%", "+3:1",
               "<path>" };
    QTest::newRow("the file inside a word: opened without the caret")
        << QByteArray("--file=%f") << QStringList { "--file=<path>" };
}

// In a process of its own for each desktop, since GIO reads one desktop per process.
void TestNotesEditor::entryArgumentsAreKept()
{
    QFETCH(QByteArray, ownArguments);
    QFETCH(QStringList, started);
    const QTemporaryDir root;
    const QString record = installFakeGedit(root.path(), ownArguments);
    const QString path = root.filePath(QStringLiteral("gestiva.txt"));

    QProcess opener;
    opener.setProcessEnvironment(desktopEnvironment(root.path()));
    opener.start(QStringLiteral(NOTES_OPENER), { path });
    QVERIFY(opener.waitForFinished(30000));
    QCOMPARE(opener.readAllStandardOutput(), QByteArray("\n"));

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
    QCOMPARE(recordOf(record),
        started.replaceInStrings(QStringLiteral("<path>"), path).join(u'\n').toUtf8() + '\n');
}

QTEST_GUILESS_MAIN(TestNotesEditor)
#include "test_notes_editor.moc"
