// A stand-in for a text editor: writes its arguments, one a line in UTF-8, to the file named by
// GESTIVA_RECORD, renamed into place only once complete.
#include <windows.h>

#include <shellapi.h>

#include <string>

int main()
{
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring record(32768, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"GESTIVA_RECORD", record.data(), DWORD(record.size()));
    if (!arguments || length == 0 || length >= record.size())
        return 1;
    record.resize(length);
    std::string text;
    for (int i = 1; i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, arguments[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(size_t(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, arguments[i], -1, argument.data(), size, nullptr, nullptr);
        argument.resize(argument.size() - 1);
        text += argument + '\n';
    }
    const std::wstring partial = record + L".part";
    const HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok
        = file != INVALID_HANDLE_VALUE && WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && MoveFileExW(partial.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
