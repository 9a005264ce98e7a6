#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <utility>

namespace notes {

// Why a file operation did not do what was asked.
enum class FileFailure {
    None,
    Missing, // no such file, or no such directory on the way
    NotRegular, // a directory, a pipe, a device or a link where a file was expected
    NotOwn, // another user's file where only one of ours will do
    ReadOnly, // nobody may write the file, or we may not read it
    NoSpace, // the disk (or the user's quota) is full
    Exists, // something already has the name
    Other,
};

// The kinds of call the file layer makes of the system.
enum class FileCall { Open, Stat, Read, Write, Sync, Truncate, Lock, Rename, Unlink, Close };

// Asked before each call of the file layer: an error number (EIO, ENOSPC, EINTR...) makes the call
// fail with it, 0 lets it run. Tests set one to fail every call in turn, as SQLite tests its I/O
// errors; the program never does.
using FaultInjector = std::function<int(FileCall)>;
void setFaultInjector(FaultInjector injector);

// The few operations on files that the journal's write is made of, so that the write itself is
// the same on every system; osfile_posix.cpp implements them for POSIX systems.
class OsFile
{
public:
    enum class Access {
        Read,
        ReadWrite,
        // Read and write, made when missing readable by its owner only.
        Create,
        // Read and write, made now, readable by its owner only: never a file that was there, nor
        // one reached through a link.
        CreateNew,
        // Read a regular file of this user's that the path names itself, not through a link (on
        // Windows, whose per-user folder is the user's own, any such file the user may read).
        ReadOwn,
    };

    OsFile() = default;
    OsFile(OsFile &&other) noexcept
        : m_handle(std::exchange(other.m_handle, invalidHandle))
        , m_failure(other.m_failure)
        , m_created(other.m_created)
    { }
    // The handle this object held is closed with other.
    OsFile &operator=(OsFile &&other) noexcept
    {
        std::swap(m_handle, other.m_handle);
        m_failure = other.m_failure;
        m_created = other.m_created;
        return *this;
    }
    OsFile(const OsFile &) = delete;
    OsFile &operator=(const OsFile &) = delete;
    ~OsFile();

    // Opens the regular file at path. A file that nobody may write is not opened for writing,
    // even by the administrator, as a read-only attribute is respected elsewhere.
    static OsFile open(const QString &path, Access access);

    bool isOpen() const { return m_handle != invalidHandle; }
    FileFailure failure() const { return m_failure; }
    // True when open() made the file.
    bool wasCreated() const { return m_created; }

    enum class Lock { Taken, Busy, Failed };
    // Takes the file's exclusive advisory lock without waiting. It goes with the file's closing.
    Lock tryLock();
    // True when path still names this very file (not one put in its place since it was opened).
    bool isNamed(const QString &path) const;
    // What tells this file from every other on its disk, whatever its name (the inode), or
    // nothing when it cannot be told.
    std::optional<quint64> fileNumber() const;

    // The size, or -1 when it cannot be told.
    qint64 size() const;
    // Reads up to size bytes at offset: the count read, 0 at the end of the file, -1 on failure.
    qint64 readAt(qint64 offset, char *buffer, qint64 size) const;
    // Where the first byte at or after offset that is stored lies: the bytes before it are a hole
    // that reads as zeros. offset itself when the system cannot tell.
    qint64 nextData(qint64 offset) const;
    // Writes every byte of bytes at offset.
    FileFailure writeAt(qint64 offset, QByteArrayView bytes);
    // Puts everything written so far on the disk.
    bool sync();
    bool truncate(qint64 size);

private:
    static constexpr qintptr invalidHandle = -1;
    qintptr m_handle = invalidHandle;
    FileFailure m_failure = FileFailure::None;
    bool m_created = false;
};

// Removes the file at path (a link itself, not what it names). True also when there was none.
bool removeFile(const QString &path);

// Gives the file, directory or link at from the name to, on the same disk, unless to is taken.
FileFailure moveAside(const QString &from, const QString &to);

// When what path names itself (a link, not what it names) was last changed, in seconds since
// 1970, or nothing when it cannot be told.
std::optional<qint64> modifiedAt(const QString &path);

// Puts on the disk the entries of the directory that holds path: a file just created there.
bool syncDirectoryOf(const QString &path);

// The bytes the user may still write on the disk that holds path (a file there or to be made
// there), or -1 when the system cannot tell. Asked of the file system itself, so that it holds
// where the table of mounted disks is partial, as in a chroot.
qint64 freeSpaceFor(const QString &path);

namespace detail {
// The error the test's injector asks of the next call of kind call, 0 when none.
int injectedFailure(FileCall call);
} // namespace detail

} // namespace notes
