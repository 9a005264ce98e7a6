#include "platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace notes {

namespace {

QString windowsDirectory()
{
#ifdef Q_OS_WIN
    return qEnvironmentVariable("windir");
#else
    // Paths are bytes here. Qt 6.4 decodes file names as UTF-8 and cannot give back bytes that
    // are not: a directory so named is not used, rather than one whose name only looks like it.
    const QByteArray bytes = qgetenv("windir");
    const QString name = QFile::decodeName(bytes);
    return QFile::encodeName(name) == bytes ? name : QString();
#endif
}

// Makes directory and the directories missing on its way, each readable by its owner only, as the
// XDG base directory rules ask: the journal holds patients' notes.
void makePrivateDirectory(const QString &directory)
{
    const QFileInfo info(directory);
    if (info.exists() || info.isRoot())
        return;
    makePrivateDirectory(info.absolutePath());
    QDir().mkdir(info.absoluteFilePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

QString Platform::journalDirectory() const
{
    const QString windir = windowsDirectory();
    if (!windir.isEmpty())
        return windir;
    const QString directory = perUserDataDirectory();
    // A directory that cannot be made shows up as a journal that cannot be written.
    if (!directory.isEmpty())
        makePrivateDirectory(directory);
    return directory;
}

} // namespace notes
