// Qt's own texts in French on Windows, from the catalogue the program carries beside itself.
#include "formkit/qttranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

// What the user reads: the mnemonic's "&" and the shortcut after the tab left out.
QString shown(const QString &text)
{
    return text.section(u'\t', 0, 0).remove(u'&');
}

} // namespace

class TestQtFrench : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void fieldContextMenu();
    void standardButtons_data();
    void standardButtons();
};

void TestQtFrench::initTestCase()
{
    QVERIFY(formkit::loadQtTranslations(*QCoreApplication::instance()));
}

void TestQtFrench::fieldContextMenu()
{
    QLineEdit field(QStringLiteral("28/08/2028"));
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList entries;
    for (const QAction *action : menu->actions())
        if (!action->isSeparator())
            entries << shown(action->text());
    for (const char *french : { "Copier", "Coller", "Tout sélectionner" })
        QVERIFY2(entries.contains(QString::fromUtf8(french)), qPrintable(entries.join(u',')));
}

void TestQtFrench::standardButtons_data()
{
    QTest::addColumn<QDialogButtonBox::StandardButton>("button");
    QTest::addColumn<QString>("french");
    QTest::newRow("Cancel") << QDialogButtonBox::Cancel << "Annuler";
    QTest::newRow("Yes") << QDialogButtonBox::Yes << "Oui";
    QTest::newRow("No") << QDialogButtonBox::No << "Non";
}

void TestQtFrench::standardButtons()
{
    QFETCH(QDialogButtonBox::StandardButton, button);
    QFETCH(QString, french);
    QDialogButtonBox buttons(button);
    QCOMPARE(shown(buttons.button(button)->text()), french);
}

QTEST_MAIN(TestQtFrench)
#include "test_qt_french.moc"
