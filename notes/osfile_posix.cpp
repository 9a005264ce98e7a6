#include "osfile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace notes {

namespace {

// The system's call, or the failure a test asks for in its place.
template<typename Call> auto callSystem(FileCall kind, Call call)
{
    if (const int error = detail::injectedFailure(kind)) {
        errno = error;
        return decltype(call())(-1);
    }
    return call();
}

// A signal may cut a call short; it is made again, but not without end.
template<typename Call> auto retryOnInterrupt(FileCall kind, Call call)
{
    auto result = callSystem(kind, call);
    for (int attempt = 1; attempt < 100 && result < 0 && errno == EINTR; ++attempt)
        result = callSystem(kind, call);
    return result;
}

FileFailure failureOf(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return FileFailure::Missing;
    case EISDIR:
    case ELOOP: // a link where none may be followed
        return FileFailure::NotRegular;
    case EROFS:
    case EACCES:
    case EPERM:
        return FileFailure::ReadOnly;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FileFailure::NoSpace;
    case EEXIST:
        return FileFailure::Exists;
    default:
        return FileFailure::Other;
    }
}

QByteArray directoryOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : path.first(slash);
}

bool statusOf(int fd, struct stat &status)
{
    return callSystem(FileCall::Stat, [&] { return ::fstat(fd, &status); }) == 0;
}

bool unlinkName(const QByteArray &name)
{
    return callSystem(FileCall::Unlink, [&] { return ::unlink(name.constData()); }) == 0 || errno == ENOENT;
}

// What the file opened as fd lacks for access, FileFailure::None when it will do.
FileFailure unfitnessOf(int fd, OsFile::Access access)
{
    struct stat status
    {
    };
    if (!statusOf(fd, status))
        return FileFailure::Other;
    if (!S_ISREG(status.st_mode))
        return FileFailure::NotRegular;
    if (access == OsFile::Access::ReadOwn && status.st_uid != ::geteuid())
        return FileFailure::NotOwn;
    const bool writes = access != OsFile::Access::Read && access != OsFile::Access::ReadOwn;
    if (writes && (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return FileFailure::ReadOnly;
    return FileFailure::None;
}

} // namespace

OsFile::~OsFile()
{
    if (isOpen())
        ::close(int(m_handle));
}

OsFile OsFile::open(const QString &path, Access access)
{
    OsFile file;
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty()) {
        file.m_failure = FileFailure::Missing;
        return file;
    }
    const bool reads = access == Access::Read || access == Access::ReadOwn;
    // O_NONBLOCK keeps a FIFO in the file's place from hanging the window.
    int flags = (reads ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (access == Access::ReadOwn || access == Access::CreateNew)
        flags |= O_NOFOLLOW;
    const auto openWith = [&](int extra) {
        return retryOnInterrupt(
            FileCall::Open, [&] { return ::open(name.constData(), flags | extra, 0600); });
    };
    int fd = -1;
    if (access == Access::CreateNew) {
        fd = openWith(O_CREAT | O_EXCL);
        file.m_created = fd >= 0;
    } else {
        fd = openWith(0);
        if (fd < 0 && errno == ENOENT && access == Access::Create) {
            fd = openWith(O_CREAT | O_EXCL);
            // Made by someone else in the meantime: theirs is the file.
            if (fd < 0 && errno == EEXIST)
                fd = openWith(0);
            else
                file.m_created = fd >= 0;
        }
    }
    if (fd < 0) {
        file.m_failure = failureOf(errno);
        return file;
    }
    file.m_handle = fd;
    if (const FileFailure unfit = unfitnessOf(fd, access); unfit != FileFailure::None) {
        // A file made for nothing does not stay.
        if (file.m_created)
            unlinkName(name);
        file = OsFile();
        file.m_failure = unfit;
    }
    return file;
}

OsFile::Lock OsFile::tryLock()
{
    if (retryOnInterrupt(FileCall::Lock, [&] { return ::flock(int(m_handle), LOCK_EX | LOCK_NB); }) == 0)
        return Lock::Taken;
    return errno == EWOULDBLOCK ? Lock::Busy : Lock::Failed;
}

bool OsFile::isNamed(const QString &path) const
{
    struct stat opened
    {
    };
    struct stat named
    {
    };
    const QByteArray name = QFile::encodeName(path);
    return statusOf(int(m_handle), opened)
        && callSystem(FileCall::Stat, [&] { return ::stat(name.constData(), &named); }) == 0
        && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

std::optional<quint64> OsFile::fileNumber() const
{
    struct stat status
    {
    };
    if (!statusOf(int(m_handle), status))
        return std::nullopt;
    return quint64(status.st_ino);
}

qint64 OsFile::size() const
{
    struct stat status
    {
    };
    return statusOf(int(m_handle), status) ? qint64(status.st_size) : -1;
}

qint64 OsFile::readAt(qint64 offset, char *buffer, qint64 size) const
{
    return retryOnInterrupt(
        FileCall::Read, [&] { return ::pread(int(m_handle), buffer, size_t(size), off_t(offset)); });
}

qint64 OsFile::nextData(qint64 offset) const
{
    const off_t data
        = callSystem(FileCall::Read, [&] { return ::lseek(int(m_handle), off_t(offset), SEEK_DATA); });
    if (data >= 0)
        return data;
    // ENXIO: only a hole up to the end.
    return errno == ENXIO ? std::max(size(), offset) : offset;
}

FileFailure OsFile::writeAt(qint64 offset, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t written = retryOnInterrupt(FileCall::Write,
            [&] { return ::pwrite(int(m_handle), bytes.data(), size_t(bytes.size()), off_t(offset)); });
        if (written < 0)
            return failureOf(errno);
        if (written == 0)
            return FileFailure::NoSpace;
        bytes = bytes.sliced(written);
        offset += written;
    }
    return FileFailure::None;
}

bool OsFile::sync()
{
    return retryOnInterrupt(FileCall::Sync, [&] { return ::fsync(int(m_handle)); }) == 0;
}

bool OsFile::truncate(qint64 size)
{
    return retryOnInterrupt(FileCall::Truncate, [&] { return ::ftruncate(int(m_handle), off_t(size)); }) == 0;
}

bool syncDirectoryOf(const QString &path)
{
    const QByteArray directory = directoryOf(QFile::encodeName(path));
    const int fd = retryOnInterrupt(
        FileCall::Open, [&] { return ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (fd < 0)
        return false;
    const bool synced = retryOnInterrupt(FileCall::Sync, [&] { return ::fsync(fd); }) == 0;
    // A failed close can mean lost data on some file systems; the descriptor goes all the same.
    const int closeFailure = detail::injectedFailure(FileCall::Close);
    return ::close(fd) == 0 && closeFailure == 0 && synced;
}

bool removeFile(const QString &path)
{
    if (!unlinkName(QFile::encodeName(path)))
        return false;
    // The removal reaches the disk with the directory; should it not, a copy that comes back is
    // told from a live one by what it holds.
    syncDirectoryOf(path);
    return true;
}

FileFailure moveAside(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    const auto renameAt = [&](unsigned int flags) {
        return callSystem(FileCall::Rename,
            [&] { return ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), flags); });
    };
    int result = renameAt(RENAME_NOREPLACE);
    // A file system that cannot refuse to replace: asked first, under the journal's lock.
    if (result != 0 && errno == EINVAL) {
        struct stat status
        {
        };
        if (::lstat(target.constData(), &status) == 0)
            return FileFailure::Exists;
        result = renameAt(0);
    }
    return result == 0 ? FileFailure::None : failureOf(errno);
}

std::optional<qint64> modifiedAt(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status
    {
    };
    if (callSystem(FileCall::Stat, [&] { return ::lstat(name.constData(), &status); }) != 0)
        return std::nullopt;
    return qint64(status.st_mtim.tv_sec);
}

qint64 freeSpaceFor(const QString &path)
{
    const QByteArray directory = QFile::encodeName(QFileInfo(path).absolutePath());
    struct statvfs disk
    {
    };
    if (retryOnInterrupt(FileCall::Stat, [&] { return ::statvfs(directory.constData(), &disk); }) != 0)
        return -1;
    return qint64(disk.f_bavail) * qint64(disk.f_frsize);
}

} // namespace notes
