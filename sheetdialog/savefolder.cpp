#include "savefolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace sheetdialog {

namespace {

bool isFolder(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

QString SaveFolder::startingFolder() const
{
    if (isFolder(m_lastFolder))
        return m_lastFolder;
    // A file dialog given a folder that does not exist opens in the working directory instead.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return isFolder(documents) ? documents : QDir::homePath();
}

void SaveFolder::remember(const QString &savedFile)
{
    m_lastFolder = QFileInfo(savedFile).absolutePath();
}

SaveFolder &thisRunsSaveFolder()
{
    static SaveFolder folder;
    return folder;
}

} // namespace sheetdialog
