#include "dating/rules.h"
#include "sheet/sheet.h"

#include <QRegularExpression>
#include <QTest>

#include <libical/ical.h>

#include <map>
#include <memory>

using dating::Date;

namespace {

Date dateOf(const QString &text)
{
    return dating::readsAsDate(text.toStdString()).value();
}

std::optional<Date> optionalDate(const QString &text)
{
    return text.isEmpty() ? std::nullopt : std::optional(dateOf(text));
}

// DR 01/03/2026: DG 15/03/2026, DPA 15/12/2026.
sheet::Sheet sheetFor(int children, int fetuses, bool rhesusNegative, const QString &birth,
    const QString &today = QStringLiteral("08/12/2026"))
{
    const sheet::Request request { dateOf(QStringLiteral("15/03/2026")),
        dating::PeriodDating { dateOf(QStringLiteral("01/03/2026")) }, dateOf(today), { children, fetuses },
        {}, rhesusNegative, optionalDate(birth) };
    return sheet::makeSheet(request).value();
}

QString rectText(const QRect &rect)
{
    return QStringLiteral("(%1,%2 %3x%4)").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

const sheet::Line *lineLabelled(const sheet::Sheet &sheet, const QString &label)
{
    for (const auto &section : sheet.sections) {
        for (const auto &line : section.lines) {
            if (line.label.startsWith(label))
                return &line;
        }
    }
    return nullptr;
}

struct ComponentFree
{
    void operator()(icalcomponent *component) const { icalcomponent_free(component); }
};

QString icalDate(icaltimetype time)
{
    return QStringLiteral("%1/%2/%3")
        .arg(time.day, 2, 10, QLatin1Char('0'))
        .arg(time.month, 2, 10, QLatin1Char('0'))
        .arg(time.year);
}

struct ReadEvent
{
    QString start;
    QString end; // DTEND, the first day after the event
    bool allDay = false;
    QString description;
};

// The events of an export read back by libical's parser, by the key their UID starts with.
std::map<QString, ReadEvent> readBack(const QByteArray &ics)
{
    std::map<QString, ReadEvent> events;
    std::unique_ptr<icalcomponent, ComponentFree> calendar(icalparser_parse_string(ics.constData()));
    if (!calendar)
        return events;
    for (icalcomponent *event = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
         event; event = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
        const QString uid = QString::fromUtf8(icalcomponent_get_uid(event));
        const icaltimetype start = icalcomponent_get_dtstart(event);
        const icaltimetype end = icalcomponent_get_dtend(event);
        const char *description = icalcomponent_get_description(event);
        events[uid.section(QStringLiteral("-15032026"), 0, 0)] = { icalDate(start), icalDate(end),
            start.is_date && end.is_date, description ? QString::fromUtf8(description) : QString() };
    }
    return events;
}

} // namespace

class TestSheet : public QObject
{
    Q_OBJECT

private slots:
    void timelineTextsAreWhole_data();
    void timelineTextsAreWhole();
    void linesFollowTheBirthDate_data();
    void linesFollowTheBirthDate();
    void antiDOnlyWhenRhesusNegative();
    void calendarExportCarriesThePathway_data();
    void calendarExportCarriesThePathway();
    void windowDatesQuotedFromItsRules_data();
    void windowDatesQuotedFromItsRules();
    void datingNamesItsMethod_data();
    void datingNamesItsMethod();
    void refusalsAreWorded();
};

void TestSheet::timelineTextsAreWhole_data()
{
    QTest::addColumn<int>("children");
    QTest::addColumn<int>("fetuses");
    QTest::addColumn<bool>("rhesusNegative");
    QTest::addColumn<QString>("birth");
    QTest::addColumn<QString>("today");
    QTest::newRow("one fetus") << 0 << 1 << false << ""
                               << "08/12/2026";
    QTest::newRow("twins") << 0 << 2 << false << ""
                           << "08/12/2026";
    QTest::newRow("triplets") << 1 << 3 << false << ""
                              << "08/12/2026";
    QTest::newRow("third child, rhesus negative") << 2 << 1 << true << ""
                                                  << "08/12/2026";
    QTest::newRow("twins born early, rhesus negative") << 0 << 2 << true << "20/11/2026"
                                                       << "21/11/2026";
    QTest::newRow("born at 45 SA") << 0 << 1 << true << "10/01/2027"
                                   << "12/01/2027";
    QTest::newRow("born at 22 SA") << 0 << 1 << true << "02/08/2026"
                                   << "03/08/2026";
    QTest::newRow("today at the last period") << 0 << 1 << false << ""
                                              << "01/03/2026";
}

// Every text the picture draws lies inside the picture, in a rectangle large enough for it, and
// no text covers another: so none is cut or hidden, whatever the situation.
void TestSheet::timelineTextsAreWhole()
{
    QFETCH(int, children);
    QFETCH(int, fetuses);
    QFETCH(bool, rhesusNegative);
    QFETCH(QString, birth);
    QFETCH(QString, today);
    const auto sheet = sheetFor(children, fetuses, rhesusNegative, birth, today);
    const QRect picture(QPoint(0, 0), sheet::timelineSize(sheet));
    QCOMPARE(sheet::timelinePicture(sheet).size(), picture.size());

    const auto texts = sheet::timelineTexts(sheet);
    QCOMPARE(qsizetype(texts.size()),
        qsizetype(sheet.timelineRows.size() + sheet.bars.size() + sheet.marks.size())
            + qsizetype(1 + dating::daysBetween(sheet.timelineDays.first, sheet.timelineDays.end) / 28));
    for (const auto &text : texts) {
        const QSize needed = sheet::timelineTextSize(text.text);
        QVERIFY2(picture.contains(text.rect), qPrintable(text.text + rectText(text.rect)));
        QVERIFY2(text.rect.width() >= needed.width() && text.rect.height() >= needed.height(),
            qPrintable(text.text + rectText(text.rect)));
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
            QVERIFY2(!texts[i].rect.intersects(texts[j].rect),
                qPrintable(texts[i].text + rectText(texts[i].rect) + " / " + texts[j].text
                    + rectText(texts[j].rect)));
        }
    }
}

void TestSheet::linesFollowTheBirthDate_data()
{
    QTest::addColumn<int>("fetuses");
    QTest::addColumn<QString>("birth");
    QTest::addColumn<QString>("delivery");
    QTest::addColumn<QString>("exam");
    QTest::addColumn<QString>("paternity");
    QTest::newRow("no birth date: the DPA")
        << 1 << ""
        << "à la DPA, le 15/12/2026 ; les dates après la naissance en partent tant que la date "
           "d'accouchement n'est pas donnée"
        << "du 15/12/2026 au 08/02/2027"
        << "4 jours juste après le congé de naissance, au plus tôt du 18/12/2026 au 21/12/2026 ; les 21 "
           "autres "
           "jours jusqu'au 14/06/2027 (6 mois après la naissance), en une ou deux fois";
    QTest::newRow("twins born early")
        << 2 << "20/11/2026"
        << "vendredi 20 novembre 2026 (37 SA + 5 j)"
        << "du 20/11/2026 au 14/01/2027"
        << "4 jours juste après le congé de naissance, au plus tôt du 23/11/2026 au 26/11/2026 ; les 28 "
           "autres "
           "jours jusqu'au 19/05/2027 (6 mois après la naissance), en une ou deux fois";
    QTest::newRow("born after the DPA")
        << 1 << "24/12/2026"
        << "jeudi 24 décembre 2026 (42 SA + 4 j)"
        << "du 24/12/2026 au 17/02/2027"
        << "4 jours juste après le congé de naissance, au plus tôt du 27/12/2026 au 30/12/2026 ; les 21 "
           "autres "
           "jours jusqu'au 23/06/2027 (6 mois après la naissance), en une ou deux fois";
}

void TestSheet::linesFollowTheBirthDate()
{
    QFETCH(int, fetuses);
    QFETCH(QString, birth);
    const auto sheet = sheetFor(0, fetuses, false, birth);
    const auto *delivery = lineLabelled(sheet, birth.isEmpty() ? "Naissance attendue" : "Accouchement le");
    QVERIFY(delivery);
    QTEST(delivery->value, "delivery");
    const auto *exam = lineLabelled(sheet, "Examen postnatal");
    QVERIFY(exam);
    QTEST(exam->value, "exam");
    const auto *paternity = lineLabelled(sheet, "Congé de paternité");
    QVERIFY(paternity);
    QTEST(paternity->value, "paternity");
    QCOMPARE(paternity->label.contains(fetuses > 1 ? "(32 jours)" : "(25 jours)"), true);
    // The pregnancy's own dates do not move with the birth.
    QCOMPARE(lineLabelled(sheet, "Consultation pré-anesthésique")->value,
        QStringLiteral("du 15/09/2026 au 14/12/2026, plusieurs jours avant l'accouchement"));
    QVERIFY(sheet::toText(sheet).contains(delivery->value));
}

void TestSheet::antiDOnlyWhenRhesusNegative()
{
    const auto negative = sheetFor(0, 1, true, {});
    QCOMPARE(lineLabelled(negative, "Rhésus négatif : génotypage")->value,
        QStringLiteral("à partir du 17/05/2026 (11 SA + 0 j), si le conjoint est RhD positif ou inconnu"));
    QCOMPARE(lineLabelled(negative, "Rhésus négatif : prophylaxie anti-D")->value,
        QStringLiteral("du 06/09/2026 au 20/09/2026, si le fœtus est RhD positif ou indéterminé"));
    QVERIFY(!lineLabelled(negative, "Prophylaxie anti-D"));

    const auto unknown = sheetFor(0, 1, false, {});
    QVERIFY(!lineLabelled(unknown, "Rhésus négatif"));
    QVERIFY(lineLabelled(unknown, "Prophylaxie anti-D")
                ->value.contains("seulement si la mère est Rhésus négatif"));
}

void TestSheet::calendarExportCarriesThePathway_data()
{
    QTest::addColumn<bool>("rhesusNegative");
    QTest::addColumn<QString>("birth");
    QTest::addColumn<QStringList>("expected"); // key, first day, DTEND (the day after)
    QTest::addColumn<QStringList>("absent");

    // Twins born on 20/11/2026, the mother rhesus negative; dates as in the guidance test.
    QTest::newRow("twins born early, rhesus negative")
        << true << "20/11/2026"
        << QStringList { "coqueluche 19/07/2026 15/11/2026", "vrs 11/10/2026 15/11/2026",
               "streptocoque-b 25/10/2026 29/11/2026", "genotypage-rhd 17/05/2026 18/05/2026",
               "anti-d 06/09/2026 21/09/2026", "consultation-preanesthesique 15/09/2026 15/12/2026",
               "prise-en-charge-100 15/08/2026 03/12/2026", "accouchement 20/11/2026 21/11/2026",
               "examen-postnatal 20/11/2026 15/01/2027", "entretien-postnatal 11/12/2026 15/01/2027",
               "entretien-postnatal-2 22/01/2027 26/02/2027", "conge-naissance 20/11/2026 23/11/2026",
               "conge-paternite-4-jours 23/11/2026 27/11/2026", "conge-paternite 27/11/2026 20/05/2027",
               "dpa 15/12/2026 16/12/2026" }
        << QStringList {};
    QTest::newRow("no birth date, rhesus not given")
        << false << ""
        << QStringList { "examen-postnatal 15/12/2026 09/02/2027", "conge-paternite 22/12/2026 15/06/2027",
               "prise-en-charge-100 15/08/2026 28/12/2026" }
        << QStringList { "genotypage-rhd", "anti-d", "accouchement" };
}

void TestSheet::calendarExportCarriesThePathway()
{
    QFETCH(bool, rhesusNegative);
    QFETCH(QString, birth);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, absent);
    const auto sheet = sheetFor(0, 2, rhesusNegative, birth);
    const auto events = readBack(sheet::toICalendar(sheet, dateOf(QStringLiteral("08/12/2026"))));
    QCOMPARE(events.size(), sheet.events.size());
    for (const auto &row : expected) {
        const QStringList parts = row.split(QLatin1Char(' '));
        const auto found = events.find(parts[0]);
        QVERIFY2(found != events.end(), qPrintable(parts[0]));
        QVERIFY2(found->second.allDay, qPrintable(parts[0]));
        QCOMPARE(found->second.start + " " + found->second.end, parts[1] + " " + parts[2]);
    }
    for (const auto &key : absent)
        QVERIFY2(events.find(key) == events.end(), qPrintable(key));
    // Every event names its window and its source, but the birth itself, which has neither.
    for (const auto &[key, event] : events) {
        if (key == QLatin1String("accouchement"))
            continue;
        QVERIFY2(event.description.startsWith(QStringLiteral("Fenêtre : ")), qPrintable(key));
        QVERIFY2(event.description.contains(QStringLiteral("\nSource : ")), qPrintable(key));
    }
}

// Every date the "fenêtre" lines quote is one the window's rules give for the same pregnancy.
void TestSheet::windowDatesQuotedFromItsRules_data()
{
    QTest::addColumn<QString>("conception");
    QTest::addColumn<QString>("today");
    QTest::newRow("DG 15/03/2026") << "15/03/2026"
                                   << "08/12/2026";
    QTest::newRow("DG on a Saturday") << "05/12/2026"
                                      << "08/12/2026";
    QTest::newRow("DG at a month end") << "31/01/2026"
                                       << "29/02/2028";
}

void TestSheet::windowDatesQuotedFromItsRules()
{
    QFETCH(QString, conception);
    QFETCH(QString, today);
    const sheet::Request request { dateOf(conception), dating::EnteredDating {}, dateOf(today), {}, {}, false,
        std::nullopt };
    const auto made = sheet::makeSheet(request);
    QVERIFY(made);
    const auto window = dating::ruleR2(dateOf(conception), dateOf(today));
    QVERIFY(window);
    QStringList windowDates { QString::fromStdString(dating::shortDate(window->overdue)),
        QString::fromStdString(dating::shortDate(window->term)),
        QString::fromStdString(dating::shortDate(window->delivery)) };
    for (const auto &dates : window->schedules)
        for (const auto &row : dates)
            windowDates << QString::fromStdString(dating::shortDate(row.start));
    const QRegularExpression date(QStringLiteral("la fenêtre [^;]*?(\\d\\d/\\d\\d/\\d{4})"));
    int quoted = 0;
    for (const auto &line : made->differences.lines) {
        for (auto match = date.globalMatch(line.value); match.hasNext();) {
            const QString day = match.next().captured(1);
            QVERIFY2(windowDates.contains(day), qPrintable(line.label + QStringLiteral(": ") + day));
            ++quoted;
        }
        if (line.label == QStringLiteral("Semaines d'aménorrhée"))
            QVERIFY(line.value.contains(QStringLiteral("« %1 S.A »").arg(window->weeksOfAmenorrhea)));
    }
    QCOMPARE(quoted, 2); // the overdue date and the O'Sullivan test
    const auto &biology = window->datesOf(dating::ScheduleKind::Biology);
    QVERIFY(sheet::toText(*made).contains(
        QStringLiteral("test de O'Sullivan le %1")
            .arg(QString::fromStdString(dating::shortDate(biology.at(dating::glucoseTestRow).start)))));
}

void TestSheet::datingNamesItsMethod_data()
{
    QTest::addColumn<int>("method"); // 0 scan with DR, 1 DR kept, 2 transfer, 3 cycle, 4 entered
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("summary");

    QTest::newRow("scan")
        << 0
        << "07/01/2025, fixé par l'échographie du 20/03/2025 (LCC 60 mm, 12 SA + 2 j, Robinson "
           "1975) ; les DR du 01/01/2025 donnaient le 15/01/2025 (écart + 8 j)"
        << "DDR 01/01/2025 — DG 07/01/2025 (datation : écho T1, LCC 60 mm, 12 SA + 2 j le "
           "20/03/2025) — DPA 07/10/2025 — le 20/03/2025 : 12 SA + 2 j — grossesse unique";
    QTest::newRow("DR kept")
        << 1
        << "15/01/2025, fixé par les dernières règles du 01/01/2025 (DG = DR + 14 jours) ; "
           "l'échographie du 20/03/2025 (LCC 58 mm, 12 SA + 1 j, Robinson 1975) donnait le "
           "08/01/2025 (écart + 7 j, qui ne dépasse pas 7 jours)"
        << "DDR 01/01/2025 — DG 15/01/2025";
    QTest::newRow("transfer")
        << 2
        << "05/04/2025, fixé par le transfert du 10/04/2025 d'un embryon de 5 jours (DG = "
           "transfert − 5 jours)"
        << "DG 05/04/2025 (datation : AMP, transfert J5 le 10/04/2025) — DPA 05/01/2026";
    QTest::newRow("cycle")
        << 3
        << "22/03/2026, fixé par les dernières règles du 01/03/2026 et un cycle de 35 jours (DG "
           "= DR + 21 jours)"
        << "DDR 01/03/2026 — DG 22/03/2026 (datation : DDR, cycle de 35 j) — DPA 22/12/2026";
    QTest::newRow("entered") << 4 << "20/03/2026, saisi directement"
                             << "DG 20/03/2026 (datation : DG saisi) — DPA 20/12/2026";
}

void TestSheet::datingNamesItsMethod()
{
    QFETCH(int, method);
    QFETCH(QString, line);
    QFETCH(QString, summary);
    const std::optional<dating::PeriodDating> period { { dateOf(QStringLiteral("01/01/2025")) } };
    const dating::Dated dated = method == 0 ? dating::datedByScan(dateOf(QStringLiteral("20/03/2025")), 60,
                                    dating::CrlFormula::Robinson1975, period, dating::RedatePolicy::Always)
        : method == 1                       ? dating::datedByScan(dateOf(QStringLiteral("20/03/2025")), 58,
                                    dating::CrlFormula::Robinson1975, period, dating::RedatePolicy::GapOver7)
        : method == 2                       ? dating::datedByTransfer(dateOf(QStringLiteral("10/04/2025")), 5)
        : method == 3                       ? dating::datedByPeriod(dateOf(QStringLiteral("01/03/2026")), 35)
                      : dating::Dated { dateOf(QStringLiteral("20/03/2026")), dating::EnteredDating {} };
    QVERIFY(dated.conception);
    const sheet::Request request { *dated.conception, dated.dating, dateOf(QStringLiteral("20/03/2025")), {},
        {}, false, std::nullopt };
    const auto made = sheet::makeSheet(request);
    QVERIFY(made);
    const auto *dg = lineLabelled(*made, QStringLiteral("Début de grossesse (DG)"));
    QVERIFY(dg);
    QCOMPARE(dg->value, line);
    QVERIFY2(sheet::toSummary(*made).startsWith(summary), qPrintable(sheet::toSummary(*made)));
    // Its source is on the sheet, but for a date entered as such, which has none.
    QCOMPARE(dg->note > 0, method != 4);
}

void TestSheet::refusalsAreWorded()
{
    const sheet::Request outside { dateOf(QStringLiteral("01/06/2199")), dating::EnteredDating {},
        dateOf(QStringLiteral("08/12/2026")), {}, {}, false, std::nullopt };
    QCOMPARE(sheet::refusalOf(outside), sheet::Refusal::OutsideSupportedYears);
    QVERIFY(!sheet::makeSheet(outside));
    QCOMPARE(sheet::refusalText(sheet::refusalOf(outside), outside),
        QStringLiteral("le début de grossesse du 01/06/2199 donne des dates hors des années prises en charge "
                       "(1900 à 2199)"));
    const sheet::Request early { dateOf(QStringLiteral("15/03/2026")), dating::EnteredDating {},
        dateOf(QStringLiteral("08/12/2026")), {}, {}, false, dateOf(QStringLiteral("14/03/2026")) };
    QCOMPARE(sheet::refusalOf(early), sheet::Refusal::BirthNotPossible);
    QVERIFY(!sheet::makeSheet(early));
}

QTEST_MAIN(TestSheet)
#include "test_sheet.moc"
