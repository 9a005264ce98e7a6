#include "notes.h"

#include "ecrireini.h"
#include "formkit/conversions.h"
#include "profilefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace notes {

namespace {

const QString notStamped = QStringLiteral("La date n'a pas pu être écrite dans le journal %1.");
const QString notOpened = QStringLiteral("Aucun éditeur de texte n'a pu ouvrir le journal %1.");
const QString neither = QStringLiteral("Le journal %1 n'a pu être ni daté ni ouvert.");
const QString inUse = QStringLiteral(
    "Le journal %1 est en cours d'écriture par un autre programme et n'a été ni daté ni ouvert : réessayez "
    "dans un instant.");
const QString noSpace = QStringLiteral("Le disque est trop plein pour dater le journal %1.");
const QString noSpaceNotOpened
    = QStringLiteral("Le disque est trop plein pour dater le journal %1, qu'aucun éditeur n'a pu ouvrir.");
const QString cutOffKept = QStringLiteral(
    "Le journal %1 n'a été ni daté ni ouvert : une écriture coupée y est peut-être restée, et sa copie de "
    "secours %2 est gardée pour le remettre en état.");
const QString cutOffEnd = QStringLiteral(
    "Le journal %1 n'a été ni daté ni ouvert : sa fin est peut-être restée à moitié écrite.");
const QString setAside = QStringLiteral(
    "Le journal %1 avait été modifié après une écriture coupée : ce que cette écriture avait mis de côté est "
    "gardé dans %2.");
const QString strayInPlace = QStringLiteral(
    "Le fichier %2, à côté du journal %1, n'a pu être ni enlevé ni mis de côté : tant qu'il est là, aucune "
    "date ne peut s'insérer au milieu du journal.");

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// What went wrong with the stamp and the editor, for the help line; empty when nothing did.
QString problemOf(const ProfileWriteResult &stamp, const QString &path, bool opened, bool isFile)
{
    switch (stamp.outcome) {
    case WriteOutcome::Written:
        return opened ? QString() : notOpened.arg(native(path));
    case WriteOutcome::InUse:
        return inUse.arg(native(path));
    case WriteOutcome::NoSpace:
        return (opened ? noSpace : noSpaceNotOpened).arg(native(path));
    case WriteOutcome::Unsafe:
        return stamp.safetyCopy.isEmpty() ? cutOffEnd.arg(native(path))
                                          : cutOffKept.arg(native(path), native(stamp.safetyCopy));
    case WriteOutcome::Failed:
        break;
    }
    return (opened || !isFile ? notStamped : neither).arg(native(path));
}

// A journal half-way through a change, ours or another program's, is not for editing: saved
// there, the damage would stay.
bool mayBeEdited(WriteOutcome stamp)
{
    return stamp != WriteOutcome::InUse && stamp != WriteOutcome::Unsafe;
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
    const ProfileWriteResult stamp
        = stampJournal(formkit::shortText(now.date), formkit::toQString(dating::timeKey(now.time)), path);
    const bool stamped = stamp.outcome == WriteOutcome::Written;
    const QFileInfo journal(path);
    const bool opened = mayBeEdited(stamp.outcome) && journal.isFile()
        && platform.openInEditor(journal.absoluteFilePath(), stamped ? stamp.textEnd : textEndOf(path));
    QStringList sentences;
    if (!stamp.setAside.isEmpty())
        sentences << setAside.arg(native(path), native(stamp.setAside));
    if (!stamp.safetyCopy.isEmpty() && stamp.outcome != WriteOutcome::Unsafe)
        sentences << strayInPlace.arg(native(path), native(stamp.safetyCopy));
    if (const QString problem = problemOf(stamp, path, opened, journal.isFile()); !problem.isEmpty())
        sentences << problem;
    return sentences.join(u' ');
}

} // namespace notes
