#include "osfile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <limits>

#include <windows.h>

namespace notes {

namespace {

std::wstring nativeName(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

HANDLE handleOf(qintptr handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

OVERLAPPED at(qint64 offset)
{
    OVERLAPPED overlapped {};
    overlapped.Offset = DWORD(quint64(offset) & 0xffffffffu);
    overlapped.OffsetHigh = DWORD(quint64(offset) >> 32);
    return overlapped;
}

FileFailure failureOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return FileFailure::Missing;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return FileFailure::NoSpace;
    case ERROR_WRITE_PROTECT:
        return FileFailure::ReadOnly;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return FileFailure::Exists;
    default:
        return FileFailure::Other;
    }
}

// True, with the system's last error set, when a test's injector fails this call: the error
// numbers it gives are POSIX ones, told here as Windows tells the like.
bool injected(FileCall call)
{
    const int error = detail::injectedFailure(call);
    if (error == 0)
        return false;
    SetLastError(error == ENOSPC                        ? ERROR_DISK_FULL
            : error == EAGAIN && call == FileCall::Lock ? ERROR_LOCK_VIOLATION
                                                        : ERROR_GEN_FAILURE);
    return true;
}

bool informationOf(HANDLE handle, BY_HANDLE_FILE_INFORMATION &information)
{
    return !injected(FileCall::Stat) && GetFileInformationByHandle(handle, &information);
}

// Others may read, write, rename or delete the file while we hold it, as they could without us:
// the lock below is what keeps two stamps apart.
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Windows' byte-range locks are mandatory, so the lock is on one byte far beyond any text: it keeps
// two stamps apart without stopping an editor from reading or saving the file.
constexpr qint64 lockByte = 0x7fffffffffffffffLL - 1;

bool sameFile(HANDLE a, HANDLE b)
{
    BY_HANDLE_FILE_INFORMATION first {};
    BY_HANDLE_FILE_INFORMATION second {};
    return informationOf(a, first) && informationOf(b, second)
        && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber
        && first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

} // namespace

OsFile::~OsFile()
{
    if (isOpen())
        CloseHandle(handleOf(m_handle));
}

OsFile OsFile::open(const QString &path, Access access)
{
    OsFile file;
    if (path.isEmpty()) {
        file.m_failure = FileFailure::Missing;
        return file;
    }
    const std::wstring name = nativeName(path);
    const bool reads = access == Access::Read || access == Access::ReadOwn;
    const DWORD rights = reads ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    // A link itself, never what it names, where only a file of ours will do.
    const DWORD flags = FILE_ATTRIBUTE_NORMAL
        | (access == Access::ReadOwn || access == Access::CreateNew ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    const auto openAs = [&](DWORD disposition) {
        if (injected(FileCall::Open))
            return INVALID_HANDLE_VALUE;
        return CreateFileW(name.c_str(), rights, shareAll, nullptr, disposition, flags, nullptr);
    };
    HANDLE handle = openAs(access == Access::CreateNew ? CREATE_NEW : OPEN_EXISTING);
    DWORD error = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (access == Access::CreateNew) {
        file.m_created = handle != INVALID_HANDLE_VALUE;
    } else if (handle == INVALID_HANDLE_VALUE && error == ERROR_FILE_NOT_FOUND && access == Access::Create) {
        // A new file takes the permissions of its folder: the user's data folder is the user's own.
        handle = openAs(CREATE_NEW);
        error = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
        // Made by someone else in the meantime: theirs is the file.
        if (handle == INVALID_HANDLE_VALUE && error == ERROR_FILE_EXISTS) {
            handle = openAs(OPEN_EXISTING);
            error = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
        } else {
            file.m_created = handle != INVALID_HANDLE_VALUE;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        // A folder, or a read-only file, refuses to be opened for writing with "access denied".
        const DWORD attributes = GetFileAttributesW(name.c_str());
        if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES)
            file.m_failure = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FileFailure::NotRegular
                : (attributes & FILE_ATTRIBUTE_READONLY)             ? FileFailure::ReadOnly
                                                                     : FileFailure::Other;
        else
            file.m_failure = failureOf(error);
        return file;
    }
    file.m_handle = reinterpret_cast<qintptr>(handle);
    BY_HANDLE_FILE_INFORMATION information {};
    FileFailure unfit = FileFailure::None;
    if (!informationOf(handle, information))
        unfit = FileFailure::Other;
    else if (GetFileType(handle) != FILE_TYPE_DISK
        || (information.dwFileAttributes
            & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT)))
        unfit = FileFailure::NotRegular;
    else if (!reads && (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
        // An administrator, or Wine running as root, may open it for writing all the same.
        unfit = FileFailure::ReadOnly;
    if (unfit != FileFailure::None) {
        // A file made for nothing does not stay.
        const bool created = file.m_created;
        file = OsFile();
        if (created)
            DeleteFileW(name.c_str());
        file.m_failure = unfit;
    }
    return file;
}

OsFile::Lock OsFile::tryLock()
{
    OVERLAPPED where = at(lockByte);
    if (!injected(FileCall::Lock)
        && LockFileEx(
            handleOf(m_handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where))
        return Lock::Taken;
    return GetLastError() == ERROR_LOCK_VIOLATION ? Lock::Busy : Lock::Failed;
}

bool OsFile::isNamed(const QString &path) const
{
    const HANDLE named = CreateFileW(
        nativeName(path).c_str(), 0, shareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (named == INVALID_HANDLE_VALUE)
        return false;
    const bool same = sameFile(named, handleOf(m_handle));
    CloseHandle(named);
    return same;
}

std::optional<quint64> OsFile::fileNumber() const
{
    BY_HANDLE_FILE_INFORMATION information {};
    if (!informationOf(handleOf(m_handle), information))
        return std::nullopt;
    return (quint64(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
}

qint64 OsFile::size() const
{
    LARGE_INTEGER size {};
    return !injected(FileCall::Stat) && GetFileSizeEx(handleOf(m_handle), &size) ? qint64(size.QuadPart) : -1;
}

qint64 OsFile::readAt(qint64 offset, char *buffer, qint64 size) const
{
    OVERLAPPED where = at(offset);
    DWORD read = 0;
    if (injected(FileCall::Read))
        return -1;
    if (ReadFile(handleOf(m_handle), buffer, DWORD(std::min<qint64>(size, 1 << 30)), &read, &where))
        return read;
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
}

// Holes of sparse files are rare on Windows and not asked for here.
qint64 OsFile::nextData(qint64 offset) const
{
    return offset;
}

FileFailure OsFile::writeAt(qint64 offset, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        OVERLAPPED where = at(offset);
        DWORD written = 0;
        if (injected(FileCall::Write))
            return failureOf(GetLastError());
        if (!WriteFile(handleOf(m_handle), bytes.data(), DWORD(std::min<qsizetype>(bytes.size(), 1 << 30)),
                &written, &where))
            return failureOf(GetLastError());
        if (written == 0)
            return FileFailure::NoSpace;
        bytes = bytes.sliced(written);
        offset += written;
    }
    return FileFailure::None;
}

bool OsFile::sync()
{
    return !injected(FileCall::Sync) && FlushFileBuffers(handleOf(m_handle));
}

bool OsFile::truncate(qint64 size)
{
    FILE_END_OF_FILE_INFO end {};
    end.EndOfFile.QuadPart = size;
    return !injected(FileCall::Truncate)
        && SetFileInformationByHandle(handleOf(m_handle), FileEndOfFileInfo, &end, sizeof end);
}

// NTFS keeps its directories in its own journal: a created or removed entry is durable with it.
bool syncDirectoryOf(const QString &)
{
    return true;
}

bool removeFile(const QString &path)
{
    if (injected(FileCall::Unlink))
        return false;
    return DeleteFileW(nativeName(path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

FileFailure moveAside(const QString &from, const QString &to)
{
    // Without MOVEFILE_REPLACE_EXISTING, a name that is taken stays its own.
    if (!injected(FileCall::Rename) && MoveFileExW(nativeName(from).c_str(), nativeName(to).c_str(), 0))
        return FileFailure::None;
    return failureOf(GetLastError());
}

std::optional<qint64> modifiedAt(const QString &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data {};
    if (injected(FileCall::Stat)
        || !GetFileAttributesExW(nativeName(path).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    // Hundreds of nanoseconds since 1601.
    const quint64 since1601
        = (quint64(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return qint64(since1601 / 10000000) - 11644473600LL;
}

qint64 freeSpaceFor(const QString &path)
{
    ULARGE_INTEGER available {};
    const std::wstring directory = nativeName(QFileInfo(path).absolutePath());
    if (!GetDiskFreeSpaceExW(directory.c_str(), &available, nullptr, nullptr))
        return -1;
    return qint64(std::min<ULONGLONG>(available.QuadPart, ULONGLONG(std::numeric_limits<qint64>::max())));
}

} // namespace notes
