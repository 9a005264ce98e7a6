#include "osfile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
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
    default:
        return FileFailure::Other;
    }
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
    return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second)
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
    const DWORD rights = access == Access::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    HANDLE handle
        = CreateFileW(name.c_str(), rights, shareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (handle == INVALID_HANDLE_VALUE && error == ERROR_FILE_NOT_FOUND
        && (access == Access::CreateShared || access == Access::CreatePrivate)) {
        // A new file takes the permissions of its folder, as the journal beside it did: a private
        // copy is no more private than the journal, and the user's data folder is the user's own.
        handle = CreateFileW(
            name.c_str(), rights, shareAll, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        error = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
        // Made by someone else in the meantime: theirs is the file.
        if (handle == INVALID_HANDLE_VALUE && error == ERROR_FILE_EXISTS) {
            handle = CreateFileW(
                name.c_str(), rights, shareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    if (!GetFileInformationByHandle(handle, &information)) {
        file = OsFile();
        file.m_failure = FileFailure::Other;
    } else if (GetFileType(handle) != FILE_TYPE_DISK
        || (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
        file = OsFile();
        file.m_failure = FileFailure::NotRegular;
    } else if (access != Access::Read && (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
        // An administrator, or Wine running as root, may open it for writing all the same.
        file = OsFile();
        file.m_failure = FileFailure::ReadOnly;
    }
    return file;
}

bool OsFile::tryLock()
{
    OVERLAPPED where = at(lockByte);
    return LockFileEx(
        handleOf(m_handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where);
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

qint64 OsFile::size() const
{
    LARGE_INTEGER size {};
    return GetFileSizeEx(handleOf(m_handle), &size) ? qint64(size.QuadPart) : -1;
}

qint64 OsFile::readAt(qint64 offset, char *buffer, qint64 size) const
{
    OVERLAPPED where = at(offset);
    DWORD read = 0;
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
    return FlushFileBuffers(handleOf(m_handle));
}

bool OsFile::truncate(qint64 size)
{
    FILE_END_OF_FILE_INFO end {};
    end.EndOfFile.QuadPart = size;
    return SetFileInformationByHandle(handleOf(m_handle), FileEndOfFileInfo, &end, sizeof end);
}

// NTFS keeps its directories in its own journal: a created or removed entry is durable with it.
bool syncDirectoryOf(const QString &)
{
    return true;
}

bool removeFile(const QString &path)
{
    return DeleteFileW(nativeName(path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
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
