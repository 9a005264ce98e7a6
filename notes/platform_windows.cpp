#include "platform.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <windows.h>

#include <shellapi.h>
#include <shlwapi.h>

namespace notes {

namespace {

const QString journalName = QStringLiteral("gestiva.txt");

// Where Windows' file virtualization keeps a program's writes to the Windows directory when the
// program may not write there: the same path, without its drive, under VirtualStore.
QString virtualStoreOf(const QString &directory)
{
    const QString localAppData = qEnvironmentVariable("LOCALAPPDATA");
    if (directory.isEmpty() || localAppData.isEmpty())
        return QString();
    const QString absolute = QDir::fromNativeSeparators(QDir::cleanPath(directory));
    const qsizetype afterRoot = absolute.indexOf(u'/');
    if (afterRoot < 0)
        return QString();
    return QDir(localAppData).filePath(QStringLiteral("VirtualStore") + absolute.sliced(afterRoot));
}

// Whether the shell has a program to open files of path's type. Asked first, because on a
// recent Windows opening a file of no known type asks the user to choose a program.
bool shellCanOpen(const QString &path)
{
    const QString extension = u'.' + QFileInfo(path).suffix();
    DWORD size = 0;
    const HRESULT found = AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_COMMAND,
        reinterpret_cast<const wchar_t *>(extension.utf16()), L"open", nullptr, &size);
    return (found == S_OK || found == S_FALSE) && size > 1;
}

class WindowsPlatform final : public Platform
{
public:
    // An ordinary user may not write to the Windows directory on any Windows since Vista. A journal
    // an earlier program left there, or in the copy Windows made of it, stays where it is; a new
    // one starts in the per-user data folder.
    QString journalDirectory() const override
    {
        const QString windir = qEnvironmentVariable("windir");
        for (const QString &directory : { windir, virtualStoreOf(windir) }) {
            if (!directory.isEmpty() && QFileInfo::exists(QDir(directory).filePath(journalName)))
                return directory;
        }
        const QString directory = perUserDataDirectory();
        QDir().mkpath(directory);
        return directory;
    }

    QString perUserDataDirectory() const override
    {
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }

    // The user's program for .txt files, as the shell opens them, else Notepad. Neither has a
    // start-up option for the caret, so the journal opens at its top: no keystrokes are sent,
    // since they would go to whichever window has the focus.
    bool openInEditor(const QString &path, std::optional<TextPosition>) const override
    {
        const QString nativePath = QDir::toNativeSeparators(path);
        if (shellCanOpen(path)
            && reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open",
                   reinterpret_cast<const wchar_t *>(nativePath.utf16()), nullptr, nullptr, SW_SHOWNORMAL))
                > 32)
            return true;
        // Found on PATH, as a user's shell finds it (the system directory comes first there).
        const QString notepad = QStandardPaths::findExecutable(QStringLiteral("notepad.exe"));
        return QProcess::startDetached(
            notepad.isEmpty() ? QStringLiteral("notepad.exe") : notepad, { nativePath });
    }
};

} // namespace

const Platform &nativePlatform()
{
    static const WindowsPlatform platform;
    return platform;
}

} // namespace notes
