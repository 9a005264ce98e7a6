#include "osfile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace notes {

namespace {

template<typename Call> auto retryOnInterrupt(Call call)
{
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

FileFailure failureOf(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return FileFailure::Missing;
    case EISDIR:
        return FileFailure::NotRegular;
    case EROFS:
    case EACCES:
    case EPERM:
        return FileFailure::ReadOnly;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FileFailure::NoSpace;
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
    // O_NONBLOCK keeps a FIFO in the file's place from hanging the window.
    const int flags = (access == Access::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = retryOnInterrupt([&] { return ::open(name.constData(), flags); });
    if (fd < 0 && errno == ENOENT && (access == Access::CreateShared || access == Access::CreatePrivate)) {
        const mode_t mode = access == Access::CreatePrivate ? 0600 : 0666;
        fd = retryOnInterrupt([&] { return ::open(name.constData(), flags | O_CREAT | O_EXCL, mode); });
        // Made by someone else in the meantime: theirs is the file.
        if (fd < 0 && errno == EEXIST)
            fd = retryOnInterrupt([&] { return ::open(name.constData(), flags); });
        else
            file.m_created = fd >= 0;
    }
    if (fd < 0) {
        file.m_failure = failureOf(errno);
        return file;
    }
    file.m_handle = fd;
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0) {
        file = OsFile();
        file.m_failure = FileFailure::Other;
    } else if (!S_ISREG(status.st_mode)) {
        file = OsFile();
        file.m_failure = FileFailure::NotRegular;
    } else if (access != Access::Read && (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        file = OsFile();
        file.m_failure = FileFailure::ReadOnly;
    }
    return file;
}

bool OsFile::tryLock()
{
    return retryOnInterrupt([&] { return ::flock(int(m_handle), LOCK_EX | LOCK_NB); }) == 0;
}

bool OsFile::isNamed(const QString &path) const
{
    struct stat opened
    {
    };
    struct stat named
    {
    };
    return ::fstat(int(m_handle), &opened) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0
        && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

qint64 OsFile::size() const
{
    struct stat status
    {
    };
    return ::fstat(int(m_handle), &status) == 0 ? qint64(status.st_size) : -1;
}

qint64 OsFile::readAt(qint64 offset, char *buffer, qint64 size) const
{
    return retryOnInterrupt([&] { return ::pread(int(m_handle), buffer, size_t(size), off_t(offset)); });
}

qint64 OsFile::nextData(qint64 offset) const
{
    const off_t data = ::lseek(int(m_handle), off_t(offset), SEEK_DATA);
    if (data >= 0)
        return data;
    // ENXIO: only a hole up to the end.
    return errno == ENXIO ? std::max(size(), offset) : offset;
}

FileFailure OsFile::writeAt(qint64 offset, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t written = retryOnInterrupt(
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
    return ::fsync(int(m_handle)) == 0;
}

bool OsFile::truncate(qint64 size)
{
    return retryOnInterrupt([&] { return ::ftruncate(int(m_handle), off_t(size)); }) == 0;
}

bool syncDirectoryOf(const QString &path)
{
    const QByteArray directory = directoryOf(QFile::encodeName(path));
    const int fd
        = retryOnInterrupt([&] { return ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    // A failed close can mean lost data on some file systems.
    return ::close(fd) == 0 && synced;
}

bool removeFile(const QString &path)
{
    if (::unlink(QFile::encodeName(path).constData()) != 0)
        return errno == ENOENT;
    return syncDirectoryOf(path);
}

qint64 freeSpaceFor(const QString &path)
{
    const QByteArray directory = QFile::encodeName(QFileInfo(path).absolutePath());
    struct statvfs disk
    {
    };
    if (retryOnInterrupt([&] { return ::statvfs(directory.constData(), &disk); }) != 0)
        return -1;
    return qint64(disk.f_bavail) * qint64(disk.f_frsize);
}

} // namespace notes
