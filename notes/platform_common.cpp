#include "platform.h"

#include <QDir>
#include <QFile>

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

} // namespace

QString Platform::journalDirectory() const
{
    const QString windir = windowsDirectory();
    if (!windir.isEmpty())
        return windir;
    const QString directory = perUserDataDirectory();
    // A directory that cannot be made shows up as a journal that cannot be written.
    if (!directory.isEmpty())
        QDir().mkpath(directory);
    return directory;
}

} // namespace notes
