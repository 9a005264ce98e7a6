#include "profilefile.h"

#include "platform.h"
#include "profile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

#include <windows.h>

namespace notes {

namespace {

class Handle
{
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE)
        : m_handle(handle)
    { }
    Handle(Handle &&other) noexcept
        : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE))
    { }
    Handle &operator=(Handle &&other) noexcept
    {
        std::swap(m_handle, other.m_handle);
        return *this;
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    ~Handle()
    {
        if (isOpen())
            CloseHandle(m_handle);
    }

    HANDLE get() const { return m_handle; }
    bool isOpen() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

OVERLAPPED at(qint64 offset)
{
    OVERLAPPED overlapped {};
    overlapped.Offset = DWORD(quint64(offset) & 0xffffffffu);
    overlapped.OffsetHigh = DWORD(quint64(offset) >> 32);
    return overlapped;
}

bool writeAllAt(HANDLE file, QByteArrayView bytes, qint64 offset)
{
    while (!bytes.isEmpty()) {
        OVERLAPPED where = at(offset);
        DWORD written = 0;
        const DWORD chunk = DWORD(std::min<qsizetype>(bytes.size(), 1 << 30));
        if (!WriteFile(file, bytes.data(), chunk, &written, &where) || written == 0)
            return false;
        bytes = bytes.sliced(written);
        offset += written;
    }
    return true;
}

std::optional<QByteArray> readAll(HANDLE file)
{
    LARGE_INTEGER size {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart >= std::numeric_limits<qsizetype>::max())
        return std::nullopt;
    QByteArray content(qsizetype(size.QuadPart) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    for (;;) {
        if (got == content.size())
            content.resize(got + 65536);
        OVERLAPPED where = at(got);
        DWORD read = 0;
        const DWORD chunk = DWORD(std::min<qsizetype>(content.size() - got, 1 << 30));
        if (!ReadFile(file, content.data() + got, chunk, &read, &where))
            return GetLastError() == ERROR_HANDLE_EOF ? std::optional(content.first(got)) : std::nullopt;
        if (read == 0) {
            content.truncate(got);
            return content;
        }
        got += read;
    }
}

bool sameFile(HANDLE a, HANDLE b)
{
    BY_HANDLE_FILE_INFORMATION first {}, second {};
    return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second)
        && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber
        && first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

// Windows' byte-range locks are mandatory, so the lock is taken on one byte far beyond any text:
// it keeps two stamps apart without stopping an editor from reading or saving the journal.
constexpr qint64 lockByte = 0x7fffffffffffffffLL - 1;
// A stamp waits this long for another one to finish, then gives up rather than freeze the window.
constexpr int lockWaitMilliseconds = 5000;

bool lockWithin(HANDLE file, int milliseconds)
{
    for (int waited = 0;; waited += 10) {
        OVERLAPPED where = at(lockByte);
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where))
            return true;
        if (GetLastError() != ERROR_LOCK_VIOLATION || waited >= milliseconds)
            return false;
        Sleep(10);
    }
}

struct LockedFile
{
    Handle handle;
    bool created = false;
};

// Opens path for writing under the lock. Others may read, write, rename or delete the journal
// meanwhile, as they could without us; a stamp that replaced the file while we waited for the
// lock sends us to the new one.
std::optional<LockedFile> openLocked(const QString &path)
{
    constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    for (int attempt = 0; attempt < 100; ++attempt) {
        LockedFile file;
        file.handle = Handle(CreateFileW(wide(path), GENERIC_READ | GENERIC_WRITE, share, nullptr,
            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.handle.isOpen() && GetLastError() == ERROR_FILE_NOT_FOUND) {
            file.handle = Handle(CreateFileW(wide(path), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file.handle.isOpen() && GetLastError() == ERROR_FILE_EXISTS)
                continue;
            file.created = file.handle.isOpen();
        }
        // A device or a pipe in the journal's place is not a journal.
        if (!file.handle.isOpen() || GetFileType(file.handle.get()) != FILE_TYPE_DISK)
            return std::nullopt;
        if (!lockWithin(file.handle.get(), lockWaitMilliseconds))
            return std::nullopt;
        const Handle named(
            CreateFileW(wide(path), 0, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!named.isOpen() || !sameFile(named.get(), file.handle.get()))
            continue;
        return file;
    }
    return std::nullopt;
}

// Asked of the file itself: an administrator, or Wine running as root, may open a read-only file
// for writing, and the user marked it read-only so that nothing writes to it.
bool isReadOnly(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION information {};
    return !GetFileInformationByHandle(file, &information)
        || (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool setSize(HANDLE file, qint64 size)
{
    LARGE_INTEGER position {};
    position.QuadPart = size;
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

bool appendInPlace(LockedFile &file, qint64 oldSize, QByteArrayView bytes, const QString &path)
{
    const HANDLE handle = file.handle.get();
    if (writeAllAt(handle, bytes, oldSize) && FlushFileBuffers(handle))
        return true;
    // Give the file back as it was: no half-written stamp, and no file we created ourselves.
    if (file.created && oldSize == 0) {
        file.handle = Handle();
        DeleteFileW(wide(path));
    } else if (setSize(handle, oldSize)) {
        FlushFileBuffers(handle);
    }
    return false;
}

// The new content goes to a temporary file beside the journal, which then takes the journal's
// place with ReplaceFileW; that keeps the journal's attributes, security and creation time, and a
// crash leaves either the old journal or the new one.
bool replaceWhole(QByteArrayView content, const ProfileEdit &edit, const QString &path)
{
    const QFileInfo journal(path);
    const QString directory = QDir::toNativeSeparators(journal.absolutePath());
    wchar_t temporary[MAX_PATH + 1] {};
    if (!GetTempFileNameW(wide(directory), L"ges", 0, temporary))
        return false;
    bool written = false;
    {
        const Handle file(
            CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        const QByteArrayView after = content.sliced(edit.position + edit.replaced);
        written = file.isOpen() && writeAllAt(file.get(), content.first(edit.position), 0)
            && writeAllAt(file.get(), edit.bytes, edit.position)
            && writeAllAt(file.get(), after, edit.position + edit.bytes.size())
            && FlushFileBuffers(file.get());
    }
    const QString target = QDir::toNativeSeparators(journal.absoluteFilePath());
    if (!written
        || !ReplaceFileW(
            wide(target), temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        DeleteFileW(temporary);
        return false;
    }
    return true;
}

} // namespace

bool writeProfileString(
    QByteArrayView section, QByteArrayView key, QByteArrayView value, const QString &path, TextPosition *end)
{
    if (path.isEmpty())
        return false;
    const QString nativePath = QDir::toNativeSeparators(path);
    std::optional<LockedFile> file = openLocked(nativePath);
    if (!file || (!file->created && isReadOnly(file->handle.get())))
        return false;
    const std::optional<QByteArray> content = readAll(file->handle.get());
    if (!content)
        return false;
    const ProfileEdit edit = planProfileWrite(*content, section, key, value, newFileLineBreak);
    bool written = false;
    switch (edit.kind) {
    case ProfileEdit::Kind::Unchanged:
        written = true;
        break;
    case ProfileEdit::Kind::Append:
        written = appendInPlace(*file, content->size(), edit.bytes, nativePath);
        break;
    case ProfileEdit::Kind::Rewrite:
        written = replaceWhole(*content, edit, nativePath);
        break;
    }
    if (written && end)
        *end = edit.kind == ProfileEdit::Kind::Unchanged
            ? endOfText({ *content })
            : endOfText({ QByteArrayView(*content).first(edit.position), edit.bytes,
                QByteArrayView(*content).sliced(edit.position + edit.replaced) });
    return written;
}

} // namespace notes
