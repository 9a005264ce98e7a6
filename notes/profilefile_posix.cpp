#include "profilefile.h"

#include "platform.h"
#include "profile.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace notes {

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1)
        : m_fd(fd)
    { }
    FileDescriptor(FileDescriptor &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    { }
    FileDescriptor &operator=(FileDescriptor &&other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    // A failed close can mean lost data on some file systems, so it is checked where it matters.
    bool close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

template<typename Call> auto retryOnInterrupt(Call call)
{
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

bool writeAllAt(int fd, QByteArrayView bytes, off_t offset)
{
    while (!bytes.isEmpty()) {
        const ssize_t written
            = retryOnInterrupt([&] { return ::pwrite(fd, bytes.data(), size_t(bytes.size()), offset); });
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
        offset += written;
    }
    return true;
}

// Reads straight into one buffer of the size the file had when locked, so that the journal is
// held once, and grows it only if the file has grown since.
std::optional<QByteArray> readAll(int fd, off_t expectedSize)
{
    QByteArray content(qsizetype(expectedSize) + 1, Qt::Uninitialized);
    qsizetype size = 0;
    for (;;) {
        if (size == content.size())
            content.resize(size + 65536);
        const ssize_t got = retryOnInterrupt(
            [&] { return ::pread(fd, content.data() + size, size_t(content.size() - size), off_t(size)); });
        if (got < 0)
            return std::nullopt;
        if (got == 0) {
            content.truncate(size);
            return content;
        }
        size += got;
    }
}

bool syncDirectory(const QByteArray &directory)
{
    FileDescriptor dir(
        retryOnInterrupt([&] { return ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
    return dir.isOpen() && ::fsync(dir.get()) == 0 && dir.close();
}

QByteArray directoryOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : path.first(slash);
}

struct LockedFile
{
    FileDescriptor fd;
    struct stat status
    {
    };
    bool created = false;
};

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens path for writing under an exclusive lock. A stamp written elsewhere may have replaced
// the file while we waited for the lock; then the lock is on a file nobody sees any more, and
// we start again on the new one.
std::optional<LockedFile> openLocked(const QByteArray &path)
{
    constexpr int flags = O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    for (int attempt = 0; attempt < 100; ++attempt) {
        LockedFile file;
        // O_NONBLOCK keeps a FIFO in the journal's place from hanging the window.
        file.fd = FileDescriptor(retryOnInterrupt([&] { return ::open(path.constData(), flags); }));
        if (!file.fd.isOpen() && errno == ENOENT) {
            file.fd = FileDescriptor(
                retryOnInterrupt([&] { return ::open(path.constData(), flags | O_CREAT | O_EXCL, 0666); }));
            if (!file.fd.isOpen() && errno == EEXIST)
                continue;
            file.created = file.fd.isOpen();
        }
        if (!file.fd.isOpen())
            return std::nullopt;
        if (retryOnInterrupt([&] { return ::flock(file.fd.get(), LOCK_EX); }) != 0)
            return std::nullopt;
        struct stat named
        {
        };
        if (::fstat(file.fd.get(), &file.status) != 0 || !S_ISREG(file.status.st_mode))
            return std::nullopt;
        if (::stat(path.constData(), &named) != 0 || !sameFile(named, file.status))
            continue;
        return file;
    }
    return std::nullopt;
}

// A file with no write permission for anyone is read-only even to the administrator, as a
// read-only attribute is elsewhere.
bool isReadOnly(const struct stat &status)
{
    return (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool appendInPlace(LockedFile &file, qsizetype oldSize, QByteArrayView bytes, const QByteArray &path)
{
    const int fd = file.fd.get();
    if (writeAllAt(fd, bytes, off_t(oldSize)) && ::fsync(fd) == 0
        && (!file.created || syncDirectory(directoryOf(path))))
        return true;
    // Give the file back as it was: no half-written stamp, and no file we created ourselves.
    if (file.created && oldSize == 0)
        ::unlink(path.constData());
    else if (::ftruncate(fd, off_t(oldSize)) == 0)
        ::fsync(fd);
    return false;
}

// The new content goes to a temporary file beside the journal, which then takes the journal's
// name in one rename: a crash leaves either the old journal or the new one.
bool replaceWhole(
    const struct stat &status, QByteArrayView content, const ProfileEdit &edit, const QByteArray &path)
{
    char *resolved = ::realpath(path.constData(), nullptr);
    if (!resolved)
        return false;
    const QByteArray target(resolved);
    std::free(resolved);
    const QByteArray directory = directoryOf(target);
    QByteArray temporary = directory + "/." + target.sliced(directory.size() + 1) + ".XXXXXX";
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.isOpen())
        return false;
    const bool sameOwner = status.st_uid == ::geteuid() && status.st_gid == ::getegid();
    const QByteArrayView after = content.sliced(edit.position + edit.replaced);
    const bool written = writeAllAt(fd.get(), content.first(edit.position), 0)
        && writeAllAt(fd.get(), edit.bytes, off_t(edit.position))
        && writeAllAt(fd.get(), after, off_t(edit.position + edit.bytes.size()))
        && ::fchmod(fd.get(), status.st_mode & 07777) == 0
        && (sameOwner || ::fchown(fd.get(), status.st_uid, status.st_gid) == 0) && ::fsync(fd.get()) == 0
        && fd.close();
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return syncDirectory(directory);
}

} // namespace

bool writeProfileString(
    QByteArrayView section, QByteArrayView key, QByteArrayView value, const QString &path, TextPosition *end)
{
    const QByteArray nativePath = QFile::encodeName(path);
    if (nativePath.isEmpty())
        return false;
    std::optional<LockedFile> file = openLocked(nativePath);
    if (!file || (!file->created && isReadOnly(file->status)))
        return false;
    const std::optional<QByteArray> content = readAll(file->fd.get(), file->status.st_size);
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
        written = replaceWhole(file->status, *content, edit, nativePath);
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
