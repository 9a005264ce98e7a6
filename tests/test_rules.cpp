#include "dating/rules.h"

#include <QTest>

using namespace std::chrono;
using dating::Date;

namespace {

Date ymd(int y, unsigned m, unsigned d)
{
    return Date { year { y }, month { m }, day { d } };
}

QStringList toList(const std::vector<std::string> &rows)
{
    QStringList list;
    for (const auto &row : rows)
        list << QString::fromStdString(row);
    return list;
}

const Date tuesday8December2026 = ymd(2026, 12, 8);

} // namespace

class TestRules : public QObject
{
    Q_OBJECT

private slots:
    void r1FromLastPeriod();
    void r1WithoutDate();
    void r2WorkedExample();
    void r2MonthEndClamping();
    void r2Counts_data();
    void r2Counts();
    void r2WithoutDate();
    void r2AtTheEdgeOfSupportedYears();
    void r3();
    void labels();
    void weeksListRow_data();
    void weeksListRow();
    void steppingAndRewriting();
};

void TestRules::r1FromLastPeriod()
{
    QCOMPARE(QString::fromStdString(dating::ruleR1("01/03/2026").value()), QStringLiteral("15/03/2026"));
    QCOMPARE(QString::fromStdString(dating::ruleR1("20/12/2026").value()), QStringLiteral("03/01/2027"));
}

void TestRules::r1WithoutDate()
{
    for (const char *text : { "", "01/03/", "01/03/202", "31/04/2026", "hello" })
        QVERIFY2(!dating::ruleR1(text), text);
    QVERIFY(!dating::ruleR1("25/12/2199")); // DG would leave the supported years
}

void TestRules::r2WorkedExample()
{
    const auto r = dating::ruleR2("15/03/2026", tuesday8December2026);
    QVERIFY(r);
    QCOMPARE(QString::fromStdString(r->dateAP), QStringLiteral("15/12/2026"));
    QCOMPARE(QString::fromStdString(r->dateTERME), QStringLiteral("15/11/2026"));
    QCOMPARE(QString::fromStdString(r->DateDTT), QStringLiteral("27/12/2026"));
    // 26 weeks of amenorrhea for "O'Sull. (26sa)", 24 weeks after DG like every other row.
    QCOMPARE(toList(r->schedules.ListeBIO), QStringList({ "21/06/2026", "30/08/2026" }));
    QCOMPARE(toList(r->schedules.listeUS), QStringList({ "24/05/2026", "02/08/2026", "11/10/2026" }));
    QCOMPARE(toList(r->schedules.ListeCONGES), QStringList({ "20/10/2026", "03/11/2026", "23/02/2027" }));
    QCOMPARE(r->schedules.listePN.size(), std::size_t(9));
    QCOMPARE(
        QString::fromStdString(r->schedules.listePN.front()), QStringLiteral("15/03/2026 ==>> 15/04/2026"));
    QCOMPARE(
        QString::fromStdString(r->schedules.listePN.back()), QStringLiteral("15/11/2026 ==>> 15/12/2026"));
}

void TestRules::r2MonthEndClamping()
{
    const auto may = dating::ruleR2("31/05/2026", tuesday8December2026);
    QVERIFY(may);
    QCOMPARE(QString::fromStdString(may->dateAP), QStringLiteral("28/02/2027"));

    // Every bound counts from DG, so a clamped February does not pull March back.
    const auto january = dating::ruleR2("31/01/2026", tuesday8December2026);
    QVERIFY(january);
    const QStringList visits = toList(january->schedules.listePN);
    QCOMPARE(visits.at(0), QStringLiteral("31/01/2026 ==>> 28/02/2026"));
    QCOMPARE(visits.at(1), QStringLiteral("28/02/2026 ==>> 31/03/2026"));
    QCOMPARE(visits.at(2), QStringLiteral("31/03/2026 ==>> 30/04/2026"));
    QCOMPARE(visits.at(8), QStringLiteral("30/09/2026 ==>> 31/10/2026"));
    QCOMPARE(QString::fromStdString(january->dateAP), QStringLiteral("31/10/2026"));
}

void TestRules::r2Counts_data()
{
    QTest::addColumn<QString>("dateDG");
    QTest::addColumn<QString>("nbreSA");
    QTest::addColumn<QString>("nbreJours");
    QTest::newRow("Sunday before today") << "06/12/2026"
                                         << "2 S.A"
                                         << "2 jours";
    QTest::newRow("Saturday before today") << "05/12/2026"
                                           << "3 S.A"
                                           << "3 jours";
    QTest::newRow("today") << "08/12/2026"
                           << "2 S.A"
                           << "0 jours";
    QTest::newRow("four weeks ago, the start-up default") << "10/11/2026"
                                                          << "6 S.A"
                                                          << "28 jours";
    QTest::newRow("one week ahead") << "15/12/2026"
                                    << "1 S.A"
                                    << "-7 jours";
    QTest::newRow("three weeks ahead") << "29/12/2026"
                                       << "-1 S.A"
                                       << "-21 jours";
    QTest::newRow("twelve weeks ago") << "15/09/2026"
                                      << "14 S.A"
                                      << "84 jours";
}

void TestRules::r2Counts()
{
    QFETCH(QString, dateDG);
    QFETCH(QString, nbreSA);
    QFETCH(QString, nbreJours);
    const auto r = dating::ruleR2(dateDG.toStdString(), tuesday8December2026);
    QVERIFY(r);
    QCOMPARE(QString::fromStdString(r->nbreSA), nbreSA);
    QCOMPARE(QString::fromStdString(r->nbreJours), nbreJours);
}

void TestRules::r2WithoutDate()
{
    for (const char *text : { "", "15/03", "15/03/2O26", "32/01/2026" })
        QVERIFY2(!dating::ruleR2(text, tuesday8December2026), text);
}

void TestRules::r2AtTheEdgeOfSupportedYears()
{
    // Leave ends 9 months + 10 weeks after DG: past 2199 there is no complete result.
    QVERIFY(dating::ruleR2("01/01/2199", tuesday8December2026));
    QVERIFY(!dating::ruleR2("01/03/2199", tuesday8December2026));
}

void TestRules::r3()
{
    const auto twelve = dating::ruleR3(12, "15/03/2026");
    QVERIFY(twelve);
    QCOMPARE(QString::fromStdString(twelve->dateSA), QStringLiteral("24/05/2026"));
    QCOMPARE(QString::fromStdString(twelve->TXTsa), QStringLiteral("12 S.A le..."));

    QCOMPARE(QString::fromStdString(dating::ruleR3(2, "15/03/2026")->dateSA), QStringLiteral("15/03/2026"));
    const auto overdue = dating::ruleR2("15/03/2026", tuesday8December2026)->DateDTT;
    QCOMPARE(dating::ruleR3(43, "15/03/2026")->dateSA, overdue);

    QVERIFY(!dating::ruleR3(1, "15/03/2026"));
    QVERIFY(!dating::ruleR3(44, "15/03/2026"));
    QVERIFY(!dating::ruleR3(12,
        "15/03/20"
        "x"));
}

void TestRules::labels()
{
    const auto &labels = dating::scheduleLabels();
    QCOMPARE(toList(labels.listeBIO0), QStringList({ "HT21    (16sa)", "O'Sull. (26sa)" }));
    QCOMPARE(labels.listePN0.size(), std::size_t(9));
    QCOMPARE(QString::fromStdString(labels.listePN0.front()), QStringLiteral(" 1° mois"));
    QCOMPARE(QString::fromStdString(labels.listePN0.back()), QStringLiteral(" 9° mois"));

    // Each label list pairs row for row with its date list.
    const auto r = dating::ruleR2("15/03/2026", tuesday8December2026);
    QCOMPARE(labels.listeBIO0.size(), r->schedules.ListeBIO.size());
    QCOMPARE(labels.listePN0.size(), r->schedules.listePN.size());
    QCOMPARE(labels.listeUS0.size(), r->schedules.listeUS.size());
    QCOMPARE(labels.listeCONGES0.size(), r->schedules.ListeCONGES.size());
}

void TestRules::weeksListRow_data()
{
    QTest::addColumn<QString>("nbreSA");
    QTest::addColumn<int>("row"); // 0: no row
    QTest::newRow("6 S.A") << "6 S.A" << 6;
    QTest::newRow("14 S.A selects 14, not 1") << "14 S.A" << 14;
    QTest::newRow("first row") << "2 S.A" << 2;
    QTest::newRow("last row") << "43 S.A" << 43;
    QTest::newRow("one week") << "1 S.A" << 0;
    QTest::newRow("negative") << "-1 S.A" << 0;
    QTest::newRow("beyond the list") << "44 S.A" << 0;
    QTest::newRow("initial text") << "sa" << 0;
}

void TestRules::weeksListRow()
{
    QFETCH(QString, nbreSA);
    QFETCH(int, row);
    QCOMPARE(dating::weeksListRow(nbreSA.toStdString()).value_or(0), row);
}

void TestRules::steppingAndRewriting()
{
    QCOMPARE(QString::fromStdString(dating::steppedDateText("28/02/2026", 1).value()),
        QStringLiteral("01/03/2026"));
    QCOMPARE(QString::fromStdString(dating::steppedDateText("1/3/2026", -1).value()),
        QStringLiteral("28/02/2026"));
    QVERIFY(!dating::steppedDateText("28/02/", 1));
    QVERIFY(!dating::steppedDateText("31/12/2199", 1));
    QCOMPARE(
        QString::fromStdString(dating::normalisedDateText(" 1-3-26").value()), QStringLiteral("01/03/2026"));
    QVERIFY(!dating::normalisedDateText("1-3-2"));
}

QTEST_GUILESS_MAIN(TestRules)
#include "test_rules.moc"
