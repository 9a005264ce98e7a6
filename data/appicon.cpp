#include "data/appicon.h"

#include <QSize>

namespace gestiva {

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : { 16, 32, 48, 64, 128, 256 })
        icon.addFile(QStringLiteral(":/icons/gestiva-%1.png").arg(size), QSize(size, size));
    return icon;
}

QString applicationId()
{
    return QStringLiteral(GESTIVA_APP_ID);
}

} // namespace gestiva
