#pragma once

#include "platform.h"
#include "profile.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace notes {

// Why a profile write did or did not happen.
enum class WriteOutcome {
    Written, // the change is on the disk (or there was nothing to change)
    InUse, // another program held the file's lock longer than we wait: nothing was written
    NoSpace, // the disk has no room for the change and its safety copy
    Failed, // anything else: no such directory, not a file, read-only, unreadable
    // A change cut off, here or earlier, may still stand half-written in the file, and could not
    // be undone or checked: its safety copy, ProfileWriteResult::safetyCopy, is kept to put it back.
    Unsafe,
};

struct ProfileWriteResult
{
    WriteOutcome outcome = WriteOutcome::Failed;
    // Where the file's text ends after a write made with KeyRule::NeverReplace.
    TextPosition textEnd;
    // A safety copy that the file no longer matched (changed by its user since a write was cut
    // off: theirs is the text), or something that was not ours where the copy goes: moved to this
    // visible, dated name beside the file.
    QString setAside;
    // With Unsafe, the hidden safety copy. Otherwise, when not empty, a copy or a stray file that
    // should have been set aside but could not be moved: until it goes, a change inside the file
    // cannot be made.
    QString safetyCopy;
};

// Writes key=value under section in the profile file at path, creating the file (readable by its
// owner only) or the section as needed. Nothing is written unless the file's exclusive advisory
// lock is had within two seconds, so that two programs stamping at once both get their line and
// none waits for long. The file stays the same file (its links, owner, permissions and
// attributes): a change inside it is written in place, after a copy of the bytes it overwrites
// and of the bytes it puts there has been put on the disk beside it. Should the write be cut off,
// the copy puts the file back, under the lock, before any later write (or recoverProfileFile), if
// the file is exactly as a cut-off write leaves it; if it is not, it has been changed since and
// the copy is set aside. On anything but Written and Unsafe, the file is as it was. Memory does not
// grow with the file.
ProfileWriteResult writeProfileString(
    QByteArrayView section, QByteArrayView key, QByteArrayView value, const QString &path, KeyRule rule);

// Under the lock, if it can be had at once: what writeProfileString does before it writes. Written
// when nothing is left of a cut-off write (or there is no file).
ProfileWriteResult recoverProfileFile(const QString &path);

// Where the text of the file at path ends, read through a small buffer.
std::optional<TextPosition> textEndOf(const QString &path);

} // namespace notes
