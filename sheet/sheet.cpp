#include "sheet.h"

#include "dating/rules.h"
#include "formkit/conversions.h"

#include <algorithm>
#include <map>

namespace sheet {

namespace {

using dating::Date;
using dating::Source;
using dating::Span;

using formkit::toQString;

QString shortDate(Date date)
{
    return formkit::shortText(date);
}

QString longDate(Date date)
{
    return formkit::longText(date);
}

Date lastDayOf(const Span &span)
{
    return *dating::add(dating::Interval::Day, -1, span.end);
}

QString spanText(const Span &span)
{
    return QStringLiteral("du %1 au %2").arg(shortDate(span.first), shortDate(lastDayOf(span)));
}

Span oneDay(Date day)
{
    return { day, *dating::add(dating::Interval::Day, 1, day) };
}

QString ordinal(int n)
{
    return n == 1 ? QStringLiteral("1er") : QStringLiteral("%1e").arg(n);
}

QString childrenText(int children)
{
    switch (children) {
    case 0:
        return QStringLiteral("aucun enfant déjà à charge");
    case 1:
        return QStringLiteral("1 enfant déjà à charge");
    default:
        return QStringLiteral("2 enfants ou plus déjà à charge");
    }
}

QString fetusesText(int fetuses)
{
    switch (fetuses) {
    case 1:
        return QStringLiteral("1 fœtus");
    case 2:
        return QStringLiteral("2 fœtus (jumeaux)");
    default:
        return QStringLiteral("3 fœtus ou plus");
    }
}

// Numbers the sources in the order the sheet first cites them.
class Notes
{
public:
    int operator()(Source source)
    {
        const auto found = m_numbers.find(source);
        if (found != m_numbers.end())
            return found->second;
        m_texts.push_back(toQString(dating::sourceText(source)));
        return m_numbers[source] = int(m_texts.size());
    }
    std::vector<QString> texts() const { return m_texts; }

private:
    std::map<Source, int> m_numbers;
    std::vector<QString> m_texts;
};

QString periodText(const dating::PeriodDating &period)
{
    const int shift = period.cycleDays - dating::daysFromLastPeriodToConception;
    if (period.cycleDays == dating::usualCycle)
        return QStringLiteral("les dernières règles du %1 (DG = DR + %2 jours)")
            .arg(shortDate(period.lastPeriod))
            .arg(shift);
    return QStringLiteral("les dernières règles du %1 et un cycle de %2 jours (DG = DR + %3 jours)")
        .arg(shortDate(period.lastPeriod))
        .arg(period.cycleDays)
        .arg(shift);
}

QString scanText(const dating::ScanDating &scan)
{
    return QStringLiteral("l'échographie du %1 (LCC %2 mm, %3, %4)")
        .arg(shortDate(scan.scan), toQString(dating::lengthText(scan.crlMillimetres)),
            toQString(dating::completedWeeksText(scan.completedDays).value_or("")),
            toQString(dating::crlFormulaName(scan.formula)));
}

// What the scan's policy made of the gap, when it was not "always".
QString verdictText(const dating::ScanDating &scan)
{
    if (scan.policy == dating::RedatePolicy::Always)
        return {};
    const int threshold = dating::redateThreshold(scan.policy);
    return scan.scanRetained ? QStringLiteral(", qui dépasse %1 jours").arg(threshold)
                             : QStringLiteral(", qui ne dépasse pas %1 jours").arg(threshold);
}

QString datingSentence(const dating::ScanDating &scan)
{
    if (!scan.period)
        return QStringLiteral("fixé par %1").arg(scanText(scan));
    const QString gap
        = QStringLiteral("écart %1%2").arg(toQString(dating::gapText(scan.gapDays)), verdictText(scan));
    if (scan.scanRetained) {
        return QStringLiteral("fixé par %1 ; les DR du %2 donnaient le %3 (%4)")
            .arg(
                scanText(scan), shortDate(scan.period->lastPeriod), shortDate(*scan.conceptionByPeriod), gap);
    }
    return QStringLiteral("fixé par %1 ; %2 donnait le %3 (%4)")
        .arg(periodText(*scan.period), scanText(scan), shortDate(scan.conceptionByScan), gap);
}

struct DatingLine
{
    QString text;
    std::optional<Source> source;
};

DatingLine datingLine(const dating::ConceptionDating &dating)
{
    struct Visitor
    {
        DatingLine operator()(const dating::EnteredDating &) const
        {
            return { QStringLiteral("saisi directement"), std::nullopt };
        }
        DatingLine operator()(const dating::PeriodDating &p) const
        {
            return { QStringLiteral("fixé par %1").arg(periodText(p)),
                p.cycleDays == dating::usualCycle ? std::nullopt : std::optional(Source::CycleLength) };
        }
        DatingLine operator()(const dating::ScanDating &s) const
        {
            const Source formula = s.formula == dating::CrlFormula::Robinson1975
                ? Source::ScanDatingRobinson
                : Source::ScanDatingIntergrowth;
            return { datingSentence(s), formula };
        }
        DatingLine operator()(const dating::RetrievalDating &r) const
        {
            return { QStringLiteral("fixé par la ponction ou l'insémination du %1 (assistance médicale à la "
                                    "procréation)")
                         .arg(shortDate(r.retrievalOrInsemination)),
                Source::AssistedReproduction };
        }
        DatingLine operator()(const dating::TransferDating &t) const
        {
            return { QStringLiteral(
                         "fixé par le transfert du %1 d'un embryon de %2 jours (DG = transfert − %2 "
                         "jours)")
                         .arg(shortDate(t.transfer))
                         .arg(t.embryoAgeDays),
                Source::AssistedReproduction };
        }
    };
    return std::visit(Visitor {}, dating);
}

// Where the DR the weeks count from comes from.
QString lastPeriodOrigin(const dating::ConceptionDating &dating)
{
    if (const auto *period = std::get_if<dating::PeriodDating>(&dating);
        period && period->cycleDays == dating::usualCycle)
        return QStringLiteral("date saisie ; DG = DR + 14 jours");
    if (std::holds_alternative<dating::EnteredDating>(dating))
        return QStringLiteral("déduite : DG a été saisi directement, DR = DG − 14 jours");
    return QStringLiteral("DG − 14 jours, d'où se comptent les semaines d'aménorrhée");
}

Section dating(const Request &request, const dating::Guidance &g, Notes &note)
{
    Section s { QStringLiteral("Datation"), {} };
    s.lines.push_back({ QStringLiteral("Dernières règles (DR)"),
        QStringLiteral("%1 (%2)").arg(shortDate(g.lastPeriod), lastPeriodOrigin(request.dating)),
        note(Source::CompletedWeeks) });
    const DatingLine how = datingLine(request.dating);
    s.lines.push_back({ QStringLiteral("Début de grossesse (DG)"),
        QStringLiteral("%1, %2").arg(shortDate(g.conception), how.text),
        how.source ? note(*how.source) : 0 });
    if (const auto *scan = std::get_if<dating::ScanDating>(&request.dating);
        scan && scan->policy != dating::RedatePolicy::Always && scan->period)
        s.lines.push_back({ QStringLiteral("Recalage du terme"),
            QStringLiteral("si l'écart dépasse %1 jours").arg(dating::redateThreshold(scan->policy)),
            note(Source::ScanRedating) });
    s.lines.push_back({ QStringLiteral("Date présumée de l'accouchement (DPA)"),
        QStringLiteral("%1 (DG + 9 mois)").arg(longDate(g.delivery)), note(Source::DeliveryDate) });
    const auto age = dating::completedWeeksText(g.daysSinceLastPeriod);
    s.lines.push_back({ QStringLiteral("Âge gestationnel le %1").arg(shortDate(request.today)),
        age ? toQString(*age) : QStringLiteral("date antérieure aux dernières règles"),
        note(Source::CompletedWeeks) });
    s.lines.push_back({ QStringLiteral("Terme prolongé (41 SA + 0 j)"),
        QStringLiteral("à partir du %1").arg(longDate(g.prolongedFrom)), note(Source::ProlongedPregnancy) });
    s.lines.push_back({ QStringLiteral("Terme dépassé (42 SA + 0 j)"),
        QStringLiteral("à partir du %1").arg(longDate(g.overdueFrom)), note(Source::ProlongedPregnancy) });
    return s;
}

const QString ultrasoundWindows[] = { QStringLiteral("11 SA + 0 à 13 SA + 6 j"),
    QStringLiteral("20 SA + 0 à 24 SA + 6 j"), QStringLiteral("30 SA + 0 à 34 SA + 6 j") };
const QString glucoseWindow = QStringLiteral("24 SA + 0 à 28 SA + 6 j");

Section followUp(const dating::Guidance &g, Notes &note)
{
    Section s { QStringLiteral("Examens prénataux obligatoires"), {} };
    const int exams = note(Source::PrenatalExams);
    s.lines.push_back(
        { QStringLiteral("1er examen (avant la fin du 3e mois)"), spanText(g.prenatalExams[0]), exams });
    for (std::size_t i = 1; i < g.prenatalExams.size(); ++i) {
        const int n = int(i) + 1;
        s.lines.push_back({ QStringLiteral("%1 examen (%2 mois)").arg(ordinal(n), ordinal(n + 2)),
            spanText(g.prenatalExams[i]), exams });
    }
    s.lines.push_back({ QStringLiteral("Déclaration de grossesse"),
        QStringLiteral("au plus tard le %1").arg(shortDate(g.declarationLastDay)),
        note(Source::PregnancyDeclaration) });
    s.lines.push_back({ QStringLiteral("Entretien prénatal précoce (obligatoire)"),
        QStringLiteral("dès la déclaration de grossesse"), note(Source::EarlyInterview) });
    return s;
}

Section screening(const dating::Guidance &g, Notes &note)
{
    Section s { QStringLiteral("Échographies et dépistages"), {} };
    const int ultrasounds = note(Source::Ultrasounds);
    for (std::size_t i = 0; i < g.ultrasounds.size(); ++i) {
        s.lines.push_back({ QStringLiteral("Échographie du %1 trimestre (%2)")
                                .arg(ordinal(int(i) + 1), ultrasoundWindows[i]),
            spanText(g.ultrasounds[i]), ultrasounds });
    }
    const int trisomy = note(Source::TrisomyScreening);
    s.lines.push_back({ QStringLiteral("Trisomie 21 : dépistage combiné"),
        QStringLiteral("avec l'échographie du 1er trimestre, %1").arg(spanText(g.ultrasounds[0])), trisomy });
    s.lines.push_back(
        { QStringLiteral("Trisomie 21 : marqueurs sériques seuls, à défaut (14 SA + 0 à 17 SA + 6 j)"),
            spanText(g.serumMarkers), trisomy });
    s.lines.push_back(
        { QStringLiteral("Diabète gestationnel, si facteur de risque : HGPO 75 g (%1)").arg(glucoseWindow),
            spanText(g.glucoseTolerance), note(Source::GestationalDiabetes) });
    return s;
}

Section leave(const Request &request, const dating::Guidance &g, Notes &note)
{
    const auto &rule = g.leave;
    Section s { QStringLiteral("Congé de maternité (%1, %2 : %3 semaines avant la DPA, %4 après)")
                    .arg(childrenText(request.situation.childrenInCare),
                        fetusesText(request.situation.fetuses))
                    .arg(rule.prenatalWeeks)
                    .arg(rule.postnatalWeeks),
        {} };
    const int law = note(rule.source);
    const int pathological = note(Source::PathologicalLeave);
    s.lines.push_back({ QStringLiteral("Congé pathologique, s'il est prescrit (14 jours au plus)"),
        spanText(g.pathologicalLeave), pathological });
    s.lines.push_back({ QStringLiteral("Congé de maternité"),
        QStringLiteral("%1 ; reprise du travail le %2")
            .arg(spanText(g.maternityLeave), shortDate(g.maternityLeave.end)),
        law });
    if (rule.shiftableToPostnatalWeeks > 0) {
        s.lines.push_back({ QStringLiteral("Report"),
            QStringLiteral(
                "jusqu'à %1 semaines du congé prénatal peuvent être prises après la naissance, à la "
                "demande de la salariée et sur avis favorable du professionnel de santé qui suit la "
                "grossesse ; le congé commence alors plus tard et finit d'autant plus tard")
                .arg(rule.shiftableToPostnatalWeeks),
            law });
    }
    if (rule.extendablePrenatalWeeks > 0) {
        s.lines.push_back({ QStringLiteral("Avance"),
            QStringLiteral(
                "le congé prénatal peut commencer jusqu'à %1 semaines plus tôt, le congé postnatal "
                "étant réduit d'autant")
                .arg(rule.extendablePrenatalWeeks),
            law });
    }
    s.lines.push_back({ QStringLiteral("Après l'accouchement"),
        QStringLiteral("un état pathologique attesté peut prolonger le congé de %1 semaines au plus")
            .arg(dating::pathologicalPostnatalWeeks),
        pathological });
    return s;
}

QString seasonText(const dating::CarePathway &c)
{
    if (!c.rsvInSeason)
        return QStringLiteral("hors de la saison de septembre à janvier (métropole)");
    if (c.rsvInSeason->first == c.rsvVaccine.first && c.rsvInSeason->end == c.rsvVaccine.end)
        return QStringLiteral("toute la fenêtre est dans la saison de septembre à janvier (métropole)");
    return QStringLiteral("dans la saison de septembre à janvier (métropole) %1")
        .arg(spanText(*c.rsvInSeason));
}

QString ageText(const dating::Guidance &g, Date day)
{
    const auto age = dating::completedWeeksText(dating::daysBetween(g.lastPeriod, day));
    return age ? toQString(*age) : QString();
}

const QString pertussisWindow = QStringLiteral("20 SA + 0 à 36 SA + 6 j");
const QString rsvWindow = QStringLiteral("32 SA + 0 à 36 SA + 6 j");
const QString streptococcusWindow = QStringLiteral("34 SA + 0 à 38 SA + 6 j");
const QString antiDWindow = QStringLiteral("27 SA + 0 à 29 SA + 0 j");

Section pregnancyCare(const dating::CarePathway &c, Notes &note)
{
    Section s { QStringLiteral("Pendant la grossesse : vaccinations et prévention"), {} };
    s.lines.push_back({ QStringLiteral("Vaccination contre la coqueluche (dTcaP), à chaque grossesse (%1)")
                            .arg(pertussisWindow),
        spanText(c.pertussisVaccine), note(Source::PertussisVaccine) });
    s.lines.push_back({ QStringLiteral("Vaccination contre le VRS (Abrysvo), une dose (%1)").arg(rsvWindow),
        QStringLiteral("%1 ; %2").arg(spanText(c.rsvVaccine), seasonText(c)), note(Source::RsvVaccine) });
    s.lines.push_back(
        { QStringLiteral("Dépistage du streptocoque B, prélèvement vaginal (%1)").arg(streptococcusWindow),
            spanText(c.streptococcusB), note(Source::StreptococcusB) });
    const int antiD = note(Source::AntiDProphylaxis);
    if (c.rhesusNegative) {
        s.lines.push_back({ QStringLiteral("Rhésus négatif : génotypage RHD fœtal sur sang maternel"),
            QStringLiteral("à partir du %1 (11 SA + 0 j), si le conjoint est RhD positif ou inconnu")
                .arg(shortDate(c.rhdGenotypingFrom)),
            antiD });
        s.lines.push_back(
            { QStringLiteral("Rhésus négatif : prophylaxie anti-D à 28 SA (%1)").arg(antiDWindow),
                QStringLiteral("%1, si le fœtus est RhD positif ou indéterminé").arg(spanText(c.antiD)),
                antiD });
    } else {
        s.lines.push_back({ QStringLiteral("Prophylaxie anti-D"),
            QStringLiteral("seulement si la mère est Rhésus négatif, ce que cette fiche n'indique pas"),
            antiD });
    }
    return s;
}

Section delivery(const dating::Guidance &g, const dating::CarePathway &c, Notes &note)
{
    Section s { QStringLiteral("Accouchement"), {} };
    if (c.birthGiven) {
        s.lines.push_back({ QStringLiteral("Accouchement le"),
            QStringLiteral("%1 (%2)").arg(longDate(c.birth), ageText(g, c.birth)), 0 });
    } else {
        s.lines.push_back({ QStringLiteral("Naissance attendue"),
            QStringLiteral("à la DPA, le %1 ; les dates après la naissance en partent tant que la date "
                           "d'accouchement n'est pas donnée")
                .arg(shortDate(c.birth)),
            note(Source::DeliveryDate) });
    }
    s.lines.push_back({ QStringLiteral("Inscription et pré-admission à la maternité"),
        QStringLiteral("selon la règle de la maternité choisie, souvent dès la déclaration de grossesse"),
        note(Source::MaternityRegistration) });
    s.lines.push_back({ QStringLiteral("Consultation pré-anesthésique, au 3e trimestre"),
        QStringLiteral("%1, plusieurs jours avant l'accouchement").arg(spanText(c.preAnaesthesia)),
        note(Source::PreAnaesthesia) });
    s.lines.push_back({ QStringLiteral("Prise en charge à 100 % (assurance maternité)"),
        QStringLiteral("%1, du 1er jour du 6e mois au 12e jour après l'accouchement")
            .arg(spanText(c.fullCoverage)),
        note(Source::FullCoverage) });
    return s;
}

Section afterBirth(const dating::CarePathway &c, Notes &note)
{
    Section s { c.birthGiven
            ? QStringLiteral("Après la naissance (comptées depuis l'accouchement du %1)")
                  .arg(shortDate(c.birth))
            : QStringLiteral("Après la naissance (comptées depuis la DPA, le %1)").arg(shortDate(c.birth)),
        {} };
    s.lines.push_back({ QStringLiteral("Examen postnatal obligatoire, dans les 8 semaines"),
        spanText(c.postnatalExam), note(Source::PostnatalExam) });
    const int interview = note(Source::PostnatalInterview);
    s.lines.push_back({ QStringLiteral("Entretien postnatal précoce obligatoire (4e à 8e semaine)"),
        spanText(c.postnatalInterview), interview });
    s.lines.push_back({ QStringLiteral("Second entretien postnatal, si besoin (10e à 14e semaine)"),
        spanText(c.secondPostnatalInterview), interview });
    const int paternity = note(Source::PaternityLeave);
    s.lines.push_back({ QStringLiteral("Congé de naissance du second parent (3 jours)"),
        QStringLiteral("à partir du %1, jour de la naissance, ou du premier jour ouvrable qui suit")
            .arg(shortDate(c.birthLeave.first)),
        paternity });
    s.lines.push_back(
        { QStringLiteral("Congé de paternité et d'accueil de l'enfant (%1 jours)").arg(c.paternityDays),
            QStringLiteral("4 jours juste après le congé de naissance, au plus tôt %1 ; les %2 autres jours "
                           "jusqu'au %3 (6 mois après la naissance), en une ou deux fois")
                .arg(spanText(c.paternityFirstDays))
                .arg(c.paternityLaterDays)
                .arg(shortDate(lastDayOf(c.paternityWithin))),
            paternity });
    s.lines.push_back({ QStringLiteral("Congé supplémentaire de naissance"),
        c.additionalBirthLeaveApplies
            ? QStringLiteral(
                "1 ou 2 mois pour chacun des parents, après le congé de maternité ou de paternité, "
                "dans un délai qu'un décret doit fixer : décret non trouvé, pas de dates")
            : QStringLiteral("non : il concerne les enfants nés, ou attendus, à partir du 1er janvier 2026"),
        note(Source::AdditionalBirthLeave) });
    return s;
}

// The window's own rules, quoted where the guidance says otherwise.
Section differences(const Request &request, const dating::Guidance &g, Notes &note)
{
    Section s { QStringLiteral("Où le calendrier de la fenêtre diffère"), {} };
    const auto window = dating::ruleR2(request.conception, request.today);
    if (!window)
        return s;
    const auto age = dating::completedWeeksText(g.daysSinceLastPeriod);
    s.lines.push_back({ QStringLiteral("Semaines d'aménorrhée"),
        QStringLiteral(
            "la fenêtre affiche « %1 S.A », le nombre de dimanches passés depuis DG plus 2 ; la fiche "
            "compte les semaines révolues depuis DR (%2)")
            .arg(window->weeksOfAmenorrhea)
            .arg(age ? toQString(*age) : QStringLiteral("pas encore commencées")),
        note(Source::CompletedWeeks) });
    s.lines.push_back({ QStringLiteral("Dépassement"),
        QStringLiteral("la fenêtre donne le %1 (43 SA) ; le terme est dépassé dès 42 SA + 0 j, le %2")
            .arg(shortDate(window->overdue), shortDate(g.overdueFrom)),
        note(Source::ProlongedPregnancy) });
    const auto &biology = window->datesOf(dating::ScheduleKind::Biology);
    s.lines.push_back({ QStringLiteral("Diabète gestationnel"),
        QStringLiteral(
            "la fenêtre propose un test de O'Sullivan le %1 ; il n'est plus recommandé : HGPO 75 g %2, "
            "si facteur de risque")
            .arg(shortDate(biology.at(dating::glucoseTestRow).start), spanText(g.glucoseTolerance)),
        note(Source::GestationalDiabetes) });
    s.lines.push_back({ QStringLiteral("Visites prénatales"),
        QStringLiteral(
            "la fenêtre liste %1 mois ; la loi fixe sept examens, le premier avant la fin du 3e mois, "
            "puis un par mois du 4e au 9e")
            .arg(dating::schedule(dating::ScheduleKind::PrenatalVisits).size()),
        note(Source::PrenatalExams) });
    const auto leave = dating::schedule(dating::ScheduleKind::Leave);
    s.lines.push_back({ QStringLiteral("Congé pathologique"),
        QStringLiteral("la fenêtre écrit « %1 » ; le congé pathologique prénatal est de 14 jours au plus")
            .arg(toQString(leave[dating::pathologicalLeaveRow].label)),
        note(Source::PathologicalLeave) });
    const int windowPrenatal = -leave[dating::prenatalLeaveRow].count;
    const int windowPostnatal = leave[dating::postnatalLeaveRow].count;
    if (g.leave.prenatalWeeks != windowPrenatal || g.leave.postnatalWeeks != windowPostnatal) {
        s.lines.push_back({ QStringLiteral("Congés"),
            QStringLiteral(
                "la fenêtre donne les dates d'un premier ou deuxième enfant (%1 + %2 semaines) ; la "
                "situation choisie donne %3 + %4 semaines")
                .arg(windowPrenatal)
                .arg(windowPostnatal)
                .arg(g.leave.prenatalWeeks)
                .arg(g.leave.postnatalWeeks),
            note(g.leave.source) });
    }
    return s;
}

QString windowText(const QString &rule, const Span &days)
{
    const bool oneDayOnly = dating::daysBetween(days.first, days.end) == 1;
    return QStringLiteral("Fenêtre : %1, %2.")
        .arg(rule, oneDayOnly ? QStringLiteral("le %1").arg(shortDate(days.first)) : spanText(days));
}

// Adds events to a list, each with its window in words and its source.
class EventList
{
public:
    explicit EventList(Notes &note)
        : m_note(note)
    { }
    void add(const QString &key, const QString &summary, const Span &days, Source source, const QString &rule)
    {
        m_list.push_back({ key, summary, days, m_note(source), windowText(rule, days) });
    }
    void add(const Event &event) { m_list.push_back(event); }
    std::vector<Event> list() const { return m_list; }

private:
    Notes &m_note;
    std::vector<Event> m_list;
};

std::vector<Event> events(const dating::Guidance &g, Notes &note)
{
    EventList list(note);
    for (std::size_t i = 0; i < g.prenatalExams.size(); ++i) {
        const int n = int(i) + 1;
        list.add(QStringLiteral("examen-prenatal-%1").arg(n),
            QStringLiteral("%1 examen prénatal obligatoire").arg(ordinal(n)), g.prenatalExams[i],
            Source::PrenatalExams,
            i == 0 ? QStringLiteral("avant la fin du 3e mois de grossesse")
                   : QStringLiteral("le %1 mois de grossesse").arg(ordinal(n + 2)));
    }
    for (std::size_t i = 0; i < g.ultrasounds.size(); ++i) {
        list.add(QStringLiteral("echographie-%1").arg(i + 1),
            QStringLiteral("Échographie du %1 trimestre").arg(ordinal(int(i) + 1)), g.ultrasounds[i],
            Source::Ultrasounds, ultrasoundWindows[i]);
    }
    list.add(QStringLiteral("hgpo"), QStringLiteral("HGPO 75 g si facteur de risque de diabète gestationnel"),
        g.glucoseTolerance, Source::GestationalDiabetes, glucoseWindow);
    list.add(QStringLiteral("dpa"), QStringLiteral("Date présumée de l'accouchement"), oneDay(g.delivery),
        Source::DeliveryDate, QStringLiteral("DG + 9 mois"));
    list.add(QStringLiteral("terme-depasse"), QStringLiteral("Terme dépassé (42 SA)"), oneDay(g.overdueFrom),
        Source::ProlongedPregnancy, QStringLiteral("42 SA + 0 j"));
    list.add(QStringLiteral("conge-pathologique"), QStringLiteral("Congé pathologique (s'il est prescrit)"),
        g.pathologicalLeave, Source::PathologicalLeave,
        QStringLiteral("les 14 jours avant le congé de maternité"));
    list.add(QStringLiteral("conge-maternite"), QStringLiteral("Congé de maternité"), g.maternityLeave,
        g.leave.source,
        QStringLiteral("%1 semaines avant la DPA, %2 après")
            .arg(g.leave.prenatalWeeks)
            .arg(g.leave.postnatalWeeks));
    return list.list();
}

std::vector<Event> pathwayEvents(const dating::CarePathway &c, Notes &note)
{
    EventList list(note);
    list.add(QStringLiteral("coqueluche"), QStringLiteral("Vaccination contre la coqueluche (dTcaP)"),
        c.pertussisVaccine, Source::PertussisVaccine, pertussisWindow);
    list.add(QStringLiteral("vrs"), QStringLiteral("Vaccination contre le VRS (Abrysvo)"), c.rsvVaccine,
        Source::RsvVaccine, QStringLiteral("%1 ; %2").arg(rsvWindow, seasonText(c)));
    list.add(QStringLiteral("streptocoque-b"),
        QStringLiteral("Prélèvement vaginal : dépistage du streptocoque B"), c.streptococcusB,
        Source::StreptococcusB, streptococcusWindow);
    if (c.rhesusNegative) {
        list.add(QStringLiteral("genotypage-rhd"),
            QStringLiteral("Génotypage RHD fœtal possible dès ce jour"), oneDay(c.rhdGenotypingFrom),
            Source::AntiDProphylaxis, QStringLiteral("à partir de 11 SA + 0 j"));
        list.add(QStringLiteral("anti-d"), QStringLiteral("Prophylaxie anti-D à 28 SA"), c.antiD,
            Source::AntiDProphylaxis, antiDWindow);
    }
    list.add(QStringLiteral("consultation-preanesthesique"), QStringLiteral("Consultation pré-anesthésique"),
        c.preAnaesthesia, Source::PreAnaesthesia,
        QStringLiteral("le 3e trimestre, plusieurs jours avant l'accouchement"));
    list.add(QStringLiteral("prise-en-charge-100"),
        QStringLiteral("Prise en charge à 100 % (assurance maternité)"), c.fullCoverage, Source::FullCoverage,
        QStringLiteral("du 1er jour du 6e mois au 12e jour après l'accouchement"));
    if (c.birthGiven) {
        list.add(
            Event { QStringLiteral("accouchement"), QStringLiteral("Accouchement"), oneDay(c.birth), 0, {} });
    }
    list.add(QStringLiteral("examen-postnatal"), QStringLiteral("Examen postnatal obligatoire"),
        c.postnatalExam, Source::PostnatalExam, QStringLiteral("les 8 semaines qui suivent l'accouchement"));
    list.add(QStringLiteral("entretien-postnatal"), QStringLiteral("Entretien postnatal précoce obligatoire"),
        c.postnatalInterview, Source::PostnatalInterview,
        QStringLiteral("de la 4e à la 8e semaine après l'accouchement"));
    list.add(QStringLiteral("entretien-postnatal-2"), QStringLiteral("Second entretien postnatal, si besoin"),
        c.secondPostnatalInterview, Source::PostnatalInterview,
        QStringLiteral("de la 10e à la 14e semaine après l'accouchement"));
    list.add(QStringLiteral("conge-naissance"),
        QStringLiteral("Congé de naissance du second parent (3 jours)"), c.birthLeave, Source::PaternityLeave,
        QStringLiteral("3 jours à partir de la naissance, au plus tôt"));
    list.add(QStringLiteral("conge-paternite-4-jours"),
        QStringLiteral("Congé de paternité : les 4 premiers jours"), c.paternityFirstDays,
        Source::PaternityLeave, QStringLiteral("4 jours juste après le congé de naissance, au plus tôt"));
    list.add(QStringLiteral("conge-paternite"),
        QStringLiteral("Congé de paternité : les %1 autres jours, à prendre dans cette période")
            .arg(c.paternityLaterDays),
        c.paternityWithin, Source::PaternityLeave, QStringLiteral("jusqu'à 6 mois après la naissance"));
    return list.list();
}

void layOutTimeline(Sheet &sheet)
{
    const auto &g = sheet.guidance;
    const auto &c = sheet.pathway;
    const auto month = [&](int k) { return *dating::add(dating::Interval::Month, k, g.conception); };
    using B = TimelineBar;
    sheet.timelineRows = { QStringLiteral("Trimestres"), QStringLiteral("Examens"),
        QStringLiteral("Échographies"), QStringLiteral("Dépistage"), QStringLiteral("Coqueluche"),
        c.rhesusNegative ? QStringLiteral("VRS, anti-D") : QStringLiteral("VRS"),
        QStringLiteral("Anesthésie"), QStringLiteral("Prise en charge"), QStringLiteral("Après la naissance"),
        QStringLiteral("Entretiens"), QStringLiteral("Congés"), QStringLiteral("Second parent") };
    sheet.bars = {
        { QStringLiteral("1er trimestre"), { g.conception, month(3) }, 0, B::Trimester },
        { QStringLiteral("2e trimestre"), { month(3), month(6) }, 0, B::Trimester },
        { QStringLiteral("3e trimestre"), { month(6), g.delivery }, 0, B::Trimester },
    };
    for (std::size_t i = 0; i < g.prenatalExams.size(); ++i)
        sheet.bars.push_back({ QString::number(i + 1), g.prenatalExams[i], 1, B::Exam });
    for (std::size_t i = 0; i < g.ultrasounds.size(); ++i)
        sheet.bars.push_back({ QStringLiteral("Écho %1").arg(i + 1), g.ultrasounds[i], 2, B::Ultrasound });
    sheet.bars.push_back({ QStringLiteral("HGPO"), g.glucoseTolerance, 3, B::Screening });
    sheet.bars.push_back({ QStringLiteral("Strepto B"), c.streptococcusB, 3, B::Screening });
    sheet.bars.push_back({ QStringLiteral("dTcaP"), c.pertussisVaccine, 4, B::Vaccine });
    sheet.bars.push_back({ QStringLiteral("VRS"), c.rsvVaccine, 5, B::Vaccine });
    if (c.rhesusNegative)
        sheet.bars.push_back({ QStringLiteral("Anti-D"), c.antiD, 5, B::Vaccine });
    sheet.bars.push_back({ QStringLiteral("Consultation"), c.preAnaesthesia, 6, B::Delivery });
    sheet.bars.push_back({ QStringLiteral("100 %"), c.fullCoverage, 7, B::Delivery });
    sheet.bars.push_back({ QStringLiteral("Examen postnatal"), c.postnatalExam, 8, B::Postnatal });
    sheet.bars.push_back({ QStringLiteral("1er"), c.postnatalInterview, 9, B::Postnatal });
    sheet.bars.push_back({ QStringLiteral("2e"), c.secondPostnatalInterview, 9, B::Postnatal });
    sheet.bars.push_back({ QStringLiteral("Patho."), g.pathologicalLeave, 10, B::Pathological });
    sheet.bars.push_back({ QStringLiteral("Congé de maternité"), g.maternityLeave, 10, B::Leave });
    // The 3 days of birth leave and the 4 days that follow them, one bar: a week is too short for two labels.
    sheet.bars.push_back(
        { QStringLiteral("3 + 4 j"), { c.birthLeave.first, c.paternityFirstDays.end }, 11, B::Leave });
    sheet.bars.push_back({ QStringLiteral("Paternité, %1 j à prendre").arg(c.paternityLaterDays),
        c.paternityWithin, 11, B::Postnatal });

    Date last = g.maternityLeave.end;
    for (const auto &bar : sheet.bars)
        last = std::max(last, bar.days.end);
    sheet.timelineDays = { g.lastPeriod, last };

    sheet.marks = { { QStringLiteral("DR"), g.lastPeriod }, { QStringLiteral("DPA"), g.delivery },
        { QStringLiteral("42 SA"), g.overdueFrom } };
    if (c.birthGiven)
        sheet.marks.push_back({ QStringLiteral("Accouchement"), c.birth });
    if (c.rhesusNegative)
        sheet.marks.push_back({ QStringLiteral("RHD 11 SA"), c.rhdGenotypingFrom });
    if (sheet.today >= sheet.timelineDays.first && sheet.today < sheet.timelineDays.end)
        sheet.marks.push_back({ QStringLiteral("Aujourd'hui"), sheet.today });
}

QString lineText(const Line &line)
{
    QString text = QStringLiteral("- %1 : %2").arg(line.label, line.value);
    if (line.note > 0)
        text += QStringLiteral(" [%1]").arg(line.note);
    return text;
}

void appendSection(QString &text, const Section &section)
{
    text += QLatin1Char('\n') + section.title + QLatin1Char('\n');
    for (const auto &line : section.lines)
        text += lineText(line) + QLatin1Char('\n');
}

} // namespace

std::optional<Sheet> makeSheet(const Request &request)
{
    const auto guidance = dating::guidanceFor(request.conception, request.today, request.situation);
    const auto pathway = dating::carePathwayFor(
        request.conception, request.situation, request.rhesusNegative, request.birth);
    if (!guidance || !pathway)
        return std::nullopt;
    Sheet sheet;
    sheet.patient = request.patient;
    sheet.today = request.today;
    sheet.dating = request.dating;
    sheet.situation = request.situation;
    sheet.rhesusNegative = request.rhesusNegative;
    sheet.birth = request.birth;
    sheet.guidance = *guidance;
    sheet.pathway = *pathway;
    Notes notes;
    sheet.sections = { dating(request, *guidance, notes), followUp(*guidance, notes),
        screening(*guidance, notes), pregnancyCare(*pathway, notes), delivery(*guidance, *pathway, notes),
        leave(request, *guidance, notes), afterBirth(*pathway, notes) };
    sheet.differences = differences(request, *guidance, notes);
    sheet.events = events(*guidance, notes);
    const auto more = pathwayEvents(*pathway, notes);
    sheet.events.insert(sheet.events.end(), more.begin(), more.end());
    sheet.footnotes = notes.texts();
    layOutTimeline(sheet);
    return sheet;
}

QString toText(const Sheet &sheet)
{
    QString text = title + QLatin1Char('\n');
    if (!sheet.patient.isEmpty())
        text += QStringLiteral("Patiente : %1\n").arg(sheet.patient);
    text += QStringLiteral("Établie le %1\n").arg(longDate(sheet.today));
    for (const auto &section : sheet.sections)
        appendSection(text, section);
    appendSection(text, sheet.differences);
    text += QStringLiteral("\nSources\n");
    for (std::size_t i = 0; i < sheet.footnotes.size(); ++i)
        text += QStringLiteral("[%1] %2\n").arg(i + 1).arg(sheet.footnotes[i]);
    return text;
}

Refusal refusalOf(const Request &request)
{
    if (request.birth && !dating::isPossibleBirth(request.conception, *request.birth))
        return Refusal::BirthNotPossible;
    if (!dating::guidanceFor(request.conception, request.today, request.situation)
        || !dating::carePathwayFor(
            request.conception, request.situation, request.rhesusNegative, request.birth))
        return Refusal::OutsideSupportedYears;
    return Refusal::None;
}

QString refusalText(Refusal refusal, const Request &request)
{
    switch (refusal) {
    case Refusal::None:
        return {};
    case Refusal::OutsideSupportedYears:
        return QStringLiteral(
            "le début de grossesse du %1 donne des dates hors des années prises en charge (%2 à %3)")
            .arg(shortDate(request.conception))
            .arg(int(dating::firstSupportedYear))
            .arg(int(dating::lastSupportedYear));
    case Refusal::BirthNotPossible:
        return QStringLiteral(
            "l'accouchement du %1 ne tombe pas entre le début de grossesse (%2) et %3 SA + 0 j")
            .arg(shortDate(*request.birth), shortDate(request.conception))
            .arg(dating::latestBirthWeeksOfAmenorrhea);
    }
    return {};
}

namespace {

QString shortDatingText(const dating::ConceptionDating &dating)
{
    struct Visitor
    {
        QString operator()(const dating::EnteredDating &) const { return QStringLiteral("DG saisi"); }
        QString operator()(const dating::PeriodDating &p) const
        {
            return p.cycleDays == dating::usualCycle ? QStringLiteral("DDR")
                                                     : QStringLiteral("DDR, cycle de %1 j").arg(p.cycleDays);
        }
        QString operator()(const dating::ScanDating &s) const
        {
            if (!s.scanRetained)
                return QStringLiteral("DDR, gardées : écho T1 du %1 à %2")
                    .arg(shortDate(s.scan), toQString(dating::gapText(s.gapDays)));
            return QStringLiteral("écho T1, LCC %1 mm, %2 le %3")
                .arg(toQString(dating::lengthText(s.crlMillimetres)),
                    toQString(dating::completedWeeksText(s.completedDays).value_or("")), shortDate(s.scan));
        }
        QString operator()(const dating::RetrievalDating &r) const
        {
            return QStringLiteral("AMP, ponction ou insémination le %1")
                .arg(shortDate(r.retrievalOrInsemination));
        }
        QString operator()(const dating::TransferDating &t) const
        {
            return QStringLiteral("AMP, transfert J%1 le %2").arg(t.embryoAgeDays).arg(shortDate(t.transfer));
        }
    };
    return std::visit(Visitor {}, dating);
}

std::optional<Date> knownLastPeriod(const dating::ConceptionDating &dating)
{
    if (const auto *period = std::get_if<dating::PeriodDating>(&dating))
        return period->lastPeriod;
    if (const auto *scan = std::get_if<dating::ScanDating>(&dating); scan && scan->period)
        return scan->period->lastPeriod;
    return std::nullopt;
}

QString pregnancyKind(int fetuses)
{
    switch (fetuses) {
    case 1:
        return QStringLiteral("grossesse unique");
    case 2:
        return QStringLiteral("grossesse gémellaire");
    default:
        return QStringLiteral("grossesse multiple (%1 fœtus ou plus)").arg(fetuses);
    }
}

} // namespace

QString toSummary(const Sheet &sheet)
{
    const auto &g = sheet.guidance;
    QStringList parts;
    if (const auto lastPeriod = knownLastPeriod(sheet.dating))
        parts << QStringLiteral("DDR %1").arg(shortDate(*lastPeriod));
    parts << QStringLiteral("DG %1 (datation : %2)")
                 .arg(shortDate(g.conception), shortDatingText(sheet.dating));
    parts << QStringLiteral("DPA %1").arg(shortDate(g.delivery));
    if (sheet.birth) {
        parts << QStringLiteral("accouchement le %1 à %2")
                     .arg(shortDate(*sheet.birth), ageText(g, *sheet.birth));
    } else if (const QString age = ageText(g, sheet.today); !age.isEmpty()) {
        parts << QStringLiteral("le %1 : %2").arg(shortDate(sheet.today), age);
    }
    parts << pregnancyKind(sheet.situation.fetuses);
    if (sheet.rhesusNegative)
        parts << QStringLiteral("Rh négatif");
    return parts.join(QStringLiteral(" — ")) + QLatin1Char('\n');
}

QString datingProblemText(dating::DatingProblem problem, dating::CrlFormula formula)
{
    switch (problem) {
    case dating::DatingProblem::None:
        return {};
    case dating::DatingProblem::CycleOutOfRange:
        return QStringLiteral("la durée du cycle doit être de %1 à %2 jours")
            .arg(dating::shortestCycle)
            .arg(dating::longestCycle);
    case dating::DatingProblem::CrlOutOfRange: {
        const auto limits = dating::crlLimits(formula);
        return QStringLiteral("la longueur cranio-caudale doit être de %1 à %2 mm pour la formule %3")
            .arg(toQString(dating::lengthText(limits.shortest)),
                toQString(dating::lengthText(limits.longest)), toQString(dating::crlFormulaName(formula)));
    }
    case dating::DatingProblem::ScanOutsideFirstTrimester:
        return QStringLiteral(
            "les dernières règles placent l'échographie avant %1 SA ou après %2 SA : ce n'est "
            "pas une échographie du 1er trimestre")
            .arg(dating::earliestScanWeeksByPeriod)
            .arg(dating::latestScanWeeksByPeriod);
    case dating::DatingProblem::EmbryoAgeOutOfRange:
        return QStringLiteral("l'âge de l'embryon doit être de %1 à %2 jours")
            .arg(dating::youngestEmbryoDays)
            .arg(dating::oldestEmbryoDays);
    case dating::DatingProblem::OutsideSupportedYears:
        return QStringLiteral("la date de début de grossesse sortirait des années prises en charge (%1 à %2)")
            .arg(int(dating::firstSupportedYear))
            .arg(int(dating::lastSupportedYear));
    }
    return {};
}

QString datingText(const dating::ConceptionDating &dating)
{
    return datingLine(dating).text;
}

} // namespace sheet
