#include "data/appicon.h"

#include <QSize>

namespace gestiva {

QIcon applicationIcon()
{
    QIcon icon;
    // The sizes drawn and built into the resources, from the one list in the build.
    for (const int size : { GESTIVA_ICON_SIZES })
        icon.addFile(QStringLiteral(":/icons/gestiva-%1.png").arg(size), QSize(size, size));
    return icon;
}

QString applicationId()
{
    return QStringLiteral(GESTIVA_APP_ID);
}

} // namespace gestiva
