#include "notes/editors.h"
#include "notes/notes.h"

#include "fixedclock.h"

#include <QDir>
#include <QFile>
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

private:
    QTemporaryDir m_root;
    QString m_record;
};

void TestNotesEditor::initTestCase()
{
    QVERIFY(m_root.isValid());
    const QString data = m_root.filePath(QStringLiteral("data"));
    const QString config = m_root.filePath(QStringLiteral("config"));
    const QString empty = m_root.filePath(QStringLiteral("empty"));
    const QString editor = m_root.filePath(QStringLiteral("bin/gedit"));
    m_record = m_root.filePath(QStringLiteral("arguments"));

    // Renamed into place only once complete, so the test never reads half a record.
    writeFile(editor,
        "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + QFile::encodeName(m_record) + ".part' && mv '"
            + QFile::encodeName(m_record) + ".part' '" + QFile::encodeName(m_record) + "'\n",
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeFile(data + QStringLiteral("/applications/fake-gedit.desktop"),
        "[Desktop Entry]\nType=Application\nName=Fake gedit\nExec=\"" + QFile::encodeName(editor)
            + "\" %U\nMimeType=text/plain;\nTerminal=false\n");
    writeFile(
        config + QStringLiteral("/mimeapps.list"), "[Default Applications]\ntext/plain=fake-gedit.desktop\n");
    QVERIFY(QDir().mkpath(empty));

    // Before anything asks GIO, which reads these once.
    qputenv("HOME", QFile::encodeName(m_root.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(empty));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(empty));
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("windir");
}

void TestNotesEditor::defaultEditorGetsPathAndCaret()
{
    const QString path = m_root.filePath(QStringLiteral("mes notes/gestiva du cabinet.txt"));
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    const FixedClock clock(tuesdayAfternoon);

    QCOMPARE(notes::OuvrirNotes(path, clock), QString());

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_record), 10000);
    QFile record(m_record);
    QVERIFY(record.open(QIODevice::ReadOnly));
    // The file holds "[08/12/2026]" and "14:05:09=": the end of the text is line 3, column 1.
    QCOMPARE(record.readAll(), "+3:1\n" + QFile::encodeName(path) + '\n');
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

QTEST_GUILESS_MAIN(TestNotesEditor)
#include "test_notes_editor.moc"
