#include "profilefile.h"

#include "osfile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

namespace notes {

namespace {

// Every read and copy goes through one buffer of this size, whatever the file's size.
constexpr qsizetype bufferSize = 64 * 1024;
constexpr auto longestLockWait = std::chrono::seconds(2);

// A fast 64-bit checksum, to tell a complete safety copy from a torn one (not against an adversary).
class Checksum
{
public:
    void add(QByteArrayView bytes)
    {
        m_length += quint64(bytes.size());
        const char *next = bytes.data();
        qsizetype left = bytes.size();
        while (left > 0 && m_wordBytes > 0) {
            take(*next++);
            --left;
        }
        for (; left >= 8; next += 8, left -= 8)
            mix(qFromLittleEndian<quint64>(next));
        while (left-- > 0)
            take(*next++);
    }
    quint64 value() const
    {
        Checksum last = *this;
        last.mix(m_word);
        last.mix(m_length);
        return last.m_state ^ (last.m_state >> 29);
    }

private:
    void take(char c)
    {
        m_word |= quint64(static_cast<unsigned char>(c)) << (8 * m_wordBytes);
        if (++m_wordBytes == 8) {
            mix(m_word);
            m_word = 0;
            m_wordBytes = 0;
        }
    }
    void mix(quint64 word)
    {
        m_state ^= word * 0x87c37b91114253d5ULL;
        m_state = ((m_state << 31) | (m_state >> 33)) * 0x4cf5ad432745937fULL + 0x52dce729ULL;
    }

    quint64 m_state = 0x9e3779b97f4a7c15ULL;
    quint64 m_length = 0;
    quint64 m_word = 0;
    int m_wordBytes = 0;
};

// Feeds [from, to) of file to sink piece by piece, a hole of a sparse file as one run of zeros.
template<typename Sink>
bool readThrough(const OsFile &file, qint64 from, qint64 to, QByteArray &buffer, Sink &sink)
{
    qint64 at = from;
    while (at < to) {
        const qint64 data = std::min(file.nextData(at), to);
        if (data > at) {
            sink.feedZeros(data - at);
            at = data;
            continue;
        }
        const qint64 got = file.readAt(at, buffer.data(), std::min<qint64>(buffer.size(), to - at));
        if (got <= 0)
            return false;
        sink.feed(QByteArrayView(buffer.constData(), got));
        at += got;
    }
    return true;
}

// Copies [from, from + length) of source to target at to, piece by piece.
FileFailure copyBytes(const OsFile &source, qint64 from, qint64 length, OsFile &target, qint64 to,
    QByteArray &buffer, Checksum *checksum = nullptr)
{
    for (qint64 done = 0; done < length;) {
        const qint64 got
            = source.readAt(from + done, buffer.data(), std::min<qint64>(buffer.size(), length - done));
        if (got <= 0)
            return FileFailure::Other;
        const QByteArrayView piece(buffer.constData(), got);
        if (checksum)
            checksum->add(piece);
        if (const FileFailure failure = target.writeAt(to + done, piece); failure != FileFailure::None)
            return failure;
        done += got;
    }
    return FileFailure::None;
}

WriteOutcome outcomeOf(FileFailure failure)
{
    switch (failure) {
    case FileFailure::None:
        return WriteOutcome::Written;
    case FileFailure::NoSpace:
        return WriteOutcome::NoSpace;
    default:
        return WriteOutcome::Failed;
    }
}

// The safety copy of the bytes a change inside the file overwrites: a header, then those bytes.
// The header tells where they go back and lets recovery tell a complete copy from a torn one and
// from one that belongs to another file: a few bytes that stand right before them, which the
// change does not touch, and the sizes the file has before and after the change.
struct RollbackHeader
{
    static constexpr QByteArrayView magic = "gestiva-rollback";
    static constexpr qint64 windowLength = 4096;

    qint64 position = 0;
    qint64 oldSize = 0;
    qint64 newSize = 0;
    qint64 tailLength = 0;
    quint64 tailChecksum = 0;
    QByteArray window;

    static qint64 sizeFor(qint64 window) { return magic.size() + 7 * 8 + window; }
    qint64 size() const { return sizeFor(window.size()); }

    QByteArray encoded() const
    {
        QByteArray bytes = magic.toByteArray();
        const auto append = [&](quint64 number) {
            std::array<char, 8> little {};
            qToLittleEndian(number, little.data());
            bytes.append(little.data(), 8);
        };
        for (const qint64 number : { position, oldSize, newSize, tailLength })
            append(quint64(number));
        append(tailChecksum);
        append(quint64(window.size()));
        bytes.append(window);
        Checksum checksum;
        checksum.add(bytes);
        append(checksum.value());
        return bytes;
    }

    // The header at the start of file, when it is whole and its copy complete.
    static std::optional<RollbackHeader> read(const OsFile &file, QByteArray &buffer)
    {
        const qint64 fixed = sizeFor(0);
        const qint64 fileSize = file.size();
        if (fileSize < fixed || file.readAt(0, buffer.data(), fixed) != fixed
            || QByteArrayView(buffer.constData(), magic.size()) != magic)
            return std::nullopt;
        const auto number = [&](int index) {
            return qFromLittleEndian<quint64>(buffer.constData() + magic.size() + 8 * index);
        };
        RollbackHeader header;
        header.position = qint64(number(0));
        header.oldSize = qint64(number(1));
        header.newSize = qint64(number(2));
        header.tailLength = qint64(number(3));
        header.tailChecksum = number(4);
        const quint64 window = number(5);
        if (window > quint64(windowLength) || fileSize < sizeFor(qint64(window)))
            return std::nullopt;
        if (file.readAt(0, buffer.data(), sizeFor(qint64(window))) != sizeFor(qint64(window)))
            return std::nullopt;
        header.window = QByteArray(buffer.constData() + fixed - 8, qsizetype(window));
        if (header.encoded() != QByteArrayView(buffer.constData(), sizeFor(qint64(window))))
            return std::nullopt;
        if (header.position < qint64(window) || header.tailLength < 0 || header.newSize < header.position
            || header.position + header.tailLength != header.oldSize
            || fileSize != header.size() + header.tailLength)
            return std::nullopt;
        Checksum checksum;
        for (qint64 done = 0; done < header.tailLength;) {
            const qint64 got = file.readAt(header.size() + done, buffer.data(),
                std::min<qint64>(buffer.size(), header.tailLength - done));
            if (got <= 0)
                return std::nullopt;
            checksum.add(QByteArrayView(buffer.constData(), got));
            done += got;
        }
        if (checksum.value() != header.tailChecksum)
            return std::nullopt;
        return header;
    }

    // True when file is the one this copy was made from, as it may be after a cut-off change.
    bool belongsTo(const OsFile &file, QByteArray &buffer) const
    {
        const qint64 size = file.size();
        if (size < std::min(oldSize, newSize) || size > std::max(oldSize, newSize))
            return false;
        const qint64 windowStart = position - window.size();
        return file.readAt(windowStart, buffer.data(), window.size()) == window.size()
            && QByteArrayView(buffer.constData(), window.size()) == window;
    }
};

// Removes the safety copy, which commits the change; a copy that cannot be removed is emptied,
// which recovery reads as torn.
bool discard(const QString &rollbackPath)
{
    if (removeFile(rollbackPath))
        return true;
    OsFile rollback = OsFile::open(rollbackPath, OsFile::Access::ReadWrite);
    return rollback.isOpen() && rollback.truncate(0) && rollback.sync();
}

// Puts back the bytes of a complete copy that belongs to file. A torn copy is from a change cut
// off before the file was touched, and a copy of another file is of no use: both go.
bool recover(OsFile &file, const QString &rollbackPath, QByteArray &buffer)
{
    OsFile rollback = OsFile::open(rollbackPath, OsFile::Access::ReadWrite);
    if (!rollback.isOpen())
        return rollback.failure() == FileFailure::Missing || rollback.failure() == FileFailure::NotRegular;
    const std::optional<RollbackHeader> header = RollbackHeader::read(rollback, buffer);
    if (header && header->belongsTo(file, buffer)) {
        if (copyBytes(rollback, header->size(), header->tailLength, file, header->position, buffer)
                != FileFailure::None
            || !file.truncate(header->oldSize) || !file.sync())
            return false;
    }
    rollback = OsFile();
    return discard(rollbackPath);
}

QString rollbackPathOf(const QString &journal)
{
    const QFileInfo info(journal);
    return info.dir().filePath(u'.' + info.fileName() + QStringLiteral("-rollback"));
}

// Earlier versions of this program wrote a change inside the file to a whole hidden copy of it,
// ".name.XXXXXX", then renamed the copy over the file; a copy left by one cut off is removed. Under
// the lock no such write can be under way.
void removeWholeCopies(const QString &journal)
{
    const QFileInfo info(journal);
    const QString prefix = u'.' + info.fileName() + u'.';
    static const QRegularExpression suffix(QStringLiteral("^[A-Za-z0-9]{6}$"));
    const QStringList copies = info.dir().entryList(
        { prefix + QStringLiteral("??????") }, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &copy : copies) {
        if (suffix.match(QStringView(copy).sliced(prefix.size())).hasMatch())
            removeFile(info.dir().filePath(copy));
    }
}

struct LockedFile
{
    OsFile file;
    WriteOutcome outcome = WriteOutcome::Failed;
};

// Opens path, made when missing, under its exclusive lock, waiting a little for it. A program
// that writes a new file and renames it over the old may replace the file while we wait; then
// the lock is on a file nobody sees any more, and we start again on the new one.
LockedFile openLocked(const QString &path, OsFile::Access access, std::chrono::milliseconds longestWait)
{
    const auto deadline = std::chrono::steady_clock::now() + longestWait;
    for (int attempt = 0; attempt < 100; ++attempt) {
        LockedFile locked { OsFile::open(path, access) };
        if (!locked.file.isOpen()) {
            locked.outcome = outcomeOf(locked.file.failure());
            return locked;
        }
        auto pause = std::chrono::milliseconds(1);
        while (!locked.file.tryLock()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return { OsFile(), WriteOutcome::InUse };
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(16));
        }
        if (locked.file.isNamed(path)) {
            locked.outcome = WriteOutcome::Written;
            return locked;
        }
    }
    return {};
}

// The file's real place, links followed, where its safety copy lies.
QString targetOf(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    return target.isEmpty() ? path : target;
}

int clampedToInt(qint64 number)
{
    return int(std::min<qint64>(number, INT_MAX));
}

// Where the text ends, from its line breaks and the characters of its last line.
std::optional<TextPosition> textEndFrom(
    const OsFile &file, const TextEnd &end, qint64 size, QByteArray &buffer)
{
    CharacterCount lastLine;
    if (!readThrough(file, end.lastLineStart(), size, buffer, lastLine))
        return std::nullopt;
    return TextPosition { clampedToInt(end.lineBreaks() + 1), clampedToInt(lastLine.characters() + 1) };
}

// The change inside the file: its safety copy first, on the disk, then the change in place.
WriteOutcome splice(
    OsFile &file, qint64 size, const ProfileEdit &edit, const QString &rollbackPath, QByteArray &buffer)
{
    RollbackHeader header;
    header.position = edit.position;
    header.oldSize = size;
    header.newSize = size - edit.replaced + edit.bytes.size();
    header.tailLength = size - edit.position;
    header.window = QByteArray(std::min(RollbackHeader::windowLength, edit.position), Qt::Uninitialized);
    if (file.readAt(edit.position - header.window.size(), header.window.data(), header.window.size())
        != header.window.size())
        return WriteOutcome::Failed;

    const qint64 needed = header.size() + header.tailLength + std::max<qint64>(0, header.newSize - size);
    const QStorageInfo disk(QFileInfo(rollbackPath).absolutePath());
    if (disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < needed)
        return WriteOutcome::NoSpace;

    OsFile rollback = OsFile::open(rollbackPath, OsFile::Access::CreatePrivate);
    if (!rollback.isOpen())
        return outcomeOf(rollback.failure());
    Checksum checksum;
    FileFailure failure = rollback.truncate(0) ? FileFailure::None : FileFailure::Other;
    if (failure == FileFailure::None)
        failure
            = copyBytes(file, edit.position, header.tailLength, rollback, header.size(), buffer, &checksum);
    if (failure == FileFailure::None) {
        header.tailChecksum = checksum.value();
        failure = rollback.writeAt(0, header.encoded());
    }
    if (failure == FileFailure::None && !(rollback.sync() && syncDirectoryOf(rollbackPath)))
        failure = FileFailure::Other;
    if (failure != FileFailure::None) {
        rollback = OsFile();
        removeFile(rollbackPath);
        return outcomeOf(failure);
    }

    const qint64 kept = header.tailLength - edit.replaced;
    failure = file.writeAt(edit.position, edit.bytes);
    if (failure == FileFailure::None)
        failure = copyBytes(
            rollback, header.size() + edit.replaced, kept, file, edit.position + edit.bytes.size(), buffer);
    if (failure == FileFailure::None
        && !((header.newSize >= size || file.truncate(header.newSize)) && file.sync()))
        failure = FileFailure::Other;
    rollback = OsFile();
    if (failure != FileFailure::None) {
        recover(file, rollbackPath, buffer);
        return outcomeOf(failure);
    }
    return discard(rollbackPath) ? WriteOutcome::Written : WriteOutcome::Failed;
}

WriteOutcome append(OsFile &file, qint64 size, QByteArrayView bytes, const QString &path)
{
    if (file.writeAt(size, bytes) == FileFailure::None && file.sync()
        && (!file.wasCreated() || syncDirectoryOf(path)))
        return WriteOutcome::Written;
    // Give the file back as it was: no half-written stamp, and no file we made ourselves.
    if (file.wasCreated() && size == 0)
        removeFile(path);
    else if (file.truncate(size))
        file.sync();
    return WriteOutcome::Failed;
}

} // namespace

ProfileWriteResult writeProfileString(
    QByteArrayView section, QByteArrayView key, QByteArrayView value, const QString &path, KeyRule rule)
{
    LockedFile locked = openLocked(path, OsFile::Access::CreateShared, longestLockWait);
    if (locked.outcome != WriteOutcome::Written)
        return { locked.outcome, {} };
    OsFile &file = locked.file;
    const QString target = targetOf(path);
    const QString rollbackPath = rollbackPathOf(target);
    QByteArray buffer(bufferSize, Qt::Uninitialized);

    removeWholeCopies(target);
    if (!recover(file, rollbackPath, buffer))
        return {};
    const qint64 size = file.size();
    ProfileScan scan(section, key, value, rule);
    if (size < 0 || !readThrough(file, 0, size, buffer, scan))
        return {};
    const ProfileEdit edit = scan.plan(newFileLineBreak);
    // A stamp adds whole lines: after an append the text ends on the empty line below them;
    // otherwise its last line is the one it had, read before the change moves it.
    const TextEnd &before = scan.textEnd();
    TextPosition end {
        clampedToInt(before.lineBreaks() + std::count(edit.bytes.begin(), edit.bytes.end(), '\n') + 1), 1
    };
    if (rule == KeyRule::NeverReplace && edit.kind != ProfileEdit::Kind::Append) {
        const std::optional<TextPosition> unchanged = textEndFrom(file, before, size, buffer);
        if (!unchanged)
            return {};
        end.column = unchanged->column;
    }

    WriteOutcome outcome = WriteOutcome::Written;
    if (edit.kind == ProfileEdit::Kind::Append)
        outcome = append(file, size, edit.bytes, target);
    else if (edit.kind == ProfileEdit::Kind::Splice)
        outcome = splice(file, size, edit, rollbackPath, buffer);
    return { outcome, end };
}

bool recoverProfileFile(const QString &path)
{
    LockedFile locked = openLocked(path, OsFile::Access::ReadWrite, std::chrono::milliseconds(0));
    if (locked.outcome != WriteOutcome::Written)
        return locked.file.failure() == FileFailure::Missing;
    const QString target = targetOf(path);
    QByteArray buffer(bufferSize, Qt::Uninitialized);
    removeWholeCopies(target);
    return recover(locked.file, rollbackPathOf(target), buffer);
}

std::optional<TextPosition> textEndOf(const QString &path)
{
    const OsFile file = OsFile::open(path, OsFile::Access::Read);
    const qint64 size = file.isOpen() ? file.size() : -1;
    if (size < 0)
        return std::nullopt;
    QByteArray buffer(bufferSize, Qt::Uninitialized);
    TextEnd end;
    if (!readThrough(file, 0, size, buffer, end))
        return std::nullopt;
    return textEndFrom(file, end, size, buffer);
}

} // namespace notes
