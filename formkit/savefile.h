#pragma once

#include <QByteArray>
#include <QString>

namespace formkit {

// Writes a whole file or nothing: the bytes go to a file beside the target, renamed over it once
// complete, so a failed write leaves the target as it was. A target that exists but is no file, or
// cannot be modified, is refused, since the rename would replace it all the same. Gives the reason
// of a failure in French ("le fichier n'est pas modifiable"), or an empty text.
QString saveWholeFile(const QString &path, const QByteArray &bytes);

} // namespace formkit
