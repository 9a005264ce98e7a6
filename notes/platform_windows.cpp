#include "platform.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace notes {

namespace {

class WindowsPlatform final : public Platform
{
public:
    QString perUserDataDirectory() const override
    {
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }

    // Notepad has no start-up option for the caret; it opens at the top of the journal.
    bool openInEditor(const QString &path, std::optional<TextPosition>) const override
    {
        return QProcess::startDetached(QStringLiteral("notepad.exe"), { QDir::toNativeSeparators(path) });
    }
};

} // namespace

const Platform &nativePlatform()
{
    static const WindowsPlatform platform;
    return platform;
}

} // namespace notes
