#include "dating/guidance.h"
#include "fixedclock.h"

#include <QTest>

using dating::Date;
using dating::Situation;
using dating::Span;

namespace {

QString text(Date date)
{
    return QString::fromStdString(dating::shortDate(date));
}

// A span as its first and its last day, "dd/mm/yyyy-dd/mm/yyyy", as the dates were worked out.
QString days(const Span &span)
{
    return text(span.first) + QLatin1Char('-') + text(*dating::add(dating::Interval::Day, -1, span.end));
}

Date dateOf(const char *text)
{
    return dating::readsAsDate(text).value();
}

} // namespace

class TestGuidance : public QObject
{
    Q_OBJECT

private slots:
    void datesBySituation_data();
    void datesBySituation();
    void windowsFromOneConception();
    void prenatalExamsClampAtMonthEnds();
    void completedWeeks_data();
    void completedWeeks();
    void leaveRules_data();
    void leaveRules();
    void outsideTheSupportedYears();
    void everySourceIsNamed();
    void carePathway_data();
    void carePathway();
    void rsvSeason_data();
    void rsvSeason();
    void possibleBirths_data();
    void possibleBirths();
    void additionalBirthLeaveFromBirthsOf2026_data();
    void additionalBirthLeaveFromBirthsOf2026();
};

// Every expected date below was counted on a calendar by hand: DR = DG - 14 days, DPA = DG + 9
// months, 41+0 SA = DR + 287 days, 42+0 SA = DR + 294 days, leave from DPA - prenatal weeks to
// the day work resumes, DPA + postnatal weeks, the pathological leave the 14 days before.
void TestGuidance::datesBySituation_data()
{
    QTest::addColumn<QString>("conception");
    QTest::addColumn<QString>("today");
    QTest::addColumn<int>("children");
    QTest::addColumn<int>("fetuses");
    QTest::addColumn<QString>("lastPeriod");
    QTest::addColumn<QString>("delivery");
    QTest::addColumn<QString>("prolonged");
    QTest::addColumn<QString>("overdue");
    QTest::addColumn<QString>("age");
    QTest::addColumn<QString>("leave");
    QTest::addColumn<QString>("pathological");

    QTest::newRow("first child") << "15/03/2026"
                                 << "08/12/2026" << 0 << 1 << "01/03/2026"
                                 << "15/12/2026"
                                 << "13/12/2026"
                                 << "20/12/2026"
                                 << "40 SA + 2 j"
                                 << "03/11/2026-22/02/2027"
                                 << "20/10/2026-02/11/2026";
    QTest::newRow("second child") << "15/03/2026"
                                  << "08/12/2026" << 1 << 1 << "01/03/2026"
                                  << "15/12/2026"
                                  << "13/12/2026"
                                  << "20/12/2026"
                                  << "40 SA + 2 j"
                                  << "03/11/2026-22/02/2027"
                                  << "20/10/2026-02/11/2026";
    QTest::newRow("third child") << "15/03/2026"
                                 << "08/12/2026" << 2 << 1 << "01/03/2026"
                                 << "15/12/2026"
                                 << "13/12/2026"
                                 << "20/12/2026"
                                 << "40 SA + 2 j"
                                 << "20/10/2026-19/04/2027"
                                 << "06/10/2026-19/10/2026";
    QTest::newRow("twins") << "15/03/2026"
                           << "08/12/2026" << 0 << 2 << "01/03/2026"
                           << "15/12/2026"
                           << "13/12/2026"
                           << "20/12/2026"
                           << "40 SA + 2 j"
                           << "22/09/2026-17/05/2027"
                           << "08/09/2026-21/09/2026";
    QTest::newRow("twins after two children") << "15/03/2026"
                                              << "08/12/2026" << 2 << 2 << "01/03/2026"
                                              << "15/12/2026"
                                              << "13/12/2026"
                                              << "20/12/2026"
                                              << "40 SA + 2 j"
                                              << "22/09/2026-17/05/2027"
                                              << "08/09/2026-21/09/2026";
    QTest::newRow("triplets") << "15/03/2026"
                              << "08/12/2026" << 1 << 3 << "01/03/2026"
                              << "15/12/2026"
                              << "13/12/2026"
                              << "20/12/2026"
                              << "40 SA + 2 j"
                              << "30/06/2026-17/05/2027"
                              << "16/06/2026-29/06/2026";
    // 31 May + 9 months clamps to the end of February, 29 days in a leap year.
    QTest::newRow("month end") << "31/05/2026"
                               << "31/05/2026" << 0 << 1 << "17/05/2026"
                               << "28/02/2027"
                               << "28/02/2027"
                               << "07/03/2027"
                               << "2 SA + 0 j"
                               << "17/01/2027-08/05/2027"
                               << "03/01/2027-16/01/2027";
    QTest::newRow("leap year") << "31/05/2027"
                               << "29/02/2028" << 0 << 1 << "17/05/2027"
                               << "29/02/2028"
                               << "28/02/2028"
                               << "06/03/2028"
                               << "41 SA + 1 j"
                               << "18/01/2028-08/05/2028"
                               << "04/01/2028-17/01/2028";
    // DR on 29 February: DG and every count run across the leap day.
    QTest::newRow("leap day period") << "14/03/2028"
                                     << "01/03/2028" << 0 << 1 << "29/02/2028"
                                     << "14/12/2028"
                                     << "12/12/2028"
                                     << "19/12/2028"
                                     << "0 SA + 1 j"
                                     << "02/11/2028-21/02/2029"
                                     << "19/10/2028-01/11/2028";
    QTest::newRow("year end") << "20/12/2026"
                              << "01/01/2027" << 0 << 1 << "06/12/2026"
                              << "20/09/2027"
                              << "19/09/2027"
                              << "26/09/2027"
                              << "3 SA + 5 j"
                              << "09/08/2027-28/11/2027"
                              << "26/07/2027-08/08/2027";
}

void TestGuidance::datesBySituation()
{
    QFETCH(QString, conception);
    QFETCH(QString, today);
    QFETCH(int, children);
    QFETCH(int, fetuses);

    const auto g = dating::guidanceFor(
        dateOf(qPrintable(conception)), dateOf(qPrintable(today)), Situation { children, fetuses });
    QVERIFY(g);
    QTEST(text(g->lastPeriod), "lastPeriod");
    QTEST(text(g->delivery), "delivery");
    QTEST(text(g->prolongedFrom), "prolonged");
    QTEST(text(g->overdueFrom), "overdue");
    QTEST(QString::fromStdString(dating::completedWeeksText(g->daysSinceLastPeriod).value()), "age");
    QTEST(days(g->maternityLeave), "leave");
    QTEST(days(g->pathologicalLeave), "pathological");
}

void TestGuidance::windowsFromOneConception()
{
    const auto g = dating::guidanceFor(dateOf("15/03/2026"), dateOf("08/12/2026"), {});
    QVERIFY(g);
    const QStringList exams { "15/03/2026-14/06/2026", "15/06/2026-14/07/2026", "15/07/2026-14/08/2026",
        "15/08/2026-14/09/2026", "15/09/2026-14/10/2026", "15/10/2026-14/11/2026", "15/11/2026-14/12/2026" };
    for (std::size_t i = 0; i < g->prenatalExams.size(); ++i)
        QCOMPARE(days(g->prenatalExams[i]), exams[qsizetype(i)]);
    QCOMPARE(text(g->declarationLastDay), QStringLiteral("14/06/2026"));
    // 11+0 to 13+6, 20+0 to 24+6, 30+0 to 34+6 SA from DR 01/03/2026.
    QCOMPARE(days(g->ultrasounds[0]), QStringLiteral("17/05/2026-06/06/2026"));
    QCOMPARE(days(g->ultrasounds[1]), QStringLiteral("19/07/2026-22/08/2026"));
    QCOMPARE(days(g->ultrasounds[2]), QStringLiteral("27/09/2026-31/10/2026"));
    QCOMPARE(days(g->serumMarkers), QStringLiteral("07/06/2026-04/07/2026"));
    QCOMPARE(days(g->glucoseTolerance), QStringLiteral("16/08/2026-19/09/2026"));
}

void TestGuidance::prenatalExamsClampAtMonthEnds()
{
    const auto g = dating::guidanceFor(dateOf("31/01/2026"), dateOf("31/01/2026"), {});
    QVERIFY(g);
    // The first exam covers three months; every bound counts from DG, so 31 does not drift to 28.
    QCOMPARE(days(g->prenatalExams[0]), QStringLiteral("31/01/2026-29/04/2026"));
    QCOMPARE(days(g->prenatalExams[1]), QStringLiteral("30/04/2026-30/05/2026"));
    QCOMPARE(days(g->prenatalExams[2]), QStringLiteral("31/05/2026-29/06/2026"));
    QCOMPARE(days(g->prenatalExams[6]), QStringLiteral("30/09/2026-30/10/2026"));
    QCOMPARE(text(g->prenatalExams[6].end), QStringLiteral("31/10/2026"));
    QCOMPARE(g->prenatalExams[6].end, g->delivery);
    QCOMPARE(text(g->declarationLastDay), QStringLiteral("29/04/2026"));
}

void TestGuidance::completedWeeks_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the last period itself") << 0 << "0 SA + 0 j";
    QTest::newRow("13 weeks 3 days") << 94 << "13 SA + 3 j";
    QTest::newRow("a whole week") << 98 << "14 SA + 0 j";
    QTest::newRow("terme depasse") << 294 << "42 SA + 0 j";
}

void TestGuidance::completedWeeks()
{
    QFETCH(int, days);
    QTEST(QString::fromStdString(dating::completedWeeksText(days).value()), "expected");
    QVERIFY(!dating::completedWeeksText(-1));
}

void TestGuidance::leaveRules_data()
{
    QTest::addColumn<int>("children");
    QTest::addColumn<int>("fetuses");
    QTest::addColumn<int>("prenatal");
    QTest::addColumn<int>("postnatal");
    QTest::addColumn<int>("shiftable");
    QTest::addColumn<int>("extendable");
    QTest::newRow("none in care") << 0 << 1 << 6 << 10 << 3 << 0;
    QTest::newRow("one in care") << 1 << 1 << 6 << 10 << 3 << 0;
    QTest::newRow("two in care") << 2 << 1 << 8 << 18 << 3 << 2;
    QTest::newRow("five in care") << 5 << 1 << 8 << 18 << 3 << 2;
    QTest::newRow("twins") << 0 << 2 << 12 << 22 << 0 << 4;
    QTest::newRow("twins, two in care") << 2 << 2 << 12 << 22 << 0 << 4;
    QTest::newRow("triplets") << 0 << 3 << 24 << 22 << 0 << 0;
    QTest::newRow("quadruplets") << 3 << 4 << 24 << 22 << 0 << 0;
}

void TestGuidance::leaveRules()
{
    QFETCH(int, children);
    QFETCH(int, fetuses);
    const auto rule = dating::leaveRule({ children, fetuses });
    QTEST(rule.prenatalWeeks, "prenatal");
    QTEST(rule.postnatalWeeks, "postnatal");
    QTEST(rule.shiftableToPostnatalWeeks, "shiftable");
    QTEST(rule.extendablePrenatalWeeks, "extendable");
}

void TestGuidance::outsideTheSupportedYears()
{
    QVERIFY(!dating::guidanceFor(dateOf("01/06/2199"), dateOf("01/06/2199"), {}));
    QVERIFY(!dating::guidanceFor(dateOf("05/01/1900"), dateOf("05/01/1900"), {}));
    QVERIFY(dating::guidanceFor(dateOf("01/01/2198"), dateOf("01/01/2198"), { 0, 3 }));
}

void TestGuidance::everySourceIsNamed()
{
    for (int s = 0; s <= int(dating::lastSource); ++s)
        QVERIFY2(!dating::sourceText(dating::Source(s)).empty(), qPrintable(QString::number(s)));
}

// Counted by hand from DR = DG - 14 days: n SA + d j = DR + 7n + d days, a span's last day
// included; months from DG with the month end clamped; postnatal weeks from the birth, which is
// the DPA when no birth date is given. The 4th to 8th week after the birth are birth + 21 to
// birth + 55 days, the 10th to 14th birth + 63 to birth + 97; the 100 % runs to birth + 12 days.
void TestGuidance::carePathway_data()
{
    QTest::addColumn<QString>("conception");
    QTest::addColumn<QString>("birth"); // empty: the DPA
    QTest::addColumn<int>("fetuses");
    QTest::addColumn<QString>("pertussis");
    QTest::addColumn<QString>("rsv");
    QTest::addColumn<QString>("streptococcus");
    QTest::addColumn<QString>("genotyping");
    QTest::addColumn<QString>("antiD");
    QTest::addColumn<QString>("preAnaesthesia");
    QTest::addColumn<QString>("coverage");
    QTest::addColumn<QString>("interview");
    QTest::addColumn<QString>("secondInterview");
    QTest::addColumn<QString>("exam");
    QTest::addColumn<QString>("paternityFirstDays");
    QTest::addColumn<QString>("paternityWithin");
    QTest::addColumn<int>("paternityDays");

    QTest::newRow("DPA as the birth") << "15/03/2026"
                                      << "" << 1 << "19/07/2026-14/11/2026"
                                      << "11/10/2026-14/11/2026"
                                      << "25/10/2026-28/11/2026"
                                      << "17/05/2026"
                                      << "06/09/2026-20/09/2026"
                                      << "15/09/2026-14/12/2026"
                                      << "15/08/2026-27/12/2026"
                                      << "05/01/2027-08/02/2027"
                                      << "16/02/2027-22/03/2027"
                                      << "15/12/2026-08/02/2027"
                                      << "18/12/2026-21/12/2026"
                                      << "22/12/2026-14/06/2027" << 25;
    // DG on the 31st: DG + 5 months clamps to 30 June, DG + 6 months is 31 July, the DPA
    // 31 October, and six months after the birth clamp to 30 April.
    QTest::newRow("month ends") << "31/01/2026"
                                << "" << 1 << "06/06/2026-02/10/2026"
                                << "29/08/2026-02/10/2026"
                                << "12/09/2026-16/10/2026"
                                << "04/04/2026"
                                << "25/07/2026-08/08/2026"
                                << "31/07/2026-30/10/2026"
                                << "30/06/2026-12/11/2026"
                                << "21/11/2026-25/12/2026"
                                << "02/01/2027-05/02/2027"
                                << "31/10/2026-25/12/2026"
                                << "03/11/2026-06/11/2026"
                                << "07/11/2026-29/04/2027" << 25;
    // Twins born 25 days before the DPA: every postnatal date follows the birth, the pregnancy's
    // own dates do not move, and the paternity leave is 32 days.
    QTest::newRow("twins born early") << "15/03/2026"
                                      << "20/11/2026" << 2 << "19/07/2026-14/11/2026"
                                      << "11/10/2026-14/11/2026"
                                      << "25/10/2026-28/11/2026"
                                      << "17/05/2026"
                                      << "06/09/2026-20/09/2026"
                                      << "15/09/2026-14/12/2026"
                                      << "15/08/2026-02/12/2026"
                                      << "11/12/2026-14/01/2027"
                                      << "22/01/2027-25/02/2027"
                                      << "20/11/2026-14/01/2027"
                                      << "23/11/2026-26/11/2026"
                                      << "27/11/2026-19/05/2027" << 32;
    QTest::newRow("born after the DPA") << "15/03/2026"
                                        << "24/12/2026" << 1 << "19/07/2026-14/11/2026"
                                        << "11/10/2026-14/11/2026"
                                        << "25/10/2026-28/11/2026"
                                        << "17/05/2026"
                                        << "06/09/2026-20/09/2026"
                                        << "15/09/2026-14/12/2026"
                                        << "15/08/2026-05/01/2027"
                                        << "14/01/2027-17/02/2027"
                                        << "25/02/2027-31/03/2027"
                                        << "24/12/2026-17/02/2027"
                                        << "27/12/2026-30/12/2026"
                                        << "31/12/2026-23/06/2027" << 25;
    // Born at 22 SA + 0 j, before the 6th month: the full coverage starts with the birth.
    QTest::newRow("born before the 6th month") << "15/03/2026"
                                               << "02/08/2026" << 1 << "19/07/2026-14/11/2026"
                                               << "11/10/2026-14/11/2026"
                                               << "25/10/2026-28/11/2026"
                                               << "17/05/2026"
                                               << "06/09/2026-20/09/2026"
                                               << "15/09/2026-14/12/2026"
                                               << "02/08/2026-14/08/2026"
                                               << "23/08/2026-26/09/2026"
                                               << "04/10/2026-07/11/2026"
                                               << "02/08/2026-26/09/2026"
                                               << "05/08/2026-08/08/2026"
                                               << "09/08/2026-01/02/2027" << 25;
}

void TestGuidance::carePathway()
{
    QFETCH(QString, conception);
    QFETCH(QString, birth);
    QFETCH(int, fetuses);
    const std::optional<Date> born
        = birth.isEmpty() ? std::nullopt : std::optional(dateOf(qPrintable(birth)));

    const auto c = dating::carePathwayFor(dateOf(qPrintable(conception)), { 0, fetuses }, true, born);
    QVERIFY(c);
    QCOMPARE(c->birthGiven, born.has_value());
    if (born)
        QCOMPARE(c->birth, *born);
    else
        QCOMPARE(c->birth, dating::add(dating::Interval::Month, 9, dateOf(qPrintable(conception))).value());
    QTEST(days(c->pertussisVaccine), "pertussis");
    QTEST(days(c->rsvVaccine), "rsv");
    QTEST(days(c->streptococcusB), "streptococcus");
    QTEST(text(c->rhdGenotypingFrom), "genotyping");
    QTEST(days(c->antiD), "antiD");
    QTEST(days(c->preAnaesthesia), "preAnaesthesia");
    QTEST(days(c->fullCoverage), "coverage");
    QTEST(days(c->postnatalInterview), "interview");
    QTEST(days(c->secondPostnatalInterview), "secondInterview");
    QTEST(days(c->postnatalExam), "exam");
    QTEST(days(c->paternityFirstDays), "paternityFirstDays");
    QTEST(days(c->paternityWithin), "paternityWithin");
    QTEST(c->paternityDays, "paternityDays");
    QCOMPARE(c->paternityLaterDays, c->paternityDays - 4);
    // The 3 days of birth leave come first, from the birth, and the 4 days follow at once.
    QCOMPARE(c->birthLeave.first, c->birth);
    QCOMPARE(c->birthLeave.end, c->paternityFirstDays.first);
}

void TestGuidance::rsvSeason_data()
{
    QTest::addColumn<QString>("conception");
    QTest::addColumn<QString>("inSeason"); // empty: none of the window
    QTest::newRow("all of it in autumn") << "15/03/2026"
                                         << "11/10/2026-14/11/2026";
    QTest::newRow("from 1 September") << "31/01/2026"
                                      << "01/09/2026-02/10/2026";
    QTest::newRow("to 31 January") << "15/06/2025"
                                   << "11/01/2026-31/01/2026";
    QTest::newRow("across the new year") << "01/06/2025"
                                         << "28/12/2025-31/01/2026";
    QTest::newRow("in spring, none") << "15/07/2025"
                                     << "";
}

void TestGuidance::rsvSeason()
{
    QFETCH(QString, conception);
    QFETCH(QString, inSeason);
    const auto c = dating::carePathwayFor(dateOf(qPrintable(conception)), {}, false, std::nullopt);
    QVERIFY(c);
    QCOMPARE(c->rsvInSeason ? days(*c->rsvInSeason) : QString(), inSeason);
}

void TestGuidance::possibleBirths_data()
{
    QTest::addColumn<QString>("birth");
    QTest::addColumn<bool>("possible");
    // DG 15/03/2026: DR 01/03/2026, 45 SA + 0 j on 10/01/2027.
    QTest::newRow("the day before DG") << "14/03/2026" << false;
    QTest::newRow("DG itself") << "15/03/2026" << true;
    QTest::newRow("45 SA + 0 j") << "10/01/2027" << true;
    QTest::newRow("45 SA + 1 j") << "11/01/2027" << false;
}

void TestGuidance::possibleBirths()
{
    QFETCH(QString, birth);
    QFETCH(bool, possible);
    const Date conception = dateOf("15/03/2026");
    QCOMPARE(dating::isPossibleBirth(conception, dateOf(qPrintable(birth))), possible);
    QCOMPARE(dating::carePathwayFor(conception, {}, false, dateOf(qPrintable(birth))).has_value(), possible);
}

void TestGuidance::additionalBirthLeaveFromBirthsOf2026_data()
{
    QTest::addColumn<QString>("conception");
    QTest::addColumn<QString>("birth");
    QTest::addColumn<bool>("applies");
    // DG 15/03/2025 gives the DPA 15/12/2025; DG 01/04/2025 the DPA 01/01/2026.
    QTest::newRow("due and born in 2025") << "15/03/2025"
                                          << "" << false;
    QTest::newRow("due in 2025, born on 1 January 2026") << "15/03/2025"
                                                         << "01/01/2026" << true;
    QTest::newRow("due on 1 January 2026, born in 2025") << "01/04/2025"
                                                         << "28/12/2025" << true;
    QTest::newRow("due on 31 December 2025") << "31/03/2025"
                                             << "" << false;
}

void TestGuidance::additionalBirthLeaveFromBirthsOf2026()
{
    QFETCH(QString, conception);
    QFETCH(QString, birth);
    const std::optional<Date> born
        = birth.isEmpty() ? std::nullopt : std::optional(dateOf(qPrintable(birth)));
    const auto c = dating::carePathwayFor(dateOf(qPrintable(conception)), {}, false, born);
    QVERIFY(c);
    QTEST(c->additionalBirthLeaveApplies, "applies");
}

QTEST_APPLESS_MAIN(TestGuidance)
#include "test_guidance.moc"
