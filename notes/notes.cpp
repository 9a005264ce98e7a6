#include "notes.h"

#include "ecrireini.h"
#include "profilefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace notes {

namespace {

const QString notStamped = QStringLiteral("La date n'a pas pu être écrite dans le journal %1.");
const QString notOpened = QStringLiteral("Aucun éditeur de texte n'a pu ouvrir le journal %1.");
const QString neither = QStringLiteral("Le journal %1 n'a pu être ni daté ni ouvert.");
const QString inUse = QStringLiteral("Le journal %1 est utilisé par un autre programme et n'a pas été daté.");
const QString inUseNotOpened
    = QStringLiteral("Le journal %1 est utilisé par un autre programme et n'a pu être ni daté ni ouvert.");
const QString noSpace = QStringLiteral("Le disque est trop plein pour dater le journal %1.");
const QString noSpaceNotOpened
    = QStringLiteral("Le disque est trop plein pour dater le journal %1, qu'aucun éditeur n'a pu ouvrir.");

QString problemOf(WriteOutcome stamp, bool opened, bool isFile)
{
    switch (stamp) {
    case WriteOutcome::Written:
        return opened ? QString() : notOpened;
    case WriteOutcome::InUse:
        return opened ? inUse : inUseNotOpened;
    case WriteOutcome::NoSpace:
        return opened ? noSpace : noSpaceNotOpened;
    case WriteOutcome::Failed:
        break;
    }
    return opened || !isFile ? notStamped : neither;
}

} // namespace

QString journalPath()
{
    const QString directory = nativePlatform().journalDirectory();
    return directory.isEmpty() ? QString() : QDir(directory).filePath(QStringLiteral("gestiva.txt"));
}

QString OuvrirNotes(const QString &path, const dating::Clock &clock)
{
    return OuvrirNotes(path, clock, nativePlatform());
}

QString OuvrirNotes(const QString &path, const dating::Clock &clock, const Platform &platform)
{
    // One reading of the clock, so that a press at midnight cannot pair one day with the next day's time.
    const dating::LocalTime now = clock.now();
    const ProfileWriteResult stamp = stampJournal(QString::fromStdString(dating::shortDate(now.date)),
        QString::fromStdString(dating::timeKey(now.time)), path);
    const bool stamped = stamp.outcome == WriteOutcome::Written;
    const QFileInfo journal(path);
    const bool opened = journal.isFile()
        && platform.openInEditor(journal.absoluteFilePath(), stamped ? stamp.textEnd : textEndOf(path));
    const QString problem = problemOf(stamp.outcome, opened, journal.isFile());
    return problem.isEmpty() ? problem : problem.arg(QDir::toNativeSeparators(path));
}

} // namespace notes
