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
    InUse, // another program held the file's lock longer than we wait
    NoSpace, // the disk has no room for the change and its safety copy
    Failed, // anything else: no such directory, not a file, read-only, unreadable
};

struct ProfileWriteResult
{
    WriteOutcome outcome = WriteOutcome::Failed;
    // Where the file's text ends after a write made with KeyRule::NeverReplace.
    TextPosition textEnd;
};

// Writes key=value under section in the profile file at path, creating the file or the section
// as needed. Nothing is written unless the file's exclusive advisory lock is had within two
// seconds, so that two programs stamping at once both get their line and none waits for long.
// The file stays the same file (its links, owner, permissions and attributes): a change inside
// it is written in place, after a copy of the bytes it overwrites has been put on the disk beside
// it; that copy puts the file back, under the lock, before any later write (or
// recoverProfileFile), should this write be cut off. On anything but Written, the file is as it
// was. Memory does not grow with the file.
ProfileWriteResult writeProfileString(
    QByteArrayView section, QByteArrayView key, QByteArrayView value, const QString &path, KeyRule rule);

// Under the lock, if it can be had at once: puts the file back as it was before a write that was
// cut off, and removes what such writes left beside it. False when it could not be done.
bool recoverProfileFile(const QString &path);

// Where the text of the file at path ends, read through a small buffer.
std::optional<TextPosition> textEndOf(const QString &path);

} // namespace notes
