#include "profilefile.h"

#include "osfile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
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

// Reads size bytes at offset, or as many as there are: the count, or -1 on a failure.
qint64 readFully(const OsFile &file, qint64 offset, char *buffer, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.readAt(offset + done, buffer + done, size - done);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

quint64 numberAt(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint64>(bytes.constData() + offset);
}

void appendNumber(QByteArray &bytes, quint64 number)
{
    std::array<char, 8> little {};
    qToLittleEndian(number, little.data());
    bytes.append(little.data(), 8);
}

// The safety copy of a change inside the file: a header, then the bytes the change overwrites and
// moves, from its position to the old end (the old tail). The header holds what the change puts
// there (the new tail is those bytes, then the old tail from the replaced bytes on), so that
// recovery can tell the file's state exactly, and a few bytes before the position that the change
// does not touch; it names the file too, by its number on the disk and its name. The header is
// written after the tail and both are on the disk before the file is touched: a copy whose header
// is not whole is from a change cut off before it began.
struct SafetyCopy
{
    static constexpr QByteArrayView magic = "gestiva-safety-copy";
    static constexpr qint64 windowLength = 4096;
    // More than any stamp or profile line, and small enough to hold.
    static constexpr qint64 longestAdded = 1024 * 1024;
    static constexpr qint64 longestName = 4096;
    static constexpr qint64 fixedLength = magic.size() + 9 * 8;

    std::optional<quint64> fileNumber; // the file's, where the copy tells it
    QByteArray fileName; // the name of the file in its directory, as the system spells it
    qint64 position = 0;
    qint64 oldSize = 0;
    qint64 newSize = 0;
    qint64 replaced = 0;
    quint64 tailChecksum = 0;
    QByteArray window;
    std::optional<QByteArray> added; // unknown in a copy of the earlier layout
    qint64 headerSize = 0; // where the old tail starts in the copy

    qint64 tailLength() const { return oldSize - position; }
    qint64 newTailLength() const { return newSize - position; }

    QByteArray encodedHeader() const
    {
        QByteArray bytes = magic.toByteArray();
        for (const qint64 number : { qint64(fileNumber.value_or(0)), position, oldSize, newSize, replaced })
            appendNumber(bytes, quint64(number));
        appendNumber(bytes, tailChecksum);
        appendNumber(bytes, quint64(window.size()));
        appendNumber(bytes, quint64(added->size()));
        appendNumber(bytes, quint64(fileName.size()));
        bytes.append(window).append(*added).append(fileName);
        Checksum checksum;
        checksum.add(bytes);
        appendNumber(bytes, checksum.value());
        return bytes;
    }
};

// What a look at a safety copy found.
enum class Reading {
    Whole, // a complete copy
    Torn, // one of ours, cut off while it was written
    Foreign, // no copy of ours at all
    Failed, // the copy could not be read: nothing can be told
};

// Checks the old tail of a copy whose header is read: its length and checksum.
Reading checkTail(const OsFile &file, qint64 fileSize, const SafetyCopy &copy, QByteArray &buffer)
{
    if (copy.position < copy.window.size() || copy.tailLength() < 0 || copy.newSize < copy.position
        || fileSize != copy.headerSize + copy.tailLength())
        return Reading::Torn;
    Checksum checksum;
    for (qint64 done = 0; done < copy.tailLength();) {
        const qint64 got = file.readAt(
            copy.headerSize + done, buffer.data(), std::min<qint64>(buffer.size(), copy.tailLength() - done));
        if (got < 0)
            return Reading::Failed;
        if (got == 0)
            return Reading::Torn;
        checksum.add(QByteArrayView(buffer.constData(), got));
        done += got;
    }
    return checksum.value() == copy.tailChecksum ? Reading::Whole : Reading::Torn;
}

// Reads length bytes of the header at offset: Whole, Torn when the file is shorter, or Failed.
Reading readHeaderPart(const OsFile &file, qint64 offset, qint64 length, QByteArray &part)
{
    part.resize(qsizetype(length));
    const qint64 got = readFully(file, offset, part.data(), length);
    return got < 0 ? Reading::Failed : got < length ? Reading::Torn : Reading::Whole;
}

Reading readSafetyCopy(const OsFile &file, SafetyCopy &copy, QByteArray &buffer)
{
    const qint64 fileSize = file.size();
    if (fileSize < 0)
        return Reading::Failed;
    QByteArray fixed;
    if (const Reading read = readHeaderPart(file, 0, SafetyCopy::fixedLength, fixed); read != Reading::Whole)
        return read;
    // The header goes in last, over a hole of zeros.
    if (!fixed.startsWith(SafetyCopy::magic))
        return Reading::Torn;
    const auto number = [&](int index) { return numberAt(fixed, SafetyCopy::magic.size() + 8 * index); };
    // Sizes no disk holds would overflow the sums below.
    for (int index = 1; index <= 4; ++index) {
        if (number(index) >= quint64(1) << 62)
            return Reading::Torn;
    }
    copy.fileNumber = number(0);
    copy.position = qint64(number(1));
    copy.oldSize = qint64(number(2));
    copy.newSize = qint64(number(3));
    copy.replaced = qint64(number(4));
    copy.tailChecksum = number(5);
    const quint64 window = number(6);
    const quint64 added = number(7);
    const quint64 name = number(8);
    if (window > quint64(SafetyCopy::windowLength) || added > quint64(SafetyCopy::longestAdded)
        || name > quint64(SafetyCopy::longestName))
        return Reading::Torn;
    QByteArray rest;
    if (const Reading read
        = readHeaderPart(file, SafetyCopy::fixedLength, qint64(window + added + name) + 8, rest);
        read != Reading::Whole)
        return read;
    copy.window = rest.first(qsizetype(window));
    copy.added = rest.sliced(qsizetype(window), qsizetype(added));
    copy.fileName = rest.sliced(qsizetype(window + added), qsizetype(name));
    copy.headerSize = SafetyCopy::fixedLength + rest.size();
    if (copy.encodedHeader() != fixed + rest || copy.replaced < 0 || copy.replaced > copy.tailLength()
        || copy.newSize != copy.oldSize - copy.replaced + copy.added->size())
        return Reading::Torn;
    return checkTail(file, fileSize, copy, buffer);
}

// The copy an earlier version of this program left under the file's name: the same tail after a
// header that holds neither the file's number nor the bytes the change put in, so that only the
// old state can be told from it.
Reading readEarlierSafetyCopy(const OsFile &file, SafetyCopy &copy, QByteArray &buffer)
{
    static constexpr QByteArrayView magic = "gestiva-rollback";
    constexpr qint64 fixedLength = magic.size() + 6 * 8;
    const qint64 fileSize = file.size();
    if (fileSize < 0)
        return Reading::Failed;
    QByteArray fixed;
    const Reading read = readHeaderPart(file, 0, fixedLength, fixed);
    if (read == Reading::Failed)
        return read;
    if (!fixed.startsWith(magic))
        return Reading::Foreign;
    if (read != Reading::Whole)
        return Reading::Torn;
    const auto number = [&](int index) { return numberAt(fixed, magic.size() + 8 * index); };
    for (int index = 0; index <= 3; ++index) {
        if (number(index) >= quint64(1) << 62)
            return Reading::Torn;
    }
    copy.position = qint64(number(0));
    copy.oldSize = qint64(number(1));
    copy.newSize = qint64(number(2));
    const qint64 tailLength = qint64(number(3));
    copy.tailChecksum = number(4);
    const quint64 window = number(5);
    if (window > quint64(SafetyCopy::windowLength))
        return Reading::Torn;
    QByteArray rest;
    if (const Reading part = readHeaderPart(file, fixedLength, qint64(window) + 8, rest);
        part != Reading::Whole)
        return part;
    copy.window = rest.first(qsizetype(window));
    copy.headerSize = fixedLength + rest.size();
    Checksum checksum;
    checksum.add(fixed + copy.window);
    if (checksum.value() != numberAt(rest, qsizetype(window)) || tailLength != copy.tailLength())
        return Reading::Torn;
    return checkTail(file, fileSize, copy, buffer);
}

// Where a file is, measured against a safety copy of a change inside it.
enum class FileState {
    Old, // as before the change
    New, // as after it
    CutOff, // from the position on, old bytes with one run of new ones: a change, or its undoing,
            // cut off where it had come
    Changed, // in no state the change or its undoing leaves: changed since by someone else
    Unreadable,
};

// Compares the file from the copy's position on with the old tail and the new one together, one
// piece at a time.
class TailComparison
{
public:
    explicit TailComparison(const SafetyCopy &copy)
        : m_copy(copy)
    { }

    // Compares the next bytes of the file's tail with old and fresh, the old and the new tails'
    // bytes at the same place (either shorter, even empty, where that tail ends).
    void compare(QByteArrayView bytes, QByteArrayView old, QByteArrayView fresh)
    {
        for (qsizetype i = 0; i < bytes.size() && m_phase != Phase::Mismatch; ++i) {
            const bool isOld = i < old.size() && bytes[i] == old[i];
            const bool isNew = i < fresh.size() && bytes[i] == fresh[i];
            m_allNew = m_allNew && isNew;
            m_allOld = m_allOld && isOld;
            switch (m_phase) {
            case Phase::Old:
                if (!isOld)
                    m_phase = isNew ? Phase::New : Phase::Mismatch;
                break;
            case Phase::New:
                if (!isNew)
                    m_phase = isOld ? Phase::OldAgain : Phase::Mismatch;
                break;
            case Phase::OldAgain:
                if (!isOld)
                    m_phase = Phase::Mismatch;
                break;
            case Phase::Mismatch:
                break;
            }
        }
    }

    FileState state(qint64 tailSize) const
    {
        if (m_allNew && tailSize == m_copy.newTailLength())
            return FileState::New;
        if (m_phase == Phase::Mismatch)
            return FileState::Changed;
        return m_allOld && tailSize == m_copy.tailLength() ? FileState::Old : FileState::CutOff;
    }

private:
    enum class Phase { Old, New, OldAgain, Mismatch };
    const SafetyCopy &m_copy;
    Phase m_phase = Phase::Old;
    bool m_allOld = true;
    bool m_allNew = true;
};

FileState stateOf(const OsFile &file, const OsFile &copyFile, const SafetyCopy &copy, QByteArray &buffer)
{
    const qint64 size = file.size();
    if (size < 0)
        return FileState::Unreadable;
    if (copy.fileNumber) {
        const std::optional<quint64> number = file.fileNumber();
        if (!number)
            return FileState::Unreadable;
        if (*number != *copy.fileNumber)
            return FileState::Changed;
    }
    const qint64 tailSize = size - copy.position;
    const qint64 newTail = copy.added ? copy.newTailLength() : copy.tailLength();
    if (tailSize < std::min(copy.tailLength(), newTail) || tailSize > std::max(copy.tailLength(), newTail))
        return FileState::Changed;
    QByteArray window(copy.window.size(), Qt::Uninitialized);
    const qint64 windowRead = readFully(file, copy.position - window.size(), window.data(), window.size());
    if (windowRead < 0)
        return FileState::Unreadable;
    if (windowRead != window.size() || window != copy.window)
        return FileState::Changed;

    // The file's piece, the old tail's and the new tail's, each through a third of the buffer.
    const qint64 piece = buffer.size() / 3;
    char *const bytes = buffer.data();
    char *const old = bytes + piece;
    char *const fresh = old + piece;
    const qint64 added = copy.added ? copy.added->size() : 0;
    TailComparison comparison(copy);
    for (qint64 at = 0; at < tailSize; at += piece) {
        const qint64 length = std::min(piece, tailSize - at);
        if (readFully(file, copy.position + at, bytes, length) != length)
            return FileState::Unreadable;
        const qint64 oldLength = std::clamp<qint64>(copy.tailLength() - at, 0, length);
        if (readFully(copyFile, copy.headerSize + at, old, oldLength) != oldLength)
            return FileState::Unreadable;
        qint64 freshLength = 0;
        if (copy.added) {
            freshLength = std::clamp<qint64>(copy.newTailLength() - at, 0, length);
            const qint64 fromAdded = std::clamp<qint64>(added - at, 0, freshLength);
            if (fromAdded > 0)
                std::memcpy(fresh, copy.added->constData() + at, size_t(fromAdded));
            const qint64 fromOld = freshLength - fromAdded;
            const qint64 oldAt = at + fromAdded - added + copy.replaced;
            if (fromOld > 0
                && readFully(copyFile, copy.headerSize + oldAt, fresh + fromAdded, fromOld) != fromOld)
                return FileState::Unreadable;
        }
        comparison.compare(QByteArrayView(bytes, length), QByteArrayView(old, oldLength),
            QByteArrayView(fresh, freshLength));
    }
    if (!copy.added && comparison.state(tailSize) != FileState::Old)
        return FileState::Changed;
    return comparison.state(tailSize);
}

// Puts the old tail back and the file at its old size, on the disk.
bool restore(OsFile &file, const OsFile &copyFile, const SafetyCopy &copy, QByteArray &buffer)
{
    return copyBytes(copyFile, copy.headerSize, copy.tailLength(), file, copy.position, buffer)
        == FileFailure::None
        && file.truncate(copy.oldSize) && file.sync();
}

// The hidden safety copy of the file whose number is number, in the directory of its name target:
// named by the file, not by its name, so that every hard link of it finds it.
QString safetyCopyPathOf(const QString &target, quint64 number)
{
    return QFileInfo(target).dir().filePath(QStringLiteral(".gestiva-safety-copy-%1").arg(number));
}

// Where an earlier version of this program kept the safety copy of the file named target.
QString earlierSafetyCopyPathOf(const QString &target)
{
    const QFileInfo info(target);
    return info.dir().filePath(u'.' + info.fileName() + QStringLiteral("-rollback"));
}

// What recovery leaves for the write that follows.
struct Recovery
{
    bool clear = true; // nothing of a cut-off change is left in the file
    QString setAside;
    QString leftInPlace; // something that should have been set aside or removed

    // Tells the first of each kind of thing found.
    void include(const Recovery &other)
    {
        if (setAside.isEmpty())
            setAside = other.setAside;
        if (leftInPlace.isEmpty())
            leftInPlace = other.leftInPlace;
    }
};

// Moves what stands at path to a visible name beside the file target, dated by its last change.
Recovery setAside(const QString &path, const QString &target)
{
    const std::optional<qint64> modified = modifiedAt(path);
    QString name = QFileInfo(target).filePath() + QStringLiteral(".secours");
    if (modified)
        name += QDateTime::fromSecsSinceEpoch(*modified).toString(QStringLiteral("-yyyy-MM-dd-HHmmss"));
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QString candidate = attempt == 1 ? name : name + QStringLiteral("-%1").arg(attempt);
        const FileFailure moved = moveAside(path, candidate);
        if (moved == FileFailure::None)
            return { true, candidate, {} };
        if (moved != FileFailure::Exists)
            break;
    }
    return { true, {}, path };
}

// Removes a copy that has done its work. One that cannot be removed is told of: it would stop the
// next change inside the file from making its own.
Recovery removeCopy(const QString &copyPath)
{
    return removeFile(copyPath) ? Recovery {} : Recovery { true, {}, copyPath };
}

enum class Settling {
    Recover, // before a write: a file in the new state keeps it
    Undo, // a write that failed: the file goes back to the old state
};

// Brings the file to a state of its own after a change whose copy is read: the old state, or the
// new one when recovering; a changed file is left as it is and its copy is set aside.
Recovery settle(OsFile &file, OsFile &copyFile, const SafetyCopy &copy, const QString &copyPath,
    const QString &target, Settling settling, QByteArray &buffer)
{
    const FileState state = stateOf(file, copyFile, copy, buffer);
    if (state == FileState::Unreadable)
        return { false, {}, {} };
    if (state == FileState::Changed) {
        copyFile = OsFile();
        return setAside(copyPath, target);
    }
    const bool putBack
        = state == FileState::CutOff || (state == FileState::New && settling == Settling::Undo);
    if (putBack && !restore(file, copyFile, copy, buffer))
        return { false, {}, {} };
    copyFile = OsFile();
    return removeCopy(copyPath);
}

// Settles the file with its copy at copyPath, if there is one, or with the copy an earlier version
// of this program left.
Recovery recoverFrom(
    OsFile &file, const QString &copyPath, bool isEarlier, const QString &target, QByteArray &buffer)
{
    OsFile copyFile = OsFile::open(copyPath, OsFile::Access::ReadOwn);
    switch (copyFile.failure()) {
    case FileFailure::None:
        break;
    case FileFailure::Missing:
        return {};
    case FileFailure::NotRegular:
    case FileFailure::NotOwn:
    case FileFailure::ReadOnly:
        // Not a copy of ours. Where copies go now, it would stop every change inside the file from
        // making one; under the earlier name it stops nothing, and is not ours to move.
        return isEarlier ? Recovery {} : setAside(copyPath, target);
    default:
        return { false, {}, {} };
    }
    SafetyCopy copy;
    switch (
        isEarlier ? readEarlierSafetyCopy(copyFile, copy, buffer) : readSafetyCopy(copyFile, copy, buffer)) {
    case Reading::Whole:
        return settle(file, copyFile, copy, copyPath, target, Settling::Recover, buffer);
    case Reading::Torn:
        copyFile = OsFile();
        return removeCopy(copyPath);
    case Reading::Foreign:
        return {};
    case Reading::Failed:
        break;
    }
    return { false, {}, {} };
}

// The copies of a file of the same name that another file has replaced since (an editor saves by
// renaming a new file over the journal): the user's text is the new file, and the copies are set
// aside. Copies of other files, or torn ones that cannot tell, are left to their files' writes.
Recovery setAsideCopiesOfReplaced(const QString &target, const QString &ownCopy, QByteArray &buffer)
{
    const QFileInfo info(target);
    const QByteArray name = QFile::encodeName(info.fileName());
    Recovery recovery;
    const QStringList copies = info.dir().entryList(
        { QStringLiteral(".gestiva-safety-copy-*") }, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : copies) {
        const QString path = info.dir().filePath(entry);
        if (path == ownCopy)
            continue;
        SafetyCopy copy;
        {
            const OsFile copyFile = OsFile::open(path, OsFile::Access::ReadOwn);
            if (!copyFile.isOpen() || readSafetyCopy(copyFile, copy, buffer) != Reading::Whole
                || copy.fileName != name)
                continue;
        }
        recovery.include(setAside(path, target));
    }
    return recovery;
}

// Everything a cut-off write left beside the file whose number is number: its safety copy, and
// one an earlier version of this program left. safetyCopy is the copy that could not be settled.
Recovery recover(OsFile &file, quint64 number, const QString &target, QByteArray &buffer, QString &safetyCopy)
{
    safetyCopy = safetyCopyPathOf(target, number);
    const Recovery current = recoverFrom(file, safetyCopy, false, target, buffer);
    if (!current.clear)
        return current;
    const QString earlierPath = earlierSafetyCopyPathOf(target);
    const Recovery earlier = recoverFrom(file, earlierPath, true, target, buffer);
    if (!earlier.clear) {
        safetyCopy = earlierPath;
        return earlier;
    }
    Recovery recovery = current;
    recovery.include(earlier);
    recovery.include(setAsideCopiesOfReplaced(target, safetyCopy, buffer));
    return recovery;
}

// The file's real place, links followed, where its safety copy lies.
QString targetOf(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    return target.isEmpty() ? path : target;
}

struct LockedFile
{
    OsFile file;
    WriteOutcome outcome = WriteOutcome::Failed;
};

// Opens path under its exclusive lock, waiting a little for it. A program that writes a new file
// and renames it over the old may replace the file while we wait; then the lock is on a file nobody
// sees any more, and we start again on the new one.
LockedFile openLocked(const QString &path, OsFile::Access access, std::chrono::milliseconds longestWait)
{
    const auto deadline = std::chrono::steady_clock::now() + longestWait;
    bool madeHere = false;
    // A file made for a write that cannot happen does not stay, if it is still empty.
    const auto giveUp = [&](WriteOutcome outcome) {
        if (madeHere && QFileInfo(path).size() == 0)
            removeFile(targetOf(path));
        return LockedFile { OsFile(), outcome };
    };
    for (int attempt = 0; attempt < 100; ++attempt) {
        LockedFile locked { OsFile::open(path, access) };
        if (!locked.file.isOpen())
            return giveUp(outcomeOf(locked.file.failure()));
        madeHere = madeHere || locked.file.wasCreated();
        auto pause = std::chrono::milliseconds(1);
        for (OsFile::Lock lock = locked.file.tryLock(); lock != OsFile::Lock::Taken;
             lock = locked.file.tryLock()) {
            if (lock == OsFile::Lock::Failed)
                return giveUp(WriteOutcome::Failed);
            // Another program's lock on a file we made: theirs to write.
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
    return giveUp(WriteOutcome::Failed);
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

// The change inside the file: its safety copy first, on the disk, then the change in place. A
// change that fails is undone before this returns; Unsafe when the undoing failed too.
WriteOutcome splice(OsFile &file, qint64 size, const ProfileEdit &edit, quint64 number,
    const QString &copyPath, const QString &target, QByteArray &buffer)
{
    SafetyCopy copy;
    copy.fileNumber = number;
    copy.position = edit.position;
    copy.oldSize = size;
    copy.newSize = size - edit.replaced + edit.bytes.size();
    copy.replaced = edit.replaced;
    copy.added = edit.bytes;
    copy.fileName = QFile::encodeName(QFileInfo(target).fileName());
    if (edit.bytes.size() > SafetyCopy::longestAdded)
        return WriteOutcome::Failed;
    copy.window = QByteArray(std::min(SafetyCopy::windowLength, edit.position), Qt::Uninitialized);
    if (readFully(file, edit.position - copy.window.size(), copy.window.data(), copy.window.size())
        != copy.window.size())
        return WriteOutcome::Failed;
    copy.headerSize = copy.encodedHeader().size();

    const qint64 needed = copy.headerSize + copy.tailLength() + std::max<qint64>(0, copy.newSize - size);
    const qint64 available = freeSpaceFor(copyPath);
    if (available >= 0 && available < needed)
        return WriteOutcome::NoSpace;

    OsFile copyFile = OsFile::open(copyPath, OsFile::Access::CreateNew);
    if (!copyFile.isOpen())
        return outcomeOf(copyFile.failure());
    Checksum checksum;
    FileFailure failure
        = copyBytes(file, edit.position, copy.tailLength(), copyFile, copy.headerSize, buffer, &checksum);
    if (failure == FileFailure::None) {
        copy.tailChecksum = checksum.value();
        failure = copyFile.writeAt(0, copy.encodedHeader());
    }
    if (failure == FileFailure::None && !(copyFile.sync() && syncDirectoryOf(copyPath)))
        failure = FileFailure::Other;
    if (failure != FileFailure::None) {
        // The file is untouched; a copy that stays is seen as such the next time.
        copyFile = OsFile();
        removeFile(copyPath);
        return outcomeOf(failure);
    }

    const qint64 kept = copy.tailLength() - edit.replaced;
    failure = file.writeAt(edit.position, edit.bytes);
    if (failure == FileFailure::None)
        failure = copyBytes(
            copyFile, copy.headerSize + edit.replaced, kept, file, edit.position + edit.bytes.size(), buffer);
    if (failure == FileFailure::None
        && !((copy.newSize >= size || file.truncate(copy.newSize)) && file.sync()))
        failure = FileFailure::Other;
    if (failure != FileFailure::None) {
        const Recovery undone = settle(file, copyFile, copy, copyPath, target, Settling::Undo, buffer);
        return undone.clear && undone.setAside.isEmpty() ? outcomeOf(failure) : WriteOutcome::Unsafe;
    }
    // The change is on the disk: a copy that cannot be removed matches the new state the next time.
    copyFile = OsFile();
    removeFile(copyPath);
    return WriteOutcome::Written;
}

// Adds bytes at the end. One that fails is cut off again; Unsafe when that fails too.
WriteOutcome append(OsFile &file, qint64 size, QByteArrayView bytes, const QString &path)
{
    const FileFailure failure = file.writeAt(size, bytes);
    if (failure == FileFailure::None && file.sync() && (!file.wasCreated() || syncDirectoryOf(path)))
        return WriteOutcome::Written;
    // Nothing to cut off when nothing was written.
    if (file.size() != size) {
        if (!file.truncate(size))
            return WriteOutcome::Unsafe;
        file.sync();
    }
    return failure == FileFailure::NoSpace ? WriteOutcome::NoSpace : WriteOutcome::Failed;
}

ProfileWriteResult writeLocked(OsFile &file, const QString &target, QByteArrayView section,
    QByteArrayView key, QByteArrayView value, KeyRule rule)
{
    QByteArray buffer(bufferSize, Qt::Uninitialized);
    ProfileWriteResult result;
    const std::optional<quint64> number = file.fileNumber();
    if (!number)
        return result;
    QString safetyCopy;
    const Recovery recovery = recover(file, *number, target, buffer, safetyCopy);
    result.setAside = recovery.setAside;
    result.safetyCopy = recovery.leftInPlace;
    if (!recovery.clear) {
        result.outcome = WriteOutcome::Unsafe;
        result.safetyCopy = safetyCopy;
        return result;
    }
    const qint64 size = file.size();
    ProfileScan scan(section, key, value, rule);
    if (size < 0 || !readThrough(file, 0, size, buffer, scan))
        return result;
    const ProfileEdit edit = scan.plan(newFileLineBreak);
    // A stamp adds whole lines: after an append the text ends on the empty line below them;
    // otherwise its last line is the one it had, read before the change moves it.
    const TextEnd &before = scan.textEnd();
    result.textEnd
        = { clampedToInt(before.lineBreaks() + std::count(edit.bytes.begin(), edit.bytes.end(), '\n') + 1),
              1 };
    if (rule == KeyRule::NeverReplace && edit.kind != ProfileEdit::Kind::Append) {
        const std::optional<TextPosition> unchanged = textEndFrom(file, before, size, buffer);
        if (!unchanged)
            return result;
        result.textEnd.column = unchanged->column;
    }

    result.outcome = WriteOutcome::Written;
    if (edit.kind == ProfileEdit::Kind::Append) {
        result.outcome = append(file, size, edit.bytes, target);
    } else if (edit.kind == ProfileEdit::Kind::Splice) {
        result.outcome = splice(file, size, edit, *number, safetyCopy, target, buffer);
        if (result.outcome == WriteOutcome::Unsafe)
            result.safetyCopy = safetyCopy;
    }
    return result;
}

} // namespace

ProfileWriteResult writeProfileString(
    QByteArrayView section, QByteArrayView key, QByteArrayView value, const QString &path, KeyRule rule)
{
    LockedFile locked = openLocked(path, OsFile::Access::Create, longestLockWait);
    if (locked.outcome != WriteOutcome::Written)
        return { locked.outcome, {}, {}, {} };
    const QString target = targetOf(path);
    const ProfileWriteResult result = writeLocked(locked.file, target, section, key, value, rule);
    // A file made for this write goes again when the write did not happen: all it may hold is ours,
    // and another program that opened it meanwhile finds it gone once it has the lock.
    if (result.outcome != WriteOutcome::Written && locked.file.wasCreated())
        removeFile(target);
    return result;
}

ProfileWriteResult recoverProfileFile(const QString &path)
{
    LockedFile locked = openLocked(path, OsFile::Access::ReadWrite, std::chrono::milliseconds(0));
    if (locked.outcome != WriteOutcome::Written) {
        if (locked.file.failure() == FileFailure::Missing)
            locked.outcome = WriteOutcome::Written;
        return { locked.outcome, {}, {}, {} };
    }
    const std::optional<quint64> number = locked.file.fileNumber();
    if (!number)
        return {};
    const QString target = targetOf(path);
    QByteArray buffer(bufferSize, Qt::Uninitialized);
    ProfileWriteResult result;
    QString safetyCopy;
    const Recovery recovery = recover(locked.file, *number, target, buffer, safetyCopy);
    result.outcome = recovery.clear ? WriteOutcome::Written : WriteOutcome::Unsafe;
    result.setAside = recovery.setAside;
    result.safetyCopy = recovery.clear ? recovery.leftInPlace : safetyCopy;
    return result;
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
