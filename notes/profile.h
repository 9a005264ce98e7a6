#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace notes {

// How one key=value write changes the bytes of a profile file.
struct ProfileEdit
{
    enum class Kind { Unchanged, Append, Rewrite };
    Kind kind = Kind::Unchanged;
    // The bytes to add at the end of the file, or the whole new content.
    QByteArray bytes;
};

// Profile rules on raw 8-bit text: a section runs from the first header "[name]" whose name,
// spaces trimmed and ASCII letter case ignored, is section, to the next header. An existing key
// gets its value replaced in place, a new key goes right after the section's last non-blank
// line, a missing section is added at the end. Every other byte stays as it was, and new lines
// use the file's own line break (newFileLineBreak when the file has none yet).
ProfileEdit planProfileWrite(QByteArrayView content, QByteArrayView section, QByteArrayView key,
    QByteArrayView value, QByteArrayView newFileLineBreak);

} // namespace notes
