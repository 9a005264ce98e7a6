#include "platform.h"

#include <QDir>

namespace notes {

QString Platform::journalDirectory() const
{
    const QString windir = qEnvironmentVariable("windir");
    if (!windir.isEmpty())
        return windir;
    const QString directory = perUserDataDirectory();
    // A directory that cannot be made shows up as a journal that cannot be written.
    QDir().mkpath(directory);
    return directory;
}

} // namespace notes
