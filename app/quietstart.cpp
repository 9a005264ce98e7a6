#include "quietstart.h"

#include <QString>

namespace {

QtMessageHandler passedOn = nullptr;

bool isRuntimeDirNotice(QtMsgType type, const QString &message)
{
    return type == QtWarningMsg
        && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"));
}

void dropRuntimeDirNotice(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!isRuntimeDirNotice(type, message) && passedOn)
        passedOn(type, context, message);
}

} // namespace

QuietRuntimeDirNotice::QuietRuntimeDirNotice()
{
    passedOn = qInstallMessageHandler(dropRuntimeDirNotice);
}

QuietRuntimeDirNotice::~QuietRuntimeDirNotice()
{
    qInstallMessageHandler(passedOn);
}
