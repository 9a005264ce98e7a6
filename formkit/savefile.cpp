#include "savefile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace formkit {

QString saveWholeFile(const QString &path, const QByteArray &bytes)
{
    const QFileInfo target(path);
    if (target.exists() && (!target.isFile() || !target.isWritable()))
        return QStringLiteral("le fichier n'est pas modifiable");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}

} // namespace formkit
