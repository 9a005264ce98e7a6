#include "dating/conception.h"

#include <QTest>

using dating::CrlFormula;
using dating::Date;
using dating::DatingProblem;
using dating::RedatePolicy;

Q_DECLARE_METATYPE(CrlFormula)
Q_DECLARE_METATYPE(RedatePolicy)
Q_DECLARE_METATYPE(DatingProblem)

namespace {

Date dateOf(const char *text)
{
    return dating::readsAsDate(text).value();
}

QString text(std::optional<Date> date)
{
    return date ? QString::fromStdString(dating::shortDate(*date)) : QStringLiteral("none");
}

} // namespace

class TestConception : public QObject
{
    Q_OBJECT

private slots:
    void crownRumpLength_data();
    void crownRumpLength();
    void scanAgainstPeriod_data();
    void scanAgainstPeriod();
    void otherMethods_data();
    void otherMethods();
    void refusals_data();
    void refusals();
    void converterBothWays_data();
    void converterBothWays();
    void lengthsAsTyped_data();
    void lengthsAsTyped();
};

// Figures worked with a calculator from each formula, then taken in completed days.
void TestConception::crownRumpLength_data()
{
    QTest::addColumn<CrlFormula>("formula");
    QTest::addColumn<double>("crl");
    QTest::addColumn<double>("days");
    QTest::addColumn<QString>("age");

    const auto robinson = CrlFormula::Robinson1975;
    const auto intergrowth = CrlFormula::Intergrowth2014;
    QTest::newRow("Robinson 10 mm, shortest") << robinson << 10.0 << 49.19 << "7 SA + 0 j";
    QTest::newRow("Robinson 45 mm") << robinson << 45.0 << 77.74 << "11 SA + 0 j";
    QTest::newRow("Robinson 60 mm") << robinson << 60.0 << 86.10 << "12 SA + 2 j";
    QTest::newRow("Robinson 84 mm, longest") << robinson << 84.0 << 97.53 << "13 SA + 6 j";
    QTest::newRow("INTERGROWTH 15 mm, shortest") << intergrowth << 15.0 << 58.59 << "8 SA + 2 j";
    QTest::newRow("INTERGROWTH 45 mm") << intergrowth << 45.0 << 78.18 << "11 SA + 1 j";
    QTest::newRow("INTERGROWTH 84 mm") << intergrowth << 84.0 << 99.69 << "14 SA + 1 j";
    QTest::newRow("INTERGROWTH 95 mm, longest") << intergrowth << 95.0 << 105.40 << "15 SA + 0 j";
}

void TestConception::crownRumpLength()
{
    QFETCH(CrlFormula, formula);
    QFETCH(double, crl);
    QFETCH(double, days);
    QFETCH(QString, age);
    const auto given = dating::gestationalDaysFromCrl(formula, crl);
    QVERIFY(given);
    QVERIFY2(std::abs(*given - days) < 0.005, qPrintable(QString::number(*given, 'f', 3)));
    const auto dated
        = dating::datedByScan(dateOf("20/03/2025"), crl, formula, std::nullopt, RedatePolicy::Always);
    const auto &scan = std::get<dating::ScanDating>(dated.dating);
    QCOMPARE(QString::fromStdString(*dating::completedWeeksText(scan.completedDays)), age);
    // The pregnancy is as old at the scan as its completed days.
    QCOMPARE(dating::amenorrheaDays(*dated.conception, scan.scan), scan.completedDays);
}

// Scan on 20/03/2025, DR 01/01/2025 (DG 15/01/2025, 78 days at the scan).
void TestConception::scanAgainstPeriod_data()
{
    QTest::addColumn<double>("crl");
    QTest::addColumn<RedatePolicy>("policy");
    QTest::addColumn<int>("gap");
    QTest::addColumn<QString>("byScan");
    QTest::addColumn<bool>("scanRetained");
    QTest::addColumn<QString>("conception");

    QTest::newRow("60 mm, always") << 60.0 << RedatePolicy::Always << 8 << "07/01/2025" << true
                                   << "07/01/2025";
    QTest::newRow("60 mm, gap 8 over 7")
        << 60.0 << RedatePolicy::GapOver7 << 8 << "07/01/2025" << true << "07/01/2025";
    QTest::newRow("58 mm, gap 7 at 7 keeps DR")
        << 58.0 << RedatePolicy::GapOver7 << 7 << "08/01/2025" << false << "15/01/2025";
    QTest::newRow("58 mm, gap 7 over 5")
        << 58.0 << RedatePolicy::GapOver5 << 7 << "08/01/2025" << true << "08/01/2025";
    // 83 days: 11 + 6, gap 5.
    QTest::newRow("55 mm, gap 5 at 5 keeps DR")
        << 55.0 << RedatePolicy::GapOver5 << 5 << "10/01/2025" << false << "15/01/2025";
    QTest::newRow("55 mm, gap 5, always")
        << 55.0 << RedatePolicy::Always << 5 << "10/01/2025" << true << "10/01/2025";
    // 84 days: gap 6, over 5 and not over 7.
    QTest::newRow("56,5 mm, gap 6 over 5")
        << 56.5 << RedatePolicy::GapOver5 << 6 << "09/01/2025" << true << "09/01/2025";
    QTest::newRow("56,5 mm, gap 6 not over 7")
        << 56.5 << RedatePolicy::GapOver7 << 6 << "09/01/2025" << false << "15/01/2025";
    // 71 days, younger than the DR says: the gap counts both ways.
    QTest::newRow("35 mm, gap -7 at 7 keeps DR")
        << 35.0 << RedatePolicy::GapOver7 << -7 << "22/01/2025" << false << "15/01/2025";
    QTest::newRow("33,5 mm, gap -8 over 7")
        << 33.5 << RedatePolicy::GapOver7 << -8 << "23/01/2025" << true << "23/01/2025";
}

void TestConception::scanAgainstPeriod()
{
    QFETCH(double, crl);
    QFETCH(RedatePolicy, policy);
    QFETCH(int, gap);
    QFETCH(QString, byScan);
    QFETCH(bool, scanRetained);
    QFETCH(QString, conception);
    const auto dated = dating::datedByScan(dateOf("20/03/2025"), crl, CrlFormula::Robinson1975,
        dating::PeriodDating { dateOf("01/01/2025"), 28 }, policy);
    QCOMPARE(dated.problem, DatingProblem::None);
    const auto &scan = std::get<dating::ScanDating>(dated.dating);
    QCOMPARE(scan.gapDays, gap);
    QCOMPARE(text(scan.conceptionByScan), byScan);
    QCOMPARE(text(scan.conceptionByPeriod), QStringLiteral("15/01/2025"));
    QCOMPARE(scan.scanRetained, scanRetained);
    QCOMPARE(text(dated.conception), conception);
    QCOMPARE(text(dating::conceptionOf(dated.dating)), conception);
}

void TestConception::otherMethods_data()
{
    QTest::addColumn<int>("method"); // 0 period, 1 retrieval, 2 transfer
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("days"); // cycle or embryo age
    QTest::addColumn<QString>("conception");
    QTest::addColumn<QString>("delivery");

    QTest::newRow("DR, 28-day cycle") << 0 << "01/03/2026" << 28 << "15/03/2026"
                                      << "15/12/2026";
    QTest::newRow("DR, 35-day cycle") << 0 << "01/03/2026" << 35 << "22/03/2026"
                                      << "22/12/2026";
    QTest::newRow("DR, 21-day cycle") << 0 << "01/03/2026" << 21 << "08/03/2026"
                                      << "08/12/2026";
    QTest::newRow("DR, 45-day cycle over a month end") << 0 << "31/01/2026" << 45 << "03/03/2026"
                                                       << "03/12/2026";
    QTest::newRow("insemination") << 1 << "31/05/2026" << 0 << "31/05/2026"
                                  << "28/02/2027";
    QTest::newRow("J5 transfer") << 2 << "10/04/2025" << 5 << "05/04/2025"
                                 << "05/01/2026";
    QTest::newRow("J3 transfer") << 2 << "10/04/2025" << 3 << "07/04/2025"
                                 << "07/01/2026";
    QTest::newRow("J2 transfer across a year") << 2 << "01/01/2026" << 2 << "30/12/2025"
                                               << "30/09/2026";
}

void TestConception::otherMethods()
{
    QFETCH(int, method);
    QFETCH(QString, date);
    QFETCH(int, days);
    QFETCH(QString, conception);
    QFETCH(QString, delivery);
    const Date day = dateOf(qPrintable(date));
    const dating::Dated dated = method == 0 ? dating::datedByPeriod(day, days)
        : method == 1                       ? dating::datedByRetrieval(day)
                                            : dating::datedByTransfer(day, days);
    QCOMPARE(dated.problem, DatingProblem::None);
    QCOMPARE(text(dated.conception), conception);
    QCOMPARE(text(dating::conceptionOf(dated.dating)), conception);
    QCOMPARE(text(dating::add(dating::Interval::Month, 9, *dated.conception)), delivery);
}

void TestConception::refusals_data()
{
    QTest::addColumn<int>("method"); // 0 period, 1 scan, 2 transfer
    QTest::addColumn<QString>("date");
    QTest::addColumn<double>("value");
    QTest::addColumn<CrlFormula>("formula");
    QTest::addColumn<DatingProblem>("problem");

    const auto robinson = CrlFormula::Robinson1975;
    const auto intergrowth = CrlFormula::Intergrowth2014;
    QTest::newRow("cycle 20") << 0 << "01/03/2026" << 20.0 << robinson << DatingProblem::CycleOutOfRange;
    QTest::newRow("cycle 46") << 0 << "01/03/2026" << 46.0 << robinson << DatingProblem::CycleOutOfRange;
    QTest::newRow("Robinson 9.9 mm") << 1 << "20/03/2025" << 9.9 << robinson << DatingProblem::CrlOutOfRange;
    QTest::newRow("Robinson 84.1 mm")
        << 1 << "20/03/2025" << 84.1 << robinson << DatingProblem::CrlOutOfRange;
    QTest::newRow("INTERGROWTH 14.9 mm")
        << 1 << "20/03/2025" << 14.9 << intergrowth << DatingProblem::CrlOutOfRange;
    QTest::newRow("INTERGROWTH 95.1 mm")
        << 1 << "20/03/2025" << 95.1 << intergrowth << DatingProblem::CrlOutOfRange;
    // DR 01/01/2025: 6 SA on 12/02/2025, 17 SA on 30/04/2025.
    QTest::newRow("scan at 5 SA + 6 j by the DR")
        << 1 << "11/02/2025" << 60.0 << robinson << DatingProblem::ScanOutsideFirstTrimester;
    QTest::newRow("scan at 6 SA + 0 j by the DR")
        << 1 << "12/02/2025" << 60.0 << robinson << DatingProblem::None;
    QTest::newRow("scan at 16 SA + 6 j by the DR")
        << 1 << "29/04/2025" << 60.0 << robinson << DatingProblem::None;
    QTest::newRow("scan at 17 SA + 0 j by the DR")
        << 1 << "30/04/2025" << 60.0 << robinson << DatingProblem::ScanOutsideFirstTrimester;
    QTest::newRow("embryo J1") << 2 << "10/04/2025" << 1.0 << robinson << DatingProblem::EmbryoAgeOutOfRange;
    QTest::newRow("embryo J7") << 2 << "10/04/2025" << 7.0 << robinson << DatingProblem::EmbryoAgeOutOfRange;
    QTest::newRow("transfer leaving the years")
        << 2 << "02/01/1900" << 5.0 << robinson << DatingProblem::OutsideSupportedYears;
}

void TestConception::refusals()
{
    QFETCH(int, method);
    QFETCH(QString, date);
    QFETCH(double, value);
    QFETCH(CrlFormula, formula);
    QFETCH(DatingProblem, problem);
    const Date day = dateOf(qPrintable(date));
    const dating::Dated dated = method == 0 ? dating::datedByPeriod(day, int(value))
        : method == 1                       ? dating::datedByScan(
                                    day, value, formula, dating::PeriodDating { dateOf("01/01/2025"), 28 }, RedatePolicy::Always)
                      : dating::datedByTransfer(day, int(value));
    QCOMPARE(dated.problem, problem);
    QCOMPARE(dated.conception.has_value(), problem == DatingProblem::None);
}

// DG 15/03/2026: DR 01/03/2026.
void TestConception::converterBothWays_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("amenorrhea");
    QTest::addColumn<QString>("pregnancy");
    QTest::addColumn<int>("weeks");
    QTest::addColumn<int>("days");

    QTest::newRow("DR itself") << "01/03/2026"
                               << "0 SA + 0 j"
                               << "none" << 0 << 0;
    QTest::newRow("DG itself") << "15/03/2026"
                               << "2 SA + 0 j"
                               << "0 SG + 0 j" << 2 << 0;
    QTest::newRow("a past day") << "24/05/2026"
                                << "12 SA + 0 j"
                                << "10 SG + 0 j" << 12 << 0;
    QTest::newRow("a future day") << "08/12/2026"
                                  << "40 SA + 2 j"
                                  << "38 SG + 2 j" << 40 << 2;
    QTest::newRow("the next year") << "02/01/2027"
                                   << "43 SA + 6 j"
                                   << "41 SG + 6 j" << 43 << 6;
}

void TestConception::converterBothWays()
{
    QFETCH(QString, day);
    QFETCH(QString, amenorrhea);
    QFETCH(QString, pregnancy);
    QFETCH(int, weeks);
    QFETCH(int, days);
    const Date conception = dateOf("15/03/2026");
    const int elapsed = dating::amenorrheaDays(conception, dateOf(qPrintable(day)));
    QCOMPARE(QString::fromStdString(dating::completedWeeksText(elapsed).value_or("none")), amenorrhea);
    QCOMPARE(QString::fromStdString(dating::pregnancyWeeksText(elapsed).value_or("none")), pregnancy);
    QCOMPARE(text(dating::dateAtAmenorrhea(conception, weeks, days)), day);
    QVERIFY(!dating::completedWeeksText(dating::amenorrheaDays(conception, dateOf("28/02/2026"))));
    QVERIFY(!dating::dateAtAmenorrhea(conception, 12, 7));
}

void TestConception::lengthsAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("length"); // -1: no length

    QTest::newRow("whole") << "60" << 60.0;
    QTest::newRow("comma") << "60,5" << 60.5;
    QTest::newRow("point") << " 60.5 " << 60.5;
    QTest::newRow("two decimals") << "60,25" << -1.0;
    QTest::newRow("separator alone") << "60," << -1.0;
    QTest::newRow("no digits before") << ",5" << -1.0;
    QTest::newRow("unit") << "60 mm" << -1.0;
    QTest::newRow("empty") << "" << -1.0;
    QTest::newRow("negative") << "-6" << -1.0;
}

void TestConception::lengthsAsTyped()
{
    QFETCH(QString, typed);
    QFETCH(double, length);
    const auto read = dating::readsAsLength(typed.toStdString());
    QCOMPARE(read.value_or(-1.0), length);
    if (read)
        QCOMPARE(dating::readsAsLength(dating::lengthText(*read)), read);
}

QTEST_APPLESS_MAIN(TestConception)
#include "test_conception.moc"
