#include "dating/calendar.h"

#include <QTest>

using namespace std::chrono;
using dating::Date;

Q_DECLARE_METATYPE(Date)
Q_DECLARE_METATYPE(std::optional<Date>)
Q_DECLARE_METATYPE(dating::Interval)

namespace {

Date ymd(int y, unsigned m, unsigned d)
{
    return Date { year { y }, month { m }, day { d } };
}

QString text(const std::optional<Date> &date)
{
    return date ? QString::fromStdString(dating::shortDate(*date)) : QStringLiteral("(none)");
}

} // namespace

class TestCalendar : public QObject
{
    Q_OBJECT

private slots:
    void addition_data();
    void addition();
    void additionFromText();
    void daysBetween();
    void weeksBetween_data();
    void weeksBetween();
    void readsAsDate_data();
    void readsAsDate();
    void textForms();
    void propertiesOverManyDays();
};

void TestCalendar::addition_data()
{
    QTest::addColumn<dating::Interval>("interval");
    QTest::addColumn<int>("count");
    QTest::addColumn<Date>("from");
    QTest::addColumn<std::optional<Date>>("expected");

    using dating::Interval;
    const std::optional<Date> none;
    QTest::newRow("31 May 2025 + 9 months")
        << Interval::Month << 9 << ymd(2025, 5, 31) << std::optional(ymd(2026, 2, 28));
    QTest::newRow("31 May 2027 + 9 months, leap")
        << Interval::Month << 9 << ymd(2027, 5, 31) << std::optional(ymd(2028, 2, 29));
    QTest::newRow("31 Jan + 1 month")
        << Interval::Month << 1 << ymd(2026, 1, 31) << std::optional(ymd(2026, 2, 28));
    QTest::newRow("31 Mar - 1 month")
        << Interval::Month << -1 << ymd(2026, 3, 31) << std::optional(ymd(2026, 2, 28));
    QTest::newRow("29 Feb 2024 + 12 months")
        << Interval::Month << 12 << ymd(2024, 2, 29) << std::optional(ymd(2025, 2, 28));
    QTest::newRow("15 Dec + 1 month crosses the year")
        << Interval::Month << 1 << ymd(2026, 12, 15) << std::optional(ymd(2027, 1, 15));
    QTest::newRow("15 Jan - 13 months")
        << Interval::Month << -13 << ymd(2026, 1, 15) << std::optional(ymd(2024, 12, 15));
    QTest::newRow("31 Aug + 0 months")
        << Interval::Month << 0 << ymd(2026, 8, 31) << std::optional(ymd(2026, 8, 31));
    QTest::newRow("8 Dec - 6 weeks") << Interval::Week << -6 << ymd(2026, 12, 8)
                                     << std::optional(ymd(2026, 10, 27));
    QTest::newRow("15 Mar + 41 weeks")
        << Interval::Week << 41 << ymd(2026, 3, 15) << std::optional(ymd(2026, 12, 27));
    QTest::newRow("28 Feb 2026 + 1 day")
        << Interval::Day << 1 << ymd(2026, 2, 28) << std::optional(ymd(2026, 3, 1));
    QTest::newRow("28 Feb 2028 + 1 day, leap")
        << Interval::Day << 1 << ymd(2028, 2, 28) << std::optional(ymd(2028, 2, 29));
    QTest::newRow("1 Jan - 1 day") << Interval::Day << -1 << ymd(2026, 1, 1)
                                   << std::optional(ymd(2025, 12, 31));
    QTest::newRow("last supported day + 1 day") << Interval::Day << 1 << ymd(2199, 12, 31) << none;
    QTest::newRow("first supported day - 1 week") << Interval::Week << -1 << ymd(1900, 1, 3) << none;
    QTest::newRow("Dec 2199 + 1 month") << Interval::Month << 1 << ymd(2199, 12, 1) << none;
    QTest::newRow("huge month count") << Interval::Month << 2000000000 << ymd(2026, 1, 1) << none;
    QTest::newRow("huge day count") << Interval::Day << -2000000000 << ymd(2026, 1, 1) << none;
}

void TestCalendar::addition()
{
    QFETCH(dating::Interval, interval);
    QFETCH(int, count);
    QFETCH(Date, from);
    QFETCH(std::optional<Date>, expected);
    QCOMPARE(text(dating::add(interval, count, from)), text(expected));
}

void TestCalendar::additionFromText()
{
    using dating::Interval;
    const auto addToText = [](Interval interval, int count, const char *dateText) {
        const auto date = dating::readsAsDate(dateText);
        return date ? dating::add(interval, count, *date) : std::nullopt;
    };
    QCOMPARE(text(addToText(Interval::Month, 9, "31/05/2025")), QStringLiteral("28/02/2026"));
    QCOMPARE(text(addToText(Interval::Week, 2, "01/03/2026")), QStringLiteral("15/03/2026"));
    QCOMPARE(text(addToText(Interval::Day, -1, "1/3/2026")), QStringLiteral("28/02/2026"));
    QCOMPARE(text(addToText(Interval::Day, 1, "not a date")), QStringLiteral("(none)"));
}

void TestCalendar::daysBetween()
{
    QCOMPARE(dating::daysBetween(ymd(2026, 12, 8), ymd(2026, 12, 8)), 0);
    QCOMPARE(dating::daysBetween(ymd(2026, 11, 10), ymd(2026, 12, 8)), 28);
    QCOMPARE(dating::daysBetween(ymd(2026, 12, 15), ymd(2026, 12, 8)), -7);
    QCOMPARE(dating::daysBetween(ymd(2027, 12, 31), ymd(2028, 12, 31)), 366);
}

void TestCalendar::weeksBetween_data()
{
    QTest::addColumn<Date>("first");
    QTest::addColumn<Date>("second");
    QTest::addColumn<int>("weeks");
    QTest::newRow("Saturday to the next Sunday") << ymd(2026, 12, 5) << ymd(2026, 12, 6) << 1;
    QTest::newRow("Sunday to the next Saturday") << ymd(2026, 12, 6) << ymd(2026, 12, 12) << 0;
    QTest::newRow("Sunday back to the Sunday before") << ymd(2026, 12, 13) << ymd(2026, 12, 6) << -1;
    QTest::newRow("same day") << ymd(2026, 12, 8) << ymd(2026, 12, 8) << 0;
    QTest::newRow("Sunday to Tuesday two days on") << ymd(2026, 12, 6) << ymd(2026, 12, 8) << 0;
    QTest::newRow("Saturday to Tuesday three days on") << ymd(2026, 12, 5) << ymd(2026, 12, 8) << 1;
    QTest::newRow("28 days always hold four Sundays") << ymd(2026, 11, 10) << ymd(2026, 12, 8) << 4;
    QTest::newRow("Sunday back to Saturday") << ymd(2026, 12, 6) << ymd(2026, 12, 5) << -1;
}

void TestCalendar::weeksBetween()
{
    QFETCH(Date, first);
    QFETCH(Date, second);
    QFETCH(int, weeks);
    QCOMPARE(dating::weeksBetween(first, second), weeks);
}

void TestCalendar::readsAsDate_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    const QString none = QStringLiteral("(none)");
    QTest::newRow("short form") << "01/03/2026"
                                << "01/03/2026";
    QTest::newRow("day before month") << "12/01/2026"
                                      << "12/01/2026";
    QTest::newRow("one-digit day and month") << "1/3/2026"
                                             << "01/03/2026";
    QTest::newRow("dashes") << "01-03-2026"
                            << "01/03/2026";
    QTest::newRow("dots") << "1.3.2026"
                          << "01/03/2026";
    QTest::newRow("two-digit year") << "01/03/26"
                                    << "01/03/2026";
    QTest::newRow("surrounding spaces") << "  01/03/2026 "
                                        << "01/03/2026";
    QTest::newRow("29 Feb of a leap year") << "29/02/2028"
                                           << "29/02/2028";
    QTest::newRow("first supported year") << "01/01/1900"
                                          << "01/01/1900";
    QTest::newRow("last supported year") << "31/12/2199"
                                         << "31/12/2199";
    QTest::newRow("empty") << "" << none;
    QTest::newRow("spaces only") << "   " << none;
    QTest::newRow("letters") << "abc" << none;
    QTest::newRow("month name") << "1 mars 2026" << none;
    QTest::newRow("31 April") << "31/04/2026" << none;
    QTest::newRow("29 Feb of a common year") << "29/02/2027" << none;
    QTest::newRow("month 13") << "01/13/2026" << none;
    QTest::newRow("day 0") << "00/03/2026" << none;
    QTest::newRow("mixed separators") << "01/03-2026" << none;
    QTest::newRow("three-digit year") << "01/03/202" << none;
    QTest::newRow("five-digit year") << "01/03/20260" << none;
    QTest::newRow("three-digit day") << "001/03/2026" << none;
    QTest::newRow("trailing letter") << "01/03/2026x" << none;
    QTest::newRow("inner space") << "01/ 03/2026" << none;
    QTest::newRow("before supported years") << "31/12/1899" << none;
    QTest::newRow("after supported years") << "01/01/2200" << none;
    QTest::newRow("sign") << "+1/03/2026" << none;

    // Every text met while typing 01/03/2026 one character at a time.
    const QString typed = QStringLiteral("01/03/2026");
    for (int length = 1; length <= typed.size(); ++length) {
        const QString prefix = typed.left(length);
        QString expected = none;
        if (prefix == QLatin1String("01/03/20"))
            expected = QStringLiteral("01/03/2020");
        else if (prefix == typed)
            expected = typed;
        QTest::addRow("typing \"%s\"", qPrintable(prefix)) << prefix << expected;
    }
}

void TestCalendar::readsAsDate()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(text(dating::readsAsDate(input.toStdString())), expected);
}

void TestCalendar::textForms()
{
    const Date tuesday = ymd(2026, 12, 8);
    const dating::TimeOfDay time { 14, 5, 9 };
    QCOMPARE(QString::fromStdString(dating::shortDate(tuesday)), QStringLiteral("08/12/2026"));
    QCOMPARE(QString::fromStdString(dating::longDate(tuesday)), QStringLiteral("mardi 08 décembre 2026"));
    QCOMPARE(QString::fromStdString(dating::dayAndDate(tuesday)), QStringLiteral("mardi 08/12/2026"));
    QCOMPARE(QString::fromStdString(dating::dayAndMonth(tuesday)), QStringLiteral("08/12"));
    QCOMPARE(QString::fromStdString(dating::clockTime(time)), QStringLiteral(" à 14:05:09"));
    QCOMPARE(QString::fromStdString(dating::timeKey(time)), QStringLiteral("14:05:09"));
    QCOMPARE(QString::fromStdString(dating::timeKey({ 0, 0, 0 })), QStringLiteral("00:00:00"));
    QCOMPARE(
        QString::fromStdString(dating::longDate(ymd(2026, 8, 2))), QStringLiteral("dimanche 02 août 2026"));
    QCOMPARE(
        QString::fromStdString(dating::longDate(ymd(2026, 2, 28))), QStringLiteral("samedi 28 février 2026"));

    // Every French name, checked against Qt's own French locale.
    const QLocale french(QLocale::French);
    for (unsigned m = 1; m <= 12; ++m)
        QCOMPARE(QString::fromStdString(std::string(dating::frenchMonthName(month { m }))),
            french.standaloneMonthName(int(m), QLocale::LongFormat).toLower());
    for (unsigned d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : int(d); // Qt counts from Monday 1 to Sunday 7
        QCOMPARE(QString::fromStdString(std::string(dating::frenchDayName(weekday { d }))),
            french.dayName(qtDay, QLocale::LongFormat).toLower());
    }
}

void TestCalendar::propertiesOverManyDays()
{
    // Every day from 1902 to 2198 against independent computations.
    const sys_days first { ymd(1902, 1, 1) };
    const sys_days last { ymd(2198, 12, 31) };
    int sundaysSinceFirst = 0;
    long checked = 0;
    for (sys_days current = first; current <= last; current += days { 1 }) {
        const Date date { current };
        if (weekday { current } == Sunday && current != first)
            ++sundaysSinceFirst;

        const auto readBack = dating::readsAsDate(dating::shortDate(date));
        QVERIFY(readBack && *readBack == date);

        QCOMPARE(dating::weeksBetween(Date { first }, date), sundaysSinceFirst);
        QCOMPARE(dating::weeksBetween(date, Date { first }), -sundaysSinceFirst);

        // Month addition: same day clamped into the month reached by plain month counting.
        for (int count : { -13, -1, 1, 9, 12 }) {
            const int monthIndex = int(date.year()) * 12 + int(unsigned(date.month())) - 1 + count;
            const int y = monthIndex / 12;
            const unsigned m = unsigned(monthIndex % 12) + 1;
            unsigned lastDay = 31;
            while (!Date { year { y }, month { m }, day { lastDay } }.ok())
                --lastDay;
            const Date expected { year { y }, month { m }, day { std::min(unsigned(date.day()), lastDay) } };
            const auto actual = dating::add(dating::Interval::Month, count, date);
            QVERIFY(actual);
            QCOMPARE(text(actual), text(expected));
        }
        ++checked;
    }
    qInfo("checked %ld days", checked);
}

QTEST_GUILESS_MAIN(TestCalendar)
#include "test_calendar.moc"
