#include "commandline.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace sheet {

namespace {

const QString sheetOption = QStringLiteral("sheet");
const QString drOption = QStringLiteral("dr");
const QString dgOption = QStringLiteral("dg");
const QString todayOption = QStringLiteral("today");
const QString childrenOption = QStringLiteral("children");
const QString fetusesOption = QStringLiteral("fetuses");
const QString formatOption = QStringLiteral("format");
const QString outputOption = QStringLiteral("output");

constexpr int mostChildren = 30;
constexpr int mostFetuses = 9;

std::optional<dating::Date> dateOption(
    const QCommandLineParser &parser, const QString &name, QString &problem)
{
    const QString text = parser.value(name);
    const auto date = dating::readsAsDate(text.toStdString());
    if (!date)
        problem = QStringLiteral("--%1 : « %2 » n'est pas une date (jj/mm/aaaa)").arg(name, text);
    return date;
}

std::optional<int> countOption(const QCommandLineParser &parser, const QString &name, int least, int most,
    const QString &what, QString &problem)
{
    bool number = false;
    const int count = parser.value(name).toInt(&number);
    if (number && count >= least && count <= most)
        return count;
    problem = QStringLiteral("--%1 : « %2 » n'est pas un nombre %3 de %4 à %5")
                  .arg(name, parser.value(name), what)
                  .arg(least)
                  .arg(most);
    return std::nullopt;
}

QByteArray rendered(const Command &command, const Sheet &sheet)
{
    if (command.format == QLatin1String("html"))
        return toHtml(sheet, timelineDataUrl(sheet)).toUtf8();
    if (command.format == QLatin1String("pdf"))
        return toPdf(sheet);
    if (command.format == QLatin1String("ics"))
        return toICalendar(sheet, command.request.today);
    return toText(sheet).toUtf8();
}

QString written(const QString &path, const QByteArray &bytes)
{
    if (path == QLatin1String("-")) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush())
            return QStringLiteral("impossible d'écrire sur la sortie standard");
        return {};
    }
    // The save file writes beside the target and renames, so a failed write leaves no file; a
    // read-only target would be replaced by that rename, so it is refused first.
    const QFileInfo target(path);
    if (target.exists() && (!target.isFile() || !target.isWritable()))
        return QStringLiteral("impossible d'écrire « %1 » : le fichier n'est pas modifiable").arg(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("impossible d'écrire « %1 » : %2").arg(path, file.errorString());
    return {};
}

} // namespace

void addCommandLineOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        { sheetOption,
            QStringLiteral("Écrit la fiche de grossesse (sans fenêtre) au lieu d'ouvrir le calendrier ; "
                           "demande --dr ou --dg.") },
        { drOption, QStringLiteral("Date des dernières règles (DG = DR + 14 jours)."),
            QStringLiteral("DATE") },
        { dgOption, QStringLiteral("Date de début de grossesse."), QStringLiteral("DATE") },
        { todayOption, QStringLiteral("Date du jour de la fiche (par défaut, aujourd'hui)."),
            QStringLiteral("DATE") },
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

ReadCommand readCommand(const QCommandLineParser &parser, dating::Date today)
{
    ReadCommand read;
    if (!parser.isSet(sheetOption)) {
        for (const QString &name :
            { drOption, dgOption, todayOption, childrenOption, fetusesOption, formatOption, outputOption }) {
            if (parser.isSet(name)) {
                read.problem = QStringLiteral("--%1 ne s'utilise qu'avec --sheet").arg(name);
                break;
            }
        }
        return read;
    }
    QString &problem = read.problem;
    if (parser.isSet(drOption) == parser.isSet(dgOption)) {
        problem = QStringLiteral("--sheet demande une date, et une seule : --dr DATE ou --dg DATE");
        return read;
    }
    const bool fromLastPeriod = parser.isSet(drOption);
    const auto entered = dateOption(parser, fromLastPeriod ? drOption : dgOption, problem);
    const auto day = parser.isSet(todayOption) ? dateOption(parser, todayOption, problem) : today;
    const auto children
        = countOption(parser, childrenOption, 0, mostChildren, QStringLiteral("d'enfants"), problem);
    const auto fetuses
        = countOption(parser, fetusesOption, 1, mostFetuses, QStringLiteral("de fœtus"), problem);
    const QString format = parser.value(formatOption);
    const QString output = parser.value(outputOption);
    if (!QStringList { "text", "html", "pdf", "ics" }.contains(format))
        problem = QStringLiteral("--format : « %1 » inconnu (text, html, pdf ou ics)").arg(format);
    else if (format == QLatin1String("pdf") && output == QLatin1String("-"))
        problem = QStringLiteral("--format pdf demande un fichier : --output FICHIER");
    else if (output.isEmpty())
        problem = QStringLiteral("--output : nom de fichier vide");
    if (!problem.isEmpty())
        return read;

    const auto conception = fromLastPeriod
        ? dating::add(dating::Interval::Day, dating::daysFromLastPeriodToConception, *entered)
        : entered;
    const auto request = conception
        ? requestFromFields(QString::fromStdString(dating::shortDate(*conception)),
            fromLastPeriod ? parser.value(drOption) : QString(), *day, { *children, *fetuses }, {})
        : std::nullopt;
    if (!request || !dating::guidanceFor(request->conception, request->today, request->situation)) {
        problem = QStringLiteral("date hors des années prises en charge (%1 à %2)")
                      .arg(int(dating::firstSupportedYear))
                      .arg(int(dating::lastSupportedYear));
        return read;
    }
    read.command = Command { *request, format, output };
    return read;
}

bool needsPainting(const Command &command)
{
    return command.format == QLatin1String("pdf") || command.format == QLatin1String("html");
}

QString runCommand(const Command &command)
{
    const auto sheet = makeSheet(command.request);
    if (!sheet)
        return QStringLiteral("date hors des années prises en charge");
    return written(command.output, rendered(command, *sheet));
}

} // namespace sheet
