#include "notes.h"

#include "ecrireini.h"
#include "profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace notes {

namespace {

const QString notStamped = QStringLiteral("La date n'a pas pu être écrite dans le journal %1.");
const QString notOpened = QStringLiteral("Aucun éditeur de texte n'a pu ouvrir le journal %1.");
const QString neither = QStringLiteral("Le journal %1 n'a pu être ni daté ni ouvert.");

// Where the text ends, so that the new note is typed right under the newest stamp.
std::optional<TextPosition> endOfText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return endOfText({ file.readAll() });
}

} // namespace

QString journalPath()
{
    return QDir(nativePlatform().journalDirectory()).filePath(QStringLiteral("gestiva.txt"));
}

QString OuvrirNotes(const QString &path, const dating::Clock &clock)
{
    return OuvrirNotes(path, clock, nativePlatform());
}

QString OuvrirNotes(const QString &path, const dating::Clock &clock, const Platform &platform)
{
    // One reading of the clock, so that a press at midnight cannot pair one day with the next day's time.
    const dating::LocalTime now = clock.now();
    TextPosition stampEnd;
    const bool stamped = EcrireIni(QString::fromStdString(dating::shortDate(now.date)),
                             QString::fromStdString(dating::timeKey(now.time)), QString(), path, &stampEnd)
        != 0;
    const QFileInfo journal(path);
    const bool opened = journal.isFile()
        && platform.openInEditor(journal.absoluteFilePath(), stamped ? stampEnd : endOfText(path));
    const QString shown = QDir::toNativeSeparators(path);
    if (stamped && opened)
        return QString();
    if (stamped)
        return notOpened.arg(shown);
    return (opened || !journal.isFile() ? notStamped : neither).arg(shown);
}

} // namespace notes
