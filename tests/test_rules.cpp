#include "dating/rules.h"

#include <QRegularExpression>
#include <QTest>

using namespace std::chrono;
using dating::Date;

namespace {

Date ymd(int y, unsigned m, unsigned d)
{
    return Date { year { y }, month { m }, day { d } };
}

QString text(Date date)
{
    return QString::fromStdString(dating::shortDate(date));
}

QString text(const std::optional<Date> &date)
{
    return date ? text(*date) : QStringLiteral("(none)");
}

Date date(const char *text)
{
    return dating::readsAsDate(text).value();
}

// The rule as the window runs it on a field's text: nothing when the text is no date.
std::optional<Date> r1(const char *dateDR)
{
    const auto lastPeriod = dating::readsAsDate(dateDR);
    return lastPeriod ? dating::ruleR1(*lastPeriod) : std::nullopt;
}

std::optional<dating::R2Results> r2(const QString &dateDG, Date today)
{
    const auto conception = dating::readsAsDate(dateDG.toStdString());
    return conception ? dating::ruleR2(*conception, today) : std::nullopt;
}

QStringList starts(const dating::ScheduleDates &rows)
{
    QStringList list;
    for (const auto &row : rows)
        list << text(row.start);
    return list;
}

QStringList labelsOf(dating::ScheduleKind kind)
{
    QStringList list;
    for (const auto &row : dating::schedule(kind))
        list << QString::fromUtf8(row.label.data(), qsizetype(row.label.size()));
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
    void labelsMatchTheirCounts();
    void weeksListRow_data();
    void weeksListRow();
    void steppingAndRewriting();
};

void TestRules::r1FromLastPeriod()
{
    QCOMPARE(text(dating::ruleR1(date("01/03/2026"))), QStringLiteral("15/03/2026"));
    QCOMPARE(text(dating::ruleR1(date("20/12/2026"))), QStringLiteral("03/01/2027"));
}

void TestRules::r1WithoutDate()
{
    for (const char *text : { "", "01/03/", "01/03/202", "31/04/2026", "hello" })
        QVERIFY2(!r1(text), text);
    QVERIFY(!r1("25/12/2199")); // DG would leave the supported years
}

void TestRules::r2WorkedExample()
{
    using dating::ScheduleKind;
    const auto r = r2("15/03/2026", tuesday8December2026);
    QVERIFY(r);
    QCOMPARE(text(r->delivery), QStringLiteral("15/12/2026"));
    QCOMPARE(text(r->term), QStringLiteral("15/11/2026"));
    QCOMPARE(text(r->overdue), QStringLiteral("27/12/2026"));
    // 26 weeks of amenorrhea for "O'Sull. (26sa)", 24 weeks after DG like every other row.
    QCOMPARE(starts(r->datesOf(ScheduleKind::Biology)), QStringList({ "21/06/2026", "30/08/2026" }));
    QCOMPARE(starts(r->datesOf(ScheduleKind::Ultrasounds)),
        QStringList({ "24/05/2026", "02/08/2026", "11/10/2026" }));
    QCOMPARE(
        starts(r->datesOf(ScheduleKind::Leave)), QStringList({ "20/10/2026", "03/11/2026", "23/02/2027" }));
    const auto &visits = r->datesOf(ScheduleKind::PrenatalVisits);
    QCOMPARE(visits.size(), std::size_t(9));
    QCOMPARE(text(visits.front().start), QStringLiteral("15/03/2026"));
    QCOMPARE(text(visits.front().end), QStringLiteral("15/04/2026"));
    QCOMPARE(text(visits.back().start), QStringLiteral("15/11/2026"));
    QCOMPARE(text(visits.back().end), QStringLiteral("15/12/2026"));
    for (const ScheduleKind kind : { ScheduleKind::Biology, ScheduleKind::Ultrasounds, ScheduleKind::Leave })
        for (const auto &row : r->datesOf(kind))
            QVERIFY(!row.end);
}

void TestRules::r2MonthEndClamping()
{
    const auto may = r2("31/05/2026", tuesday8December2026);
    QVERIFY(may);
    QCOMPARE(text(may->delivery), QStringLiteral("28/02/2027"));

    // Every bound counts from DG, so a clamped February does not pull March back.
    const auto january = r2("31/01/2026", tuesday8December2026);
    QVERIFY(january);
    QStringList visits;
    for (const auto &visit : january->datesOf(dating::ScheduleKind::PrenatalVisits))
        visits << text(visit.start) + QLatin1Char('-') + text(visit.end);
    QCOMPARE(visits.at(0), QStringLiteral("31/01/2026-28/02/2026"));
    QCOMPARE(visits.at(1), QStringLiteral("28/02/2026-31/03/2026"));
    QCOMPARE(visits.at(2), QStringLiteral("31/03/2026-30/04/2026"));
    QCOMPARE(visits.at(8), QStringLiteral("30/09/2026-31/10/2026"));
    QCOMPARE(text(january->delivery), QStringLiteral("31/10/2026"));
}

void TestRules::r2Counts_data()
{
    QTest::addColumn<QString>("dateDG");
    QTest::addColumn<int>("weeks");
    QTest::addColumn<int>("days");
    QTest::newRow("Sunday before today") << "06/12/2026" << 2 << 2;
    QTest::newRow("Saturday before today") << "05/12/2026" << 3 << 3;
    QTest::newRow("today") << "08/12/2026" << 2 << 0;
    QTest::newRow("four weeks ago, the start-up default") << "10/11/2026" << 6 << 28;
    QTest::newRow("one week ahead") << "15/12/2026" << 1 << -7;
    QTest::newRow("three weeks ahead") << "29/12/2026" << -1 << -21;
    QTest::newRow("twelve weeks ago") << "15/09/2026" << 14 << 84;
}

void TestRules::r2Counts()
{
    QFETCH(QString, dateDG);
    QFETCH(int, weeks);
    QFETCH(int, days);
    const auto r = r2(dateDG, tuesday8December2026);
    QVERIFY(r);
    QCOMPARE(r->weeksOfAmenorrhea, weeks);
    QCOMPARE(r->daysOfPregnancy, days);
}

void TestRules::r2WithoutDate()
{
    for (const char *text : { "", "15/03", "15/03/2O26", "32/01/2026" })
        QVERIFY2(!r2(QString::fromLatin1(text), tuesday8December2026), text);
}

void TestRules::r2AtTheEdgeOfSupportedYears()
{
    // Leave ends 9 months + 10 weeks after DG: past 2199 there is no complete result.
    QVERIFY(r2("01/01/2199", tuesday8December2026));
    QVERIFY(!r2("01/03/2199", tuesday8December2026));
}

void TestRules::r3()
{
    const Date conception = date("15/03/2026");
    QCOMPARE(text(dating::ruleR3(12, conception)), QStringLiteral("24/05/2026"));
    QCOMPARE(text(dating::ruleR3(2, conception)), QStringLiteral("15/03/2026"));
    const auto overdue = dating::ruleR2(conception, tuesday8December2026)->overdue;
    QCOMPARE(dating::ruleR3(43, conception), std::optional(overdue));

    QVERIFY(!dating::ruleR3(1, conception));
    QVERIFY(!dating::ruleR3(44, conception));
    QVERIFY(!dating::readsAsDate("15/03/20x"));
}

void TestRules::labels()
{
    using dating::ScheduleKind;
    QCOMPARE(labelsOf(ScheduleKind::Biology), QStringList({ "HT21    (16sa)", "O'Sull. (26sa)" }));
    const QStringList visits = labelsOf(ScheduleKind::PrenatalVisits);
    QCOMPARE(visits.size(), 9);
    QCOMPARE(visits.front(), QStringLiteral(" 1° mois"));
    QCOMPARE(visits.back(), QStringLiteral(" 9° mois"));

    // Each label list pairs row for row with its date list.
    const auto r = r2("15/03/2026", tuesday8December2026);
    for (const ScheduleKind kind : dating::allSchedules)
        QCOMPARE(labelsOf(kind).size(), qsizetype(r->datesOf(kind).size()));
}

// A label says when its date falls; the row's count computes it. They must say the same thing.
void TestRules::labelsMatchTheirCounts()
{
    using dating::CountsFrom;
    using dating::Interval;
    using dating::ScheduleKind;
    const QRegularExpression weeksOfAmenorrhea(QStringLiteral("\\((\\d+)sa\\)$"));
    const QRegularExpression month(QStringLiteral("^ (\\d)° mois$"));
    const QRegularExpression leave(QStringLiteral("^(\\d+)([js]) (patho|prénat\\.|postnat\\.)$"));
    int checked = 0;
    // Leave rows before delivery follow each other: each ends where the next starts.
    std::optional<int> previousEnd;
    for (const ScheduleKind kind : dating::allSchedules) {
        for (const auto &row : dating::schedule(kind)) {
            const QString label = QString::fromUtf8(row.label.data(), qsizetype(row.label.size()));
            if (const auto m = weeksOfAmenorrhea.match(label); m.hasMatch()) {
                QCOMPARE(row.from, CountsFrom::Conception);
                QCOMPARE(row.unit, Interval::Week);
                QVERIFY2(row.count + dating::weeksFromPeriodToConception == m.captured(1).toInt(),
                    qPrintable(label));
                QCOMPARE(row.spans, 0);
            } else if (const auto m = month.match(label); m.hasMatch()) {
                QCOMPARE(row.from, CountsFrom::Conception);
                QCOMPARE(row.unit, Interval::Month);
                QVERIFY2(row.count + 1 == m.captured(1).toInt(), qPrintable(label));
                QCOMPARE(row.spans, 1);
            } else if (const auto m = leave.match(label); m.hasMatch()) {
                QCOMPARE(row.from, CountsFrom::Delivery);
                QCOMPARE(row.unit, Interval::Week);
                const int number = m.captured(1).toInt();
                // "15j" is the two weeks of pathological leave, as the law counts them.
                const int weeks = m.captured(2) == QLatin1String("s") ? number : (number + 3) / 7;
                if (m.captured(3) == QLatin1String("postnat.")) {
                    QVERIFY2(row.count == weeks, qPrintable(label));
                } else {
                    if (previousEnd)
                        QVERIFY2(*previousEnd == row.count, qPrintable(label));
                    previousEnd = row.count + weeks;
                }
            } else {
                QFAIL(qPrintable(QStringLiteral("a label that says nothing checkable: ") + label));
            }
            ++checked;
        }
    }
    QCOMPARE(previousEnd, std::optional(0)); // the leave before delivery ends on the delivery date
    QCOMPARE(checked, 17);
}

void TestRules::weeksListRow_data()
{
    QTest::addColumn<int>("weeks");
    QTest::addColumn<bool>("listed");
    QTest::newRow("6 S.A") << 6 << true;
    QTest::newRow("14 S.A") << 14 << true;
    QTest::newRow("first row") << 2 << true;
    QTest::newRow("last row") << 43 << true;
    QTest::newRow("one week") << 1 << false;
    QTest::newRow("negative") << -1 << false;
    QTest::newRow("beyond the list") << 44 << false;
}

void TestRules::weeksListRow()
{
    QFETCH(int, weeks);
    QFETCH(bool, listed);
    QCOMPARE(dating::isListedWeek(weeks), listed);
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
