#include "commandline.h"

#include "formkit/conversions.h"
#include "formkit/savefile.h"

#include <QCommandLineParser>
#include <QFile>

namespace commandline {

namespace {

using formkit::toQString;
using formkit::toStd;

const QString sheetOption = QStringLiteral("sheet");
const QString drOption = QStringLiteral("dr");
const QString cycleOption = QStringLiteral("cycle");
const QString dgOption = QStringLiteral("dg");
const QString scanOption = QStringLiteral("scan");
const QString crlOption = QStringLiteral("crl");
const QString formulaOption = QStringLiteral("crl-formula");
const QString redateOption = QStringLiteral("redate");
const QString retrievalOption = QStringLiteral("retrieval");
const QString inseminationOption = QStringLiteral("insemination");
const QString transferOption = QStringLiteral("transfer");
const QString embryoAgeOption = QStringLiteral("embryo-age");
const QString todayOption = QStringLiteral("today");
const QString childrenOption = QStringLiteral("children");
const QString fetusesOption = QStringLiteral("fetuses");
const QString formatOption = QStringLiteral("format");
const QString outputOption = QStringLiteral("output");
const QString rhesusOption = QStringLiteral("rh-negative");
const QString birthOption = QStringLiteral("birth");

constexpr int mostChildren = 30;
constexpr int mostFetuses = 9;

void addOptions(QCommandLineParser &parser)
{
    const QString date = QStringLiteral("DATE");
    const QString days = QStringLiteral("JOURS");
    parser.addOptions({
        { sheetOption,
            QStringLiteral("Écrit la fiche de grossesse (sans fenêtre) au lieu d'ouvrir le calendrier ; "
                           "demande une façon de dater la grossesse : --dr, --dg, --scan, --retrieval, "
                           "--insemination ou --transfer (--dr se joint à --scan).") },
        { drOption,
            QStringLiteral("Date des dernières règles (DG = DR + 14 jours pour un cycle de 28 jours)."),
            date },
        { cycleOption, QStringLiteral("Durée du cycle, de 21 à 45 jours (par défaut 28), avec --dr."), days },
        { dgOption, QStringLiteral("Date de début de grossesse."), date },
        { scanOption, QStringLiteral("Date de l'échographie du 1er trimestre, avec --crl."), date },
        { crlOption, QStringLiteral("Longueur cranio-caudale en mm (une décimale, 60 ou 60,5), avec --scan."),
            QStringLiteral("MM") },
        { formulaOption,
            QStringLiteral("Formule de la longueur cranio-caudale : robinson (Robinson 1975, 10 à 84 mm, par "
                           "défaut) ou intergrowth (INTERGROWTH-21st 2014, 15 à 95 mm)."),
            QStringLiteral("FORMULE") },
        { redateOption,
            QStringLiteral("Avec --scan et --dr, recaler le terme sur l'échographie : always (toujours, par "
                           "défaut), 5 ou 7 (si l'écart dépasse 5 ou 7 jours)."),
            QStringLiteral("REGLE") },
        { retrievalOption, QStringLiteral("Date de ponction (AMP) : DG = cette date."), date },
        { inseminationOption, QStringLiteral("Date d'insémination (AMP) : DG = cette date."), date },
        { transferOption, QStringLiteral("Date du transfert d'embryon (AMP), avec --embryo-age."), date },
        { embryoAgeOption,
            QStringLiteral(
                "Âge de l'embryon transféré, de 2 à 6 jours (congelé : son âge à la congélation) ; "
                "DG = transfert − âge."),
            days },
        { todayOption, QStringLiteral("Date du jour de la fiche (par défaut, aujourd'hui)."), date },
        { rhesusOption,
            QStringLiteral("La mère est Rhésus négatif : génotypage RHD fœtal et prophylaxie anti-D.") },
        { birthOption,
            QStringLiteral(
                "Date de l'accouchement, du début de grossesse à 45 SA : les dates d'après la naissance "
                "en partent (sinon, de la DPA)."),
            date },
        { childrenOption, QStringLiteral("Enfants déjà à charge : 0, 1, 2 ou plus (par défaut 0)."),
            QStringLiteral("N"), QStringLiteral("0") },
        { fetusesOption, QStringLiteral("Nombre de fœtus : 1, 2, 3 ou plus (par défaut 1)."),
            QStringLiteral("N"), QStringLiteral("1") },
        { formatOption, QStringLiteral("Format : text (par défaut), html, pdf ou ics."),
            QStringLiteral("FORMAT"), QStringLiteral("text") },
        { outputOption, QStringLiteral("Fichier écrit ; - (par défaut) pour la sortie standard."),
            QStringLiteral("FICHIER"), QStringLiteral("-") },
    });
}

// The options that take a value, and those that only go with --sheet.
const QStringList valueOptions { drOption, cycleOption, dgOption, scanOption, crlOption, formulaOption,
    redateOption, retrievalOption, inseminationOption, transferOption, embryoAgeOption, todayOption,
    birthOption, childrenOption, fetusesOption, formatOption, outputOption };
const QStringList sheetOnlyOptions = valueOptions + QStringList { rhesusOption };

QString quoted(const QString &text)
{
    return QStringLiteral("« %1 »").arg(text);
}

// Reads the options one by one; the first problem is kept and stops nothing, so that every read
// stays simple, but no command is made once there is one.
class Reader
{
public:
    explicit Reader(const QCommandLineParser &parser)
        : m_parser(parser)
    { }

    bool isSet(const QString &name) const { return m_parser.isSet(name); }
    bool failed() const { return !m_problem.isEmpty(); }
    const QString &problem() const { return m_problem; }

    void refuse(const QString &problem)
    {
        if (m_problem.isEmpty())
            m_problem = problem;
    }

    std::optional<dating::Date> date(const QString &name)
    {
        const QString text = m_parser.value(name);
        const auto date = dating::readsAsDate(toStd(text));
        if (!date)
            refuse(QStringLiteral("--%1 : %2 n'est pas une date (jj/mm/aaaa)").arg(name, quoted(text)));
        return date;
    }

    std::optional<int> count(const QString &name, int least, int most, const QString &what)
    {
        bool number = false;
        const int count = m_parser.value(name).toInt(&number);
        if (number && count >= least && count <= most)
            return count;
        refuse(QStringLiteral("--%1 : %2 n'est pas un nombre %3 de %4 à %5")
                   .arg(name, quoted(m_parser.value(name)), what)
                   .arg(least)
                   .arg(most));
        return std::nullopt;
    }

    QString value(const QString &name) const { return m_parser.value(name); }

private:
    const QCommandLineParser &m_parser;
    QString m_problem;
};

// Exactly one way to the conception date, but for the last period beside the scan; each option
// with the ones it needs.
void checkCombination(Reader &reader)
{
    int ways = 0;
    for (const QString &name : { dgOption, scanOption, retrievalOption, inseminationOption, transferOption })
        ways += reader.isSet(name);
    if (reader.isSet(drOption) && !reader.isSet(scanOption))
        ++ways;
    if (ways != 1) {
        reader.refuse(
            QStringLiteral("--sheet demande une façon de dater la grossesse, et une seule : --dr, "
                           "--dg, --scan (avec ou sans --dr), --retrieval, --insemination ou --transfer"));
        return;
    }
    const struct
    {
        const QString &option;
        const QString &needs;
    } partners[] { { scanOption, crlOption }, { crlOption, scanOption }, { formulaOption, scanOption },
        { cycleOption, drOption }, { transferOption, embryoAgeOption }, { embryoAgeOption, transferOption } };
    for (const auto &[option, needs] : partners) {
        if (reader.isSet(option) && !reader.isSet(needs))
            reader.refuse(QStringLiteral("--%1 demande --%2").arg(option, needs));
    }
    if (reader.isSet(redateOption) && !(reader.isSet(scanOption) && reader.isSet(drOption)))
        reader.refuse(
            QStringLiteral("--%1 choisit entre --dr et --scan : il les demande tous deux").arg(redateOption));
}

std::optional<dating::CrlFormula> formula(Reader &reader)
{
    const QString name
        = reader.isSet(formulaOption) ? reader.value(formulaOption) : QStringLiteral("robinson");
    if (name == QLatin1String("robinson"))
        return dating::CrlFormula::Robinson1975;
    if (name == QLatin1String("intergrowth"))
        return dating::CrlFormula::Intergrowth2014;
    reader.refuse(
        QStringLiteral("--%1 : %2 inconnue (robinson ou intergrowth)").arg(formulaOption, quoted(name)));
    return std::nullopt;
}

std::optional<dating::RedatePolicy> policy(Reader &reader)
{
    const QString name = reader.isSet(redateOption) ? reader.value(redateOption) : QStringLiteral("always");
    if (name == QLatin1String("always"))
        return dating::RedatePolicy::Always;
    if (name == QLatin1String("5"))
        return dating::RedatePolicy::GapOver5;
    if (name == QLatin1String("7"))
        return dating::RedatePolicy::GapOver7;
    reader.refuse(QStringLiteral("--%1 : %2 inconnue (always, 5 ou 7)").arg(redateOption, quoted(name)));
    return std::nullopt;
}

std::optional<double> length(Reader &reader)
{
    const QString text = reader.value(crlOption);
    const auto length = dating::readsAsLength(toStd(text));
    if (!length)
        reader.refuse(QStringLiteral("--%1 : %2 n'est pas une longueur en millimètres (60 ou 60,5)")
                          .arg(crlOption, quoted(text)));
    return length;
}

// The dating the options ask for; a refusal names the option it comes from.
std::optional<dating::Dated> dated(Reader &reader)
{
    std::optional<dating::PeriodDating> period;
    if (reader.isSet(drOption)) {
        const auto lastPeriod = reader.date(drOption);
        const auto cycle = reader.isSet(cycleOption) ? reader.count(cycleOption, dating::shortestCycle,
                               dating::longestCycle, QStringLiteral("de jours"))
                                                     : std::optional(dating::usualCycle);
        if (lastPeriod && cycle)
            period = dating::PeriodDating { *lastPeriod, *cycle };
    }
    QString from;
    dating::Dated dated;
    dating::CrlFormula usedFormula = dating::CrlFormula::Robinson1975;
    if (reader.isSet(scanOption)) {
        from = scanOption;
        const auto scan = reader.date(scanOption);
        const auto crl = length(reader);
        const auto chosen = formula(reader);
        const auto redate = policy(reader);
        if (reader.failed())
            return std::nullopt;
        usedFormula = *chosen;
        dated = dating::datedByScan(*scan, *crl, *chosen, period, *redate);
        if (dated.problem == dating::DatingProblem::CrlOutOfRange)
            from = crlOption;
    } else if (reader.isSet(drOption)) {
        from = reader.isSet(cycleOption) ? cycleOption : drOption;
        if (!period)
            return std::nullopt;
        dated = dating::datedByPeriod(period->lastPeriod, period->cycleDays);
    } else if (reader.isSet(dgOption)) {
        const auto conception = reader.date(dgOption);
        if (!conception)
            return std::nullopt;
        return dating::Dated { conception, dating::EnteredDating {} };
    } else if (reader.isSet(transferOption)) {
        from = embryoAgeOption;
        const auto transfer = reader.date(transferOption);
        bool number = false;
        const int age = reader.value(embryoAgeOption).toInt(&number);
        if (!number)
            reader.refuse(QStringLiteral("--%1 : %2 n'est pas un nombre de jours")
                              .arg(embryoAgeOption, quoted(reader.value(embryoAgeOption))));
        if (reader.failed())
            return std::nullopt;
        dated = dating::datedByTransfer(*transfer, age);
    } else {
        from = reader.isSet(retrievalOption) ? retrievalOption : inseminationOption;
        const auto day = reader.date(from);
        if (!day)
            return std::nullopt;
        dated = dating::datedByRetrieval(*day);
    }
    if (dated.problem != dating::DatingProblem::None) {
        reader.refuse(
            QStringLiteral("--%1 : %2").arg(from, sheet::datingProblemText(dated.problem, usedFormula)));
        return std::nullopt;
    }
    return dated;
}

std::optional<QString> format(Reader &reader, const QString &output)
{
    const QString format = reader.value(formatOption);
    if (!QStringList { "text", "summary", "html", "pdf", "ics" }.contains(format))
        reader.refuse(
            QStringLiteral("--format : %1 inconnu (text, summary, html, pdf ou ics)").arg(quoted(format)));
    else if (format == QLatin1String("pdf") && output == QLatin1String("-"))
        reader.refuse(QStringLiteral("--format pdf demande un fichier : --output FICHIER"));
    else
        return format;
    return std::nullopt;
}

// A value that is itself an option is the sign of a value left out: "--dg --format html".
QString valueThatIsAnOption(const QCommandLineParser &parser)
{
    for (const QString &name : valueOptions) {
        if (parser.isSet(name) && parser.value(name).startsWith(QLatin1String("--")))
            return QStringLiteral("--%1 attend une valeur, pas l'option %2")
                .arg(name, quoted(parser.value(name)));
    }
    return {};
}

QByteArray rendered(const Command &command, const sheet::Sheet &sheet)
{
    if (command.format == QLatin1String("html"))
        return toHtml(sheet, sheet::timelineDataUrl(sheet)).toUtf8();
    if (command.format == QLatin1String("pdf"))
        return sheet::toPdf(sheet);
    if (command.format == QLatin1String("ics"))
        return sheet::toICalendar(sheet, command.request.today);
    if (command.format == QLatin1String("summary"))
        return sheet::toSummary(sheet).toUtf8();
    return sheet::toText(sheet).toUtf8();
}

QString written(const QString &path, const QByteArray &bytes)
{
    if (path == QLatin1String("-")) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush())
            return QStringLiteral("impossible d'écrire sur la sortie standard");
        return {};
    }
    const QString problem = formkit::saveWholeFile(path, bytes);
    return problem.isEmpty() ? QString()
                             : QStringLiteral("impossible d'écrire %1 : %2").arg(quoted(path), problem);
}

} // namespace

Answer read(const QStringList &arguments, dating::Date today)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Calendrier obstétrical : dates de la grossesse, suivi et journal de notes."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    addOptions(parser);

    Answer answer;
    if (!parser.parse(arguments)) {
        answer.problem = parser.errorText();
        return answer;
    }
    if (parser.isSet(help)) {
        answer.shown = parser.helpText();
        return answer;
    }
    if (parser.isSet(version)) {
        answer.shown = QStringLiteral("%1 %2\n").arg(
            QCoreApplication::applicationName(), QCoreApplication::applicationVersion());
        return answer;
    }
    if (answer.problem = valueThatIsAnOption(parser); !answer.problem.isEmpty())
        return answer;
    if (!parser.positionalArguments().isEmpty()) {
        answer.problem
            = QStringLiteral("argument inattendu %1").arg(quoted(parser.positionalArguments().first()));
        return answer;
    }
    if (!parser.isSet(sheetOption)) {
        for (const QString &name : sheetOnlyOptions) {
            if (parser.isSet(name)) {
                answer.problem = QStringLiteral("--%1 ne s'utilise qu'avec --sheet").arg(name);
                break;
            }
        }
        return answer;
    }

    Reader reader(parser);
    checkCombination(reader);
    if (reader.failed()) {
        answer.problem = reader.problem();
        return answer;
    }
    const auto dating = dated(reader);
    const auto day = reader.isSet(todayOption) ? reader.date(todayOption) : today;
    const auto children = reader.count(childrenOption, 0, mostChildren, QStringLiteral("d'enfants"));
    const auto fetuses = reader.count(fetusesOption, 1, mostFetuses, QStringLiteral("de fœtus"));
    const auto birth = reader.isSet(birthOption) ? reader.date(birthOption) : std::nullopt;
    const QString output = reader.value(outputOption);
    const auto chosenFormat = format(reader, output);
    if (output.isEmpty())
        reader.refuse(QStringLiteral("--output : nom de fichier vide"));
    if (reader.failed()) {
        answer.problem = reader.problem();
        return answer;
    }
    const sheet::Request request { *dating->conception, dating->dating, *day, { *children, *fetuses }, {},
        reader.isSet(rhesusOption), birth };
    if (const auto refusal = sheet::refusalOf(request); refusal != sheet::Refusal::None) {
        answer.problem = refusal == sheet::Refusal::BirthNotPossible
            ? QStringLiteral("--%1 : %2").arg(birthOption, sheet::refusalText(refusal, request))
            : sheet::refusalText(refusal, request);
        return answer;
    }
    answer.command = Command { request, *chosenFormat, output };
    return answer;
}

QString undecodableArgument(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        if (QFile::encodeName(QFile::decodeName(raw)) != raw)
            return QStringLiteral(
                "l'argument %1 n'est pas un texte lisible (UTF-8) : un autre nom de fichier "
                "serait écrit")
                .arg(i);
    }
    return {};
}

bool needsPainting(const Command &command)
{
    return command.format == QLatin1String("pdf") || command.format == QLatin1String("html");
}

QString run(const Command &command)
{
    const auto sheet = sheet::makeSheet(command.request);
    if (!sheet)
        return sheet::refusalText(sheet::refusalOf(command.request), command.request);
    return written(command.output, rendered(command, *sheet));
}

QString oneLine(const QString &text)
{
    QString line;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            line += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            line += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            line += QStringLiteral("\\t");
        else if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            line += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            line += c;
    }
    return line;
}

} // namespace commandline
