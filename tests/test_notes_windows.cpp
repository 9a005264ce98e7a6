// The journal on Windows: where it lives, its write, and the editor that opens it.
#include "notes/ecrireini.h"
#include "notes/notes.h"
#include "notes/platform.h"
#include "notes/profilefile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

#include <string>
#include <string_view>

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

void writeFile(const QString &path, const QByteArray &content)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// The volume and the file's index on it: what stays when a file is changed in place.
QByteArray identityOf(const QString &path)
{
    const HANDLE file = CreateFileW(wide(native(path)), 0,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION information {};
    const bool known = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    return known ? QByteArray::number(quint32(information.dwVolumeSerialNumber)) + ':'
            + QByteArray::number(quint32(information.nFileIndexHigh)) + ':'
            + QByteArray::number(quint32(information.nFileIndexLow))
                 : QByteArray();
}

// The edit control of the Notepad window whose title begins with the file's name.
HWND notepadEditShowing(const QString &fileName)
{
    struct Search
    {
        std::wstring title;
        HWND edit = nullptr;
    } search { fileName.toStdWString() };
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto &wanted = *reinterpret_cast<Search *>(data);
            wchar_t title[256] = {};
            GetWindowTextW(window, title, 256);
            if (!IsWindowVisible(window)
                || std::wstring_view(title).substr(0, wanted.title.size()) != wanted.title)
                return TRUE;
            wanted.edit = FindWindowExW(window, nullptr, L"Edit", nullptr);
            return wanted.edit ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.edit;
}

notes::WriteOutcome stamp(const QString &path)
{
    return notes::stampJournal(QStringLiteral("08/12/2026"), QStringLiteral("14:05:09"), path).outcome;
}

// A file type of the user's own, as the shell's "Open with" writes it, undone when it goes.
class TextFileType
{
public:
    explicit TextFileType(const QString &openCommand)
    {
        m_classes.setValue(QStringLiteral(".txt/."), QStringLiteral("GestivaTest.txt"));
        if (!openCommand.isEmpty())
            m_classes.setValue(QStringLiteral("GestivaTest.txt/shell/open/command/."), openCommand);
        else
            m_classes.setValue(QStringLiteral("GestivaTest.txt/."), QStringLiteral("A type nothing opens"));
        m_classes.sync();
    }
    ~TextFileType()
    {
        m_classes.remove(QStringLiteral(".txt"));
        m_classes.remove(QStringLiteral("GestivaTest.txt"));
        m_classes.sync();
    }

private:
    QSettings m_classes { QStringLiteral("HKEY_CURRENT_USER\\Software\\Classes"), QSettings::NativeFormat };
};

} // namespace

class TestNotesWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void journalLocation_data();
    void journalLocation();
    void stampBytes_data();
    void stampBytes();
    void lockedJournalGivesUpInTime();
    void readOnlyJournalStaysAsItWas();
    void strayInTheCopysPlaceIsSetAside();
    void editor_data();
    void editor();
    void notepadCaretAtTheEnd_data();
    void notepadCaretAtTheEnd();

private:
    QTemporaryDir m_root;
    QString m_windows;
    QString m_perUser;
};

void TestNotesWindows::initTestCase()
{
    QVERIFY(m_root.isValid());
    QStandardPaths::setTestModeEnabled(true);
    m_windows = m_root.filePath(QStringLiteral("Windows"));
    QVERIFY(QDir().mkpath(m_windows));
    qputenv("LOCALAPPDATA", QFile::encodeName(native(m_root.filePath(QStringLiteral("Local")))));
    m_perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY(m_perUser.contains(QStringLiteral("qttest")));
}

void TestNotesWindows::journalLocation_data()
{
    QTest::addColumn<bool>("windirSet");
    QTest::addColumn<bool>("inWindows");
    QTest::addColumn<bool>("inVirtualStore");
    QTest::addColumn<QString>("expected"); // windows, store or user

    QTest::newRow("new journal") << true << false << false << "user";
    QTest::newRow("left in the Windows directory") << true << true << false << "windows";
    QTest::newRow("left in the virtual store") << true << false << true << "store";
    QTest::newRow("in both: the real one") << true << true << true << "windows";
    QTest::newRow("windir unset") << false << false << false << "user";
}

void TestNotesWindows::journalLocation()
{
    QFETCH(bool, windirSet);
    QFETCH(bool, inWindows);
    QFETCH(bool, inVirtualStore);
    QFETCH(QString, expected);

    // The store repeats the Windows directory's path without its drive.
    const QString windowsJournal = QDir(m_windows).filePath(QStringLiteral("gestiva.txt"));
    const QString storeJournal = QDir(qEnvironmentVariable("LOCALAPPDATA"))
                                     .filePath(QStringLiteral("VirtualStore")
                                         + QDir::fromNativeSeparators(native(windowsJournal)).sliced(2));
    const QString userJournal = QDir(m_perUser).filePath(QStringLiteral("gestiva.txt"));
    if (inWindows)
        writeFile(windowsJournal, "[07/12/2026]\r\n");
    if (inVirtualStore)
        writeFile(storeJournal, "[07/12/2026]\r\n");
    if (windirSet)
        qputenv("windir", QFile::encodeName(native(m_windows)));
    else
        qunsetenv("windir");

    const QString path = native(notes::journalPath());
    qputenv("windir", "C:\\windows");
    QFile::remove(windowsJournal);
    QFile::remove(storeJournal);

    const QString wanted = expected == u"windows" ? windowsJournal
        : expected == u"store"                    ? storeJournal
                                                  : userJournal;
    QCOMPARE(path, native(wanted));
    // A new journal's folder is made, so that the first stamp can be written.
    QVERIFY(QFileInfo(path).dir().exists());
}

void TestNotesWindows::stampBytes_data()
{
    QTest::addColumn<QByteArray>("before"); // a null array: no journal yet
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("no journal: Windows line breaks")
        << QByteArray() << QByteArray("[08/12/2026]\r\n14:05:09=\r\n");
    QTest::newRow("yesterday last") << QByteArray("[07/12/2026]\r\nvu Mme A.\r\n")
                                    << QByteArray(
                                           "[07/12/2026]\r\nvu Mme A.\r\n[08/12/2026]\r\n14:05:09=\r\n");
    QTest::newRow("today in the middle, Unix line breaks kept")
        << QByteArray("[08/12/2026]\nnote \xe9t\xe9\n\n[09/12/2026]\n")
        << QByteArray("[08/12/2026]\nnote \xe9t\xe9\n14:05:09=\n\n[09/12/2026]\n");
}

void TestNotesWindows::stampBytes()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    const QString path = m_root.filePath(QStringLiteral("stamp/gestiva.txt"));
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile::remove(path);
    if (!before.isNull())
        writeFile(path, before);
    const QByteArray identity = identityOf(path);

    QCOMPARE(stamp(path), notes::WriteOutcome::Written);
    QCOMPARE(contentOf(path), after);
    // Changed in place: the same file, and nothing left beside it.
    if (!before.isNull())
        QCOMPARE(identityOf(path), identity);
    QCOMPARE(
        QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden), QStringList { "gestiva.txt" });
}

// Another stamp holding the journal: this one gives up after a bounded wait instead of freezing
// the window, leaves the file alone, and succeeds once the other is done.
void TestNotesWindows::lockedJournalGivesUpInTime()
{
    const QString path = m_root.filePath(QStringLiteral("locked/gestiva.txt"));
    const QByteArray before = "[07/12/2026]\r\n";
    writeFile(path, before);
    const HANDLE other = CreateFileW(wide(native(path)), GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    QVERIFY(other != INVALID_HANDLE_VALUE);
    // The byte every stamp locks, far beyond any text.
    OVERLAPPED lockByte {};
    lockByte.Offset = 0xfffffffe;
    lockByte.OffsetHigh = 0x7fffffff;
    QVERIFY(LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockByte));

    QElapsedTimer waited;
    waited.start();
    QCOMPARE(stamp(path), notes::WriteOutcome::InUse);
    QVERIFY2(waited.elapsed() < 10000, qPrintable(QString::number(waited.elapsed())));
    QCOMPARE(contentOf(path), before);

    QVERIFY(UnlockFileEx(other, 0, 1, 0, &lockByte));
    CloseHandle(other);
    QCOMPARE(stamp(path), notes::WriteOutcome::Written);
    QCOMPARE(contentOf(path), before + "[08/12/2026]\r\n14:05:09=\r\n");
}

void TestNotesWindows::readOnlyJournalStaysAsItWas()
{
    const QString path = m_root.filePath(QStringLiteral("readonly/gestiva.txt"));
    const QByteArray before = "[07/12/2026]\r\nnote\r\n";
    writeFile(path, before);
    QVERIFY(SetFileAttributesW(wide(native(path)), FILE_ATTRIBUTE_READONLY));
    QCOMPARE(stamp(path), notes::WriteOutcome::Failed);
    QCOMPARE(contentOf(path), before);
    QVERIFY(SetFileAttributesW(wide(native(path)), FILE_ATTRIBUTE_NORMAL));
}

// A folder where the journal's safety copy goes, named by the file's index on its volume: moved
// aside, and the stamp inside the journal goes on.
void TestNotesWindows::strayInTheCopysPlaceIsSetAside()
{
    const QString path = m_root.filePath(QStringLiteral("stray/gestiva.txt"));
    writeFile(path, "[08/12/2026]\r\nnote\r\n\r\n[09/12/2026]\r\n");
    const QList<QByteArray> identity = identityOf(path).split(':');
    QCOMPARE(identity.size(), 3);
    const quint64 number = (identity[1].toULongLong() << 32) | identity[2].toULongLong();
    QVERIFY(QDir(QFileInfo(path).path()).mkdir(QStringLiteral(".gestiva-safety-copy-%1").arg(number)));

    const notes::ProfileWriteResult result
        = notes::stampJournal(QStringLiteral("08/12/2026"), QStringLiteral("14:05:09"), path);
    QCOMPARE(result.outcome, notes::WriteOutcome::Written);
    QCOMPARE(contentOf(path), QByteArray("[08/12/2026]\r\nnote\r\n14:05:09=\r\n\r\n[09/12/2026]\r\n"));
    QVERIFY2(QFileInfo(result.setAside).isDir(), qPrintable(result.setAside));
    QVERIFY(QFileInfo(result.setAside).fileName().startsWith(QStringLiteral("gestiva.txt.secours")));
    QCOMPARE(
        QDir(QFileInfo(path).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
        2);
}

void TestNotesWindows::editor_data()
{
    QTest::addColumn<bool>("typeHasProgram");
    QTest::newRow("the user's program for .txt files") << true;
    QTest::newRow("no program for .txt files: Notepad") << false;
}

// Both stand-ins record what they were given; Notepad's stands first on PATH.
void TestNotesWindows::editor()
{
    QFETCH(bool, typeHasProgram);
    const QString recorder = native(QStringLiteral(GESTIVA_RECORDER));
    const QString record = m_root.filePath(QStringLiteral("editor-arguments"));
    QFile::remove(record);
    qputenv("GESTIVA_RECORD", QFile::encodeName(native(record)));
    const QString fakeNotepad = m_root.filePath(QStringLiteral("bin/notepad.exe"));
    QVERIFY(QDir().mkpath(QFileInfo(fakeNotepad).path()));
    QVERIFY(QFile::exists(fakeNotepad) || QFile::copy(recorder, fakeNotepad));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(native(QFileInfo(fakeNotepad).path())) + ';' + path);
    const TextFileType type(typeHasProgram ? u'"' + recorder + QStringLiteral("\" \"%1\"") : QString());

    const QString journal = m_root.filePath(QStringLiteral("mes notes/gestiva.txt"));
    writeFile(journal, "[07/12/2026]\r\n");
    QVERIFY(notes::nativePlatform().openInEditor(journal, notes::TextPosition { 2, 1 }));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 20000);
    qputenv("PATH", path);
    QCOMPARE(QString::fromUtf8(contentOf(record)).trimmed(), native(journal));
}

void TestNotesWindows::notepadCaretAtTheEnd_data()
{
    QTest::addColumn<bool>("typeHasNotepad");
    QTest::newRow("Notepad, the shell's program for .txt files") << true;
    QTest::newRow("no program for .txt files: Notepad from PATH") << false;
}

// On a journal longer than Notepad's window, the caret lands after the new stamp, scrolled into
// view, with nothing selected, as read back from Notepad's own edit control.
void TestNotesWindows::notepadCaretAtTheEnd()
{
    QFETCH(bool, typeHasNotepad);
    wchar_t system[MAX_PATH];
    QVERIFY(GetSystemDirectoryW(system, MAX_PATH) > 0);
    const QString notepad = QString::fromWCharArray(system) + QStringLiteral("\\notepad.exe");
    const TextFileType type(typeHasNotepad ? u'"' + notepad + QStringLiteral("\" \"%1\"") : QString());

    const QString journal = m_root.filePath(QStringLiteral("long/gestiva.txt"));
    QByteArray before = "[07/12/2026]\r\n";
    for (int line = 2; line <= 198; ++line)
        before += "note " + QByteArray::number(line) + "\r\n";
    writeFile(journal, before);
    const notes::ProfileWriteResult stamped
        = notes::stampJournal(QStringLiteral("08/12/2026"), QStringLiteral("14:05:09"), journal);
    QCOMPARE(stamped.outcome, notes::WriteOutcome::Written);
    QCOMPARE(contentOf(journal).count('\n'), 200);
    QVERIFY(notes::nativePlatform().openInEditor(journal, stamped.textEnd));

    HWND edit = nullptr;
    const auto caretPlaced = [&] {
        edit = notepadEditShowing(QStringLiteral("gestiva"));
        DWORD start = 0;
        DWORD end = 0;
        if (edit)
            SendMessageW(edit, EM_GETSEL, WPARAM(&start), LPARAM(&end));
        return edit && start > 0 && start == end;
    };
    QTRY_VERIFY_WITH_TIMEOUT(caretPlaced(), 30000);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, WPARAM(&start), LPARAM(&end));
    const int line = int(SendMessageW(edit, EM_LINEFROMCHAR, start, 0));
    const int column = int(start - SendMessageW(edit, EM_LINEINDEX, line, 0));
    const int lastLine = int(SendMessageW(edit, EM_GETLINECOUNT, 0, 0)) - 1;
    const int firstShown = int(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    PostMessageW(GetAncestor(edit, GA_ROOT), WM_CLOSE, 0, 0);
    QCOMPARE(line + 1, stamped.textEnd.line);
    QCOMPARE(column + 1, stamped.textEnd.column);
    QCOMPARE(line, lastLine);
    QVERIFY2(firstShown > 100, qPrintable(QString::number(firstShown)));
}

QTEST_GUILESS_MAIN(TestNotesWindows)
#include "test_notes_windows.moc"
