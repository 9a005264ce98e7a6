#include "datingdialog/DatingDialog.h"
#include "fixedclock.h"
#include "mainwindow/form1.h"
#include "pregnancy/pregnancy.h"
#include "sheetdialog/SheetDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <memory>

namespace {

template<class Widget> Widget *named(QWidget *parent, const QString &accessibleName)
{
    for (Widget *widget : parent->findChildren<Widget *>()) {
        if (widget->accessibleName() == accessibleName)
            return widget;
    }
    qFatal("no control named %s", qPrintable(accessibleName));
}

} // namespace

// The dating dialog as a user drives it from the calendar window: typed dates, clicks, Enter.
class TestDatingDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void scanRedatesTheWindow();
    void scanPolicyAtTheThreshold_data();
    void scanPolicyAtTheThreshold();
    void transferAndCycle_data();
    void transferAndCycle();
    void badInputChangesNothing_data();
    void badInputChangesNothing();
    void converterBothWays();
    void reproductionIsNotRedated();
    void openedFromTheSheetDialog();

private:
    QLineEdit *field(const char *name) const
    {
        return named<QLineEdit>(m_window.get(), QString::fromUtf8(name));
    }
    DatingDialog *openDating();
    void typeInto(QLineEdit *field, const QString &text);

    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<form1> m_window;
};

void TestDatingDialog::init()
{
    m_clock = std::make_unique<FixedClock>(tuesdayAfternoon);
    m_window = std::make_unique<form1>(*m_clock);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestDatingDialog::cleanup()
{
    m_window.reset();
}

DatingDialog *TestDatingDialog::openDating()
{
    QTest::keyClick(m_window.get(), Qt::Key_D, Qt::ControlModifier);
    auto *dialog = m_window->findChild<DatingDialog *>();
    return dialog && QTest::qWaitForWindowExposed(dialog) ? dialog : nullptr;
}

void TestDatingDialog::typeInto(QLineEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClicks(field, text);
}

// Scan on 20/03/2025, LCC 60 mm, DR 01/01/2025: 12 SA + 2 j, écart + 8 j, DG 07/01/2025.
void TestDatingDialog::scanRedatesTheWindow()
{
    typeInto(field("Dernières règles"), QStringLiteral("01/01/2025"));
    QCOMPARE(field("Début de grossesse")->text(), QStringLiteral("15/01/2025"));
    auto *dialog = openDating();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Datation de la grossesse"));
    typeInto(named<QLineEdit>(dialog, QStringLiteral("Date de l'échographie")), QStringLiteral("20/03/2025"));
    typeInto(named<QLineEdit>(dialog, QStringLiteral("Longueur cranio-caudale (mm)")), QStringLiteral("60"));
    QVERIFY(named<QRadioButton>(dialog, QStringLiteral("Échographie du 1er trimestre"))->isChecked());
    const QString scan = dialog->findChild<QLabel *>(QStringLiteral("echographie"))->text();
    for (const char *shown : { "12 SA + 2 j", "86,10", "07/01/2025", "15/01/2025", "écart + 8 j" })
        QVERIFY2(scan.contains(QString::fromUtf8(shown)), qPrintable(scan));
    QTest::mouseClick(named<QPushButton>(dialog, QStringLiteral("Appliquer au calendrier")), Qt::LeftButton);
    QTRY_VERIFY(!m_window->findChild<DatingDialog *>());

    QCOMPARE(field("Début de grossesse")->text(), QStringLiteral("07/01/2025"));
    QCOMPARE(field("Dernières règles")->text(), QStringLiteral("01/01/2025"));
    QCOMPARE(field("Accouchement")->text(), QStringLiteral("07/10/2025"));
    QVERIFY(field("Début de grossesse")->toolTip().contains(QStringLiteral("échographie du 20/03/2025")));
    QVERIFY(std::holds_alternative<dating::ScanDating>(m_window->pregnancy().dating()));

    // A later edit of DG makes it a date entered again.
    field("Début de grossesse")->setFocus();
    QTest::keyClick(field("Début de grossesse"), Qt::Key_Plus);
    QCOMPARE(field("Début de grossesse")->text(), QStringLiteral("08/01/2025"));
    QVERIFY(std::holds_alternative<dating::EnteredDating>(m_window->pregnancy().dating()));
    QVERIFY(field("Début de grossesse")->toolTip().isEmpty());
}

void TestDatingDialog::scanPolicyAtTheThreshold_data()
{
    QTest::addColumn<QString>("crl");
    QTest::addColumn<int>("policy"); // row of "Recaler le terme"
    QTest::addColumn<QString>("conception");

    QTest::newRow("gap 8, over 7: the scan") << "60" << 2 << "07/01/2025";
    QTest::newRow("gap 7, at 7: the DR") << "58" << 2 << "15/01/2025";
    QTest::newRow("gap 7, over 5: the scan") << "58" << 1 << "08/01/2025";
    QTest::newRow("gap 7, always: the scan") << "58,0" << 0 << "08/01/2025";
}

void TestDatingDialog::scanPolicyAtTheThreshold()
{
    QFETCH(QString, crl);
    QFETCH(int, policy);
    QFETCH(QString, conception);
    typeInto(field("Dernières règles"), QStringLiteral("01/01/2025"));
    auto *dialog = openDating();
    QVERIFY(dialog);
    typeInto(named<QLineEdit>(dialog, QStringLiteral("Date de l'échographie")), QStringLiteral("20/03/2025"));
    typeInto(named<QLineEdit>(dialog, QStringLiteral("Longueur cranio-caudale (mm)")), crl);
    named<QComboBox>(dialog, QStringLiteral("Recaler le terme"))->setCurrentIndex(policy);
    QTest::mouseClick(named<QPushButton>(dialog, QStringLiteral("Appliquer au calendrier")), Qt::LeftButton);
    QCOMPARE(field("Début de grossesse")->text(), conception);
}

void TestDatingDialog::transferAndCycle_data()
{
    QTest::addColumn<QString>("fieldName");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("boxName");
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("conception");
    QTest::addColumn<QString>("delivery");

    QTest::newRow("J5 transfer") << "Date du transfert"
                                 << "10/04/2025"
                                 << "Âge de l'embryon (jours)" << 5 << "05/04/2025"
                                 << "05/01/2026";
    QTest::newRow("J3 transfer") << "Date du transfert"
                                 << "10/04/2025"
                                 << "Âge de l'embryon (jours)" << 3 << "07/04/2025"
                                 << "07/01/2026";
    QTest::newRow("insemination") << "Date de ponction ou d'insémination"
                                  << "31/05/2026"
                                  << "" << 0 << "31/05/2026"
                                  << "28/02/2027";
    QTest::newRow("35-day cycle") << ""
                                  << ""
                                  << "Durée du cycle (jours)" << 35 << "22/03/2026"
                                  << "22/12/2026";
}

void TestDatingDialog::transferAndCycle()
{
    QFETCH(QString, fieldName);
    QFETCH(QString, typed);
    QFETCH(QString, boxName);
    QFETCH(int, days);
    QFETCH(QString, conception);
    QFETCH(QString, delivery);
    typeInto(field("Dernières règles"), QStringLiteral("01/03/2026"));
    auto *dialog = openDating();
    QVERIFY(dialog);
    if (!fieldName.isEmpty())
        typeInto(named<QLineEdit>(dialog, fieldName), typed);
    if (!boxName.isEmpty()) {
        auto *box = named<QSpinBox>(dialog, boxName);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QString::number(days));
    }
    QTest::mouseClick(named<QPushButton>(dialog, QStringLiteral("Appliquer au calendrier")), Qt::LeftButton);
    QCOMPARE(field("Début de grossesse")->text(), conception);
    QCOMPARE(field("Accouchement")->text(), delivery);
    QCOMPARE(field("Dernières règles")->text(), QStringLiteral("01/03/2026"));
}

void TestDatingDialog::badInputChangesNothing_data()
{
    QTest::addColumn<QString>("fieldName");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");

    QTest::newRow("scan date no date") << "Date de l'échographie"
                                       << "20/13/2025"
                                       << "« Date de l'échographie » n'est pas une date (jj/mm/aaaa).";
    QTest::newRow("length beyond Robinson's") << "Longueur cranio-caudale (mm)"
                                              << "90"
                                              << "La longueur cranio-caudale doit être de 10 à 84 mm pour la "
                                                 "formule Robinson 1975.";
    QTest::newRow("length no number")
        << "Longueur cranio-caudale (mm)"
        << "soixante"
        << "La longueur cranio-caudale n'est pas un nombre de millimètres (60 ou "
           "60,5).";
    QTest::newRow("transfer no date") << "Date du transfert"
                                      << "demain"
                                      << "« Date du transfert » n'est pas une date (jj/mm/aaaa).";
}

void TestDatingDialog::badInputChangesNothing()
{
    QFETCH(QString, fieldName);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    typeInto(field("Dernières règles"), QStringLiteral("01/01/2025"));
    auto *dialog = openDating();
    QVERIFY(dialog);
    // The other scan field holds what would date the pregnancy.
    typeInto(named<QLineEdit>(dialog, QStringLiteral("Date de l'échographie")), QStringLiteral("20/03/2025"));
    typeInto(named<QLineEdit>(dialog, QStringLiteral("Longueur cranio-caudale (mm)")), QStringLiteral("60"));
    typeInto(named<QLineEdit>(dialog, fieldName), typed);
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("resultat"))->text(), message);
    QVERIFY(!named<QPushButton>(dialog, QStringLiteral("Appliquer au calendrier"))->isEnabled());
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(!m_window->findChild<DatingDialog *>());
    QCOMPARE(field("Début de grossesse")->text(), QStringLiteral("15/01/2025"));
    QVERIFY(std::holds_alternative<dating::PeriodDating>(m_window->pregnancy().dating()));
}

// DG 15/03/2026 (DR 01/03/2026): 12 SA + 0 j on 24/05/2026, 40 SA + 2 j today.
void TestDatingDialog::converterBothWays()
{
    typeInto(field("Dernières règles"), QStringLiteral("01/03/2026"));
    auto *dialog = openDating();
    QVERIFY(dialog);
    const auto *age = dialog->findChild<QLabel *>(QStringLiteral("age"));
    QCOMPARE(age->text(), QStringLiteral("40 SA + 2 j (38 SG + 2 j)"));
    typeInto(named<QLineEdit>(dialog, QStringLiteral("Âge gestationnel le")), QStringLiteral("24/05/2026"));
    QCOMPARE(age->text(), QStringLiteral("12 SA + 0 j (10 SG + 0 j)"));
    typeInto(named<QLineEdit>(dialog, QStringLiteral("Âge gestationnel le")), QStringLiteral("20/02/2026"));
    QCOMPARE(age->text(), QStringLiteral("avant les dernières règles"));
    named<QSpinBox>(dialog, QStringLiteral("Semaines d'aménorrhée"))->setValue(41);
    named<QSpinBox>(dialog, QStringLiteral("Jours"))->setValue(3);
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("date"))->text(),
        QStringLiteral("mercredi 16 décembre 2026"));
}

void TestDatingDialog::reproductionIsNotRedated()
{
    Pregnancy pregnancy(*m_clock);
    pregnancy.applyDating(dating::TransferDating { dating::readsAsDate("10/04/2025").value(), 5 });
    DatingDialog dialog(pregnancy, *m_clock);
    QVERIFY(!named<QRadioButton>(&dialog, QStringLiteral("Échographie du 1er trimestre"))->isEnabled());
    QVERIFY(
        dialog.findChild<QLabel *>(QStringLiteral("echographie"))->text().contains(QStringLiteral("ACOG")));
}

void TestDatingDialog::openedFromTheSheetDialog()
{
    typeInto(field("Dernières règles"), QStringLiteral("01/03/2026"));
    QTest::keyClick(m_window.get(), Qt::Key_P, Qt::ControlModifier);
    auto *sheet = m_window->findChild<SheetDialog *>();
    QVERIFY(sheet);
    QVERIFY(QTest::qWaitForWindowExposed(sheet));
    QTest::mouseClick(sheet->findChild<QPushButton *>(QStringLiteral("datation")), Qt::LeftButton);
    auto *dialog = sheet->findChild<DatingDialog *>();
    QVERIFY(dialog);
    typeInto(named<QLineEdit>(dialog, QStringLiteral("Date du transfert")), QStringLiteral("10/04/2026"));
    QTest::mouseClick(named<QPushButton>(dialog, QStringLiteral("Appliquer au calendrier")), Qt::LeftButton);
    // The sheet follows the pregnancy it shows.
    QCOMPARE(field("Début de grossesse")->text(), QStringLiteral("05/04/2026"));
    QVERIFY(sheet->findChild<QWidget *>(QStringLiteral("apercu")) != nullptr);
}

QTEST_MAIN(TestDatingDialog)
#include "test_datingdialog.moc"
