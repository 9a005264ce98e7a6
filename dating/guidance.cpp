#include "guidance.h"

#include <algorithm>

namespace dating {

namespace {

// Adds intervals one after the other and remembers whether any result left the supported years.
class Adder
{
public:
    Date add(Interval interval, int count, Date date)
    {
        const auto result = dating::add(interval, count, date);
        if (!result) {
            m_failed = true;
            return date;
        }
        return *result;
    }
    Date days(int count, Date date) { return add(Interval::Day, count, date); }
    Date months(int count, Date date) { return add(Interval::Month, count, date); }
    bool failed() const { return m_failed; }

private:
    bool m_failed = false;
};

int daysOfAmenorrhea(int weeks, int days)
{
    return 7 * weeks + days;
}

// The days from weeks+days of amenorrhea to lastWeeks+lastDays, both included.
Span amenorrheaSpan(Adder &adder, Date lastPeriod, int weeks, int days, int lastWeeks, int lastDays)
{
    return { adder.days(daysOfAmenorrhea(weeks, days), lastPeriod),
        adder.days(daysOfAmenorrhea(lastWeeks, lastDays) + 1, lastPeriod) };
}

} // namespace

std::string_view sourceText(Source source)
{
    switch (source) {
    case Source::DeliveryDate:
        return "Date présumée de l'accouchement = début de grossesse + 9 mois, usage français repris par "
               "le CNGOF (recommandations pour la pratique clinique « Grossesse prolongée et terme "
               "dépassé », 2011), soit 41 SA + 0 à 3 jours.";
    case Source::CompletedWeeks:
        return "CNGOF 2011 : âge gestationnel en semaines d'aménorrhée révolues et jours, comptés depuis "
               "le premier jour des dernières règles (ici DG − 14 jours).";
    case Source::ProlongedPregnancy:
        return "CNGOF 2011 : grossesse prolongée à partir de 41 SA + 0 j, terme dépassé à partir de "
               "42 SA + 0 j (DR + 294 jours).";
    case Source::PrenatalExams:
        return "Code de la santé publique, art. R. 2122-1 : sept examens prénataux obligatoires, le "
               "premier avant la fin du troisième mois de grossesse, les suivants chaque mois à partir "
               "du premier jour du quatrième mois jusqu'à l'accouchement.";
    case Source::EarlyInterview:
        return "Code de la santé publique, art. L. 2122-1 (loi n° 2019-1446 du 24 décembre 2019, art. 62, "
               "en vigueur le 1er mai 2020) : entretien prénatal précoce obligatoire, réalisé par un "
               "médecin ou une sage-femme dès que la déclaration de grossesse a été faite.";
    case Source::PregnancyDeclaration:
        return "Code de la sécurité sociale : déclaration « dans les quatorze premières semaines de la "
               "grossesse » ; Assurance Maladie et service-public.fr : avant la fin du troisième mois de "
               "grossesse. La fiche retient la date la plus proche, la fin du troisième mois, qui "
               "satisfait aux deux (elle tombe avant DG + 14 semaines).";
    case Source::Ultrasounds:
        return "Arrêté du 20 avril 2018 (recommandations de bonnes pratiques en échographie "
               "obstétricale et fœtale) : 11 SA + 0 à 13 SA + 6 j, 20 SA + 0 à 24 SA + 6 j, "
               "30 SA + 0 à 34 SA + 6 j.";
    case Source::TrisomyScreening:
        return "Arrêté du 23 juin 2009 modifié (dépistage de la trisomie 21) : dépistage combiné au "
               "premier trimestre (clarté nucale et longueur cranio-caudale à l'échographie de "
               "11 SA + 0 à 13 SA + 6 j, marqueurs sériques du premier trimestre) ; à défaut, marqueurs "
               "sériques seuls au deuxième trimestre, de 14 SA + 0 à 17 SA + 6 j.";
    case Source::GestationalDiabetes:
        return "CNGOF et Société francophone du diabète, recommandations 2010 : dépistage du diabète "
               "gestationnel ciblé sur les femmes ayant un facteur de risque, HGPO 75 g de 24 SA + 0 à "
               "28 SA + 6 j ; le test de O'Sullivan n'est plus recommandé.";
    case Source::LeaveFirstChildren:
        return "Code du travail, art. L. 1225-17 : congé de maternité de 6 semaines avant la date "
               "présumée de l'accouchement et 10 semaines après ; jusqu'à 3 semaines du congé prénatal "
               "reportables après la naissance, à la demande de la salariée et sur avis favorable du "
               "professionnel de santé qui suit la grossesse.";
    case Source::LeaveFromThirdChild:
        return "Code du travail, art. L. 1225-19 : lorsque la salariée ou le foyer assume déjà la charge "
               "de deux enfants au moins (ou qu'elle a déjà mis au monde deux enfants nés viables), "
               "8 semaines avant et 18 semaines après ; report de 3 semaines au plus après la "
               "naissance, ou avance de 2 semaines au plus avant.";
    case Source::LeaveMultipleBirths:
        return "Code du travail, art. L. 1225-18 : naissance de deux enfants, 12 semaines avant et "
               "22 semaines après (la période prénatale peut être augmentée de 4 semaines au plus, la "
               "période postnatale étant réduite d'autant) ; trois enfants ou plus, 24 semaines avant "
               "et 22 semaines après.";
    case Source::PathologicalLeave:
        return "Code du travail, art. L. 1225-21 : en cas d'état pathologique attesté par un certificat "
               "médical, le congé est augmenté dans la limite de 2 semaines avant la date présumée de "
               "l'accouchement et de 4 semaines après l'accouchement.";
    case Source::PertussisVaccine:
        return "Haute Autorité de santé, recommandation vaccinale contre la coqueluche chez la femme "
               "enceinte (7 avril 2022) : vaccination à chaque grossesse, à partir du deuxième "
               "trimestre, en privilégiant la période entre 20 et 36 SA.";
    case Source::RsvVaccine:
        return "Haute Autorité de santé, recommandation vaccinale contre le VRS chez la femme enceinte "
               "(juin 2024) : une dose d'Abrysvo, par précaution uniquement entre 32 et 36 SA, de "
               "septembre à janvier en métropole ; l'autre stratégie est l'anticorps monoclonal donné "
               "au nourrisson. L'AMM recommande deux semaines au moins entre ce vaccin et le dTca.";
    case Source::StreptococcusB:
        return "ANAES, « Prévention anténatale du risque infectieux bactérien néonatal précoce » "
               "(septembre 2001) : dépistage systématique du portage du streptocoque du groupe B par "
               "un prélèvement vaginal en fin de grossesse, entre 34 et 38 SA ; antibioprophylaxie "
               "pendant le travail si le portage est trouvé.";
    case Source::AntiDProphylaxis:
        return "CNGOF, recommandations pour la pratique clinique de 2005 mises à jour en 2017 "
               "(prévention de l'allo-immunisation Rhésus D) : chez la femme RhD négatif dont le "
               "conjoint est RhD positif ou inconnu, génotypage RHD fœtal sur sang maternel à partir "
               "de 11 SA ; si le fœtus est RhD positif ou indéterminé, immunoglobulines anti-D "
               "systématiques à 28 SA (27 à 29 SA) et prophylaxie ciblée après tout événement à "
               "risque.";
    case Source::PreAnaesthesia:
        return "Code de la santé publique, art. D. 6124-35 (décrets « périnatalité » de 1998) : la "
               "maternité assure au début du dernier trimestre une consultation par un "
               "gynécologue-obstétricien ou une sage-femme de l'équipe qui fera l'accouchement, et fait "
               "réaliser la consultation pré-anesthésique de l'art. D. 6124-92, qui a lieu plusieurs "
               "jours avant l'intervention.";
    case Source::FullCoverage:
        return "Assurance Maladie, assurance maternité : frais médicaux pris en charge à 100 % du "
               "premier jour du 6e mois de grossesse au 12e jour après l'accouchement.";
    case Source::MaternityRegistration:
        return "Aucun texte ne fixe la date de l'inscription ni de la pré-admission à la maternité : "
               "chaque maternité fixe la sienne, souvent dès la déclaration de grossesse, plus tôt "
               "encore dans les grandes villes.";
    case Source::PostnatalInterview:
        return "Code de la santé publique, art. L. 2122-1 (loi n° 2021-1754 du 23 décembre 2021, "
               "art. 86, en vigueur le 1er juillet 2022) : entretien postnatal précoce obligatoire, par "
               "un médecin ou une sage-femme, entre les quatrième et huitième semaines qui suivent "
               "l'accouchement ; un deuxième entretien peut être proposé entre les dixième et "
               "quatorzième semaines aux femmes primipares ou qui présentent des signes ou des facteurs "
               "de risque de dépression du post-partum.";
    case Source::PostnatalExam:
        return "Code de la santé publique, art. R. 2122-3 : un examen médical postnatal doit être "
               "obligatoirement effectué dans les huit semaines qui suivent l'accouchement.";
    case Source::PaternityLeave:
        return "Code du travail, art. L. 1225-35 (loi n° 2020-1576 du 14 décembre 2020, art. 73, en "
               "vigueur le 1er juillet 2021) et D. 1225-8 : congé de paternité et d'accueil de l'enfant "
               "de 25 jours calendaires, 32 en cas de naissances multiples : 4 jours consécutifs juste "
               "après les 3 jours du congé de naissance (art. L. 3142-4, à partir du jour de la "
               "naissance ou du premier jour ouvrable qui suit), puis 21 jours (28) pris dans les six "
               "mois suivant la naissance, en une fois ou en deux périodes de 5 jours au moins.";
    case Source::AdditionalBirthLeave:
        return "Loi n° 2025-1403 du 30 décembre 2025 de financement de la sécurité sociale pour 2026, "
               "art. 99, et Code du travail, art. L. 1225-46-2 : congé supplémentaire de naissance d'un "
               "ou deux mois pour chacun des parents, pour un enfant né à partir du 1er janvier 2026 ou "
               "dont la naissance était prévue à partir de cette date, pris après le congé de maternité "
               "ou de paternité, aussitôt ou plus tard, dans un délai fixé par décret. Ce décret n'a pas "
               "été trouvé : la fiche ne donne pas de dates.";
    case Source::CycleLength:
        return "Règle de Naegele corrigée de la durée du cycle : l'ovulation précède de 14 jours les règles "
               "suivantes, d'où DG = DR + (durée du cycle − 14) jours ; cycles de 21 à 45 jours.";
    case Source::ScanDatingRobinson:
        return "CNGOF, recommandations « Grossesse prolongée et terme dépassé » (2011) : le terme est fixé "
               "par "
               "la longueur cranio-caudale (LCC) de l'échographie du premier trimestre, même lorsque les DDR "
               "sont fiables ; âge gestationnel = 8,052 × √LCC + 23,73 jours (Robinson et Fleming, BJOG "
               "1975;82:702), pour une LCC de 10 à 84 mm, compté en jours révolus.";
    case Source::ScanDatingIntergrowth:
        return "CNGOF, recommandations « Grossesse prolongée et terme dépassé » (2011) : le terme est fixé "
               "par "
               "la longueur cranio-caudale (LCC) de l'échographie du premier trimestre, même lorsque les DDR "
               "sont fiables ; âge gestationnel = 40,9041 + 3,21585 × √LCC + 0,348956 × LCC jours "
               "(INTERGROWTH-21st, Papageorghiou et al., Ultrasound Obstet Gynecol 2014;44:641), pour une "
               "LCC "
               "de 15 à 95 mm, compté en jours révolus.";
    case Source::ScanRedating:
        return "Grange et al., J Gynecol Obstet Biol Reprod 2003;32:221 : le terme des DR n'est corrigé par "
               "l'échographie que si l'écart dépasse le seuil choisi (5 ou 7 jours) ; à l'écart égal au "
               "seuil, "
               "les DR sont gardées.";
    case Source::AssistedReproduction:
        return "ACOG, Committee Opinion n° 700 (2017) : après assistance médicale à la procréation, l'âge "
               "gestationnel issu de l'AMP fixe le terme (DG = date de ponction ou d'insémination, ou date "
               "du "
               "transfert moins l'âge de l'embryon), sans nouvelle datation par l'échographie.";
    }
    return {};
}

LeaveRule leaveRule(Situation situation)
{
    if (situation.fetuses >= 3)
        return { 24, 22, 0, 0, Source::LeaveMultipleBirths };
    if (situation.fetuses == 2)
        return { 12, 22, 0, 4, Source::LeaveMultipleBirths };
    if (situation.childrenInCare >= 2)
        return { 8, 18, 3, 2, Source::LeaveFromThirdChild };
    return { 6, 10, 3, 0, Source::LeaveFirstChildren };
}

std::optional<std::string> completedWeeksText(int daysSinceLastPeriod)
{
    if (daysSinceLastPeriod < 0)
        return std::nullopt;
    return std::to_string(daysSinceLastPeriod / 7) + " SA + " + std::to_string(daysSinceLastPeriod % 7)
        + " j";
}

std::optional<Guidance> guidanceFor(Date conception, Date today, Situation situation)
{
    if (!isSupported(conception) || !isSupported(today))
        return std::nullopt;
    Adder adder;
    Guidance g;
    g.conception = conception;
    g.lastPeriod = adder.days(-daysFromLastPeriodToConception, conception);
    g.delivery = adder.months(9, conception);
    g.daysSinceLastPeriod = daysBetween(g.lastPeriod, today);
    g.prolongedFrom = adder.days(daysOfAmenorrhea(41, 0), g.lastPeriod);
    g.overdueFrom = adder.days(daysOfAmenorrhea(42, 0), g.lastPeriod);

    g.prenatalExams[0] = { conception, adder.months(3, conception) };
    for (int k = 3; k <= 8; ++k)
        g.prenatalExams[std::size_t(k - 2)]
            = { adder.months(k, conception), adder.months(k + 1, conception) };
    g.declarationLastDay = adder.days(-1, g.prenatalExams[0].end);

    g.ultrasounds = { amenorrheaSpan(adder, g.lastPeriod, 11, 0, 13, 6),
        amenorrheaSpan(adder, g.lastPeriod, 20, 0, 24, 6),
        amenorrheaSpan(adder, g.lastPeriod, 30, 0, 34, 6) };
    g.serumMarkers = amenorrheaSpan(adder, g.lastPeriod, 14, 0, 17, 6);
    g.glucoseTolerance = amenorrheaSpan(adder, g.lastPeriod, 24, 0, 28, 6);

    g.leave = leaveRule(situation);
    g.maternityLeave = { adder.add(Interval::Week, -g.leave.prenatalWeeks, g.delivery),
        adder.add(Interval::Week, g.leave.postnatalWeeks, g.delivery) };
    g.pathologicalLeave
        = { adder.days(-pathologicalLeaveDays, g.maternityLeave.first), g.maternityLeave.first };

    if (adder.failed())
        return std::nullopt;
    return g;
}

namespace {

// The season of the RSV vaccination in metropolitan France: September to January.
Span rsvSeasonFrom(std::chrono::year year)
{
    using namespace std::chrono;
    return { year / September / 1, (year + years { 1 }) / February / 1 };
}

std::optional<Span> overlap(const Span &a, const Span &b)
{
    const Span common { std::max(a.first, b.first), std::min(a.end, b.end) };
    if (!(common.first < common.end))
        return std::nullopt;
    return common;
}

std::optional<Span> inRsvSeason(const Span &window)
{
    const auto year = window.first.year();
    if (const auto common = overlap(window, rsvSeasonFrom(year - std::chrono::years { 1 })))
        return common;
    return overlap(window, rsvSeasonFrom(year));
}

} // namespace

bool isPossibleBirth(Date conception, Date birth)
{
    const int days = daysBetween(conception, birth);
    return days >= 0
        && days + daysFromLastPeriodToConception <= daysOfAmenorrhea(latestBirthWeeksOfAmenorrhea, 0);
}

std::optional<CarePathway> carePathwayFor(
    Date conception, Situation situation, bool rhesusNegative, std::optional<Date> birth)
{
    if (!isSupported(conception) || (birth && !isSupported(*birth)))
        return std::nullopt;
    Adder adder;
    const Date lastPeriod = adder.days(-daysFromLastPeriodToConception, conception);
    const Date delivery = adder.months(9, conception);
    if (birth && !isPossibleBirth(conception, *birth))
        return std::nullopt;

    CarePathway c;
    c.birth = birth.value_or(delivery);
    c.birthGiven = birth.has_value();
    c.pertussisVaccine = amenorrheaSpan(adder, lastPeriod, 20, 0, 36, 6);
    c.rsvVaccine = amenorrheaSpan(adder, lastPeriod, 32, 0, 36, 6);
    c.rsvInSeason = inRsvSeason(c.rsvVaccine);
    c.streptococcusB = amenorrheaSpan(adder, lastPeriod, 34, 0, 38, 6);
    c.rhesusNegative = rhesusNegative;
    c.rhdGenotypingFrom = adder.days(daysOfAmenorrhea(11, 0), lastPeriod);
    c.antiD = amenorrheaSpan(adder, lastPeriod, 27, 0, 29, 0);
    c.preAnaesthesia = { adder.months(6, conception), delivery };

    // A birth before the 6th month is covered from the birth itself.
    const Date sixthMonth = adder.months(5, conception);
    c.fullCoverage = { c.birth < sixthMonth ? c.birth : sixthMonth, adder.days(12 + 1, c.birth) };

    const auto week = [&](int weeks) { return adder.add(Interval::Week, weeks, c.birth); };
    c.postnatalInterview = { week(3), week(8) };
    c.secondPostnatalInterview = { week(9), week(14) };
    c.postnatalExam = { c.birth, week(8) };

    const bool multiple = situation.fetuses >= 2;
    c.paternityDays = multiple ? 32 : 25;
    c.paternityLaterDays = c.paternityDays - 4;
    c.birthLeave = { c.birth, adder.days(3, c.birth) };
    c.paternityFirstDays = { c.birthLeave.end, adder.days(4, c.birthLeave.end) };
    c.paternityWithin = { c.paternityFirstDays.end, adder.months(6, c.birth) };
    c.additionalBirthLeaveApplies
        = !(c.birth < additionalBirthLeaveFrom) || !(delivery < additionalBirthLeaveFrom);

    if (adder.failed())
        return std::nullopt;
    return c;
}

} // namespace dating
