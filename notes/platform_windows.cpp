#include "platform.h"

#include "editors.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <windows.h>

#include <shellapi.h>
#include <shlwapi.h>

#include <chrono>
#include <string>
#include <thread>

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

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// The command the shell runs to open files of path's type; empty when it has none. Asked first,
// because on a recent Windows opening a file of no known type asks the user to choose a program.
QString shellOpenCommand(const QString &path)
{
    const QString extension = u'.' + QFileInfo(path).suffix();
    DWORD size = 32768; // the longest command line Windows takes
    std::wstring command(size, L'\0');
    const HRESULT found = AssocQueryStringW(
        ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_COMMAND, wide(extension), L"open", command.data(), &size);
    return found == S_OK && size > 1 ? QString::fromWCharArray(command.c_str()) : QString();
}

// The program a shell command starts: its first word, as Windows splits a command line, with the
// environment's variables in it expanded.
QString programOf(const QString &command)
{
    int count = 0;
    wchar_t **words = CommandLineToArgvW(wide(command), &count);
    if (!words)
        return QString();
    std::wstring program(32768, L'\0');
    const DWORD length
        = count > 0 ? ExpandEnvironmentStringsW(words[0], program.data(), DWORD(program.size())) : 0;
    LocalFree(words);
    return length > 0 && length <= program.size() ? QString::fromWCharArray(program.c_str()) : QString();
}

bool isNotepad(const QString &program)
{
    return QFileInfo(program).fileName().compare(u"notepad.exe", Qt::CaseInsensitive) == 0;
}

struct ProcessWindow
{
    DWORD processId;
    HWND edit = nullptr;
};

// The edit control of a visible top window of the process: Notepad's text.
HWND editControlOf(DWORD processId)
{
    ProcessWindow found { processId };
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto &wanted = *reinterpret_cast<ProcessWindow *>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != wanted.processId || !IsWindowVisible(window))
                return TRUE;
            wanted.edit = FindWindowExW(window, nullptr, L"Edit", nullptr);
            return wanted.edit ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.edit;
}

// A message to another program's control, given up on when that program hangs.
std::optional<LRESULT> sendBounded(HWND control, UINT message, WPARAM first, LPARAM second)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(control, message, first, second, SMTO_ABORTIFHUNG, 2000, &result))
        return std::nullopt;
    return LRESULT(result);
}

// Notepad has no start-up option for the caret. Once it is ready for input and its window shows
// the caret's line, the caret goes there through its edit control: no keystroke is sent, since
// it would go to whichever window has the focus. Bounded, and off the calendar's thread.
void placeNotepadCaret(DWORD processId, TextPosition caret)
{
    const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (!process)
        return;
    WaitForInputIdle(process, 10000);
    CloseHandle(process);
    using namespace std::chrono_literals;
    const auto giveUp = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < giveUp) {
        if (const HWND edit = editControlOf(processId)) {
            const std::optional<LRESULT> lineStart
                = sendBounded(edit, EM_LINEINDEX, WPARAM(caret.line - 1), 0);
            if (!lineStart)
                return;
            // Until Notepad has read the file, its text lacks the caret's line.
            if (*lineStart >= 0) {
                const WPARAM place = WPARAM(*lineStart + caret.column - 1);
                sendBounded(edit, EM_SETSEL, place, LPARAM(place));
                sendBounded(edit, EM_SCROLLCARET, 0, 0);
                return;
            }
        }
        std::this_thread::sleep_for(50ms);
    }
}

// Notepad on the file, found on PATH as a user's shell finds it (the system directory comes
// first there) unless the shell named it.
bool openInNotepad(QString notepad, const QString &nativePath, std::optional<TextPosition> caret)
{
    if (notepad.isEmpty())
        notepad = QStandardPaths::findExecutable(QStringLiteral("notepad.exe"));
    qint64 processId = 0;
    if (!QProcess::startDetached(notepad.isEmpty() ? QStringLiteral("notepad.exe") : notepad, { nativePath },
            QString(), &processId))
        return false;
    if (caret)
        std::thread(placeNotepadCaret, DWORD(processId), *caret).detach();
    return true;
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

    // The user's program for .txt files, as the shell opens them, else Notepad. Notepad and
    // the editors that take the caret's place on their command line show it there.
    bool openInEditor(const QString &path, std::optional<TextPosition> caret) const override
    {
        const QString nativePath = QDir::toNativeSeparators(path);
        const QString command = shellOpenCommand(path);
        if (command.isEmpty())
            return openInNotepad(QString(), nativePath, caret);
        const QString program = programOf(command);
        if (isNotepad(program))
            return openInNotepad(program, nativePath, caret);
        if (caret) {
            if (const std::optional<QStringList> arguments
                = windowsCaretArguments(QFileInfo(program).fileName(), nativePath, *caret))
                return QProcess::startDetached(program, *arguments);
        }
        return reinterpret_cast<INT_PTR>(
                   ShellExecuteW(nullptr, L"open", wide(nativePath), nullptr, nullptr, SW_SHOWNORMAL))
            > 32;
    }
};

} // namespace

const Platform &nativePlatform()
{
    static const WindowsPlatform platform;
    return platform;
}

} // namespace notes
