#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <initializer_list>

#include "platform.h"

namespace notes {

// How one key=value write changes the bytes of a profile file.
struct ProfileEdit
{
    enum class Kind { Unchanged, Append, Rewrite };
    Kind kind = Kind::Unchanged;
    // Where bytes go, and how many old bytes they take the place of; an append is at the end and
    // replaces nothing. A rewrite is told as this splice, so that no second copy of the file is made.
    qsizetype position = 0;
    qsizetype replaced = 0;
    QByteArray bytes;
};

// Profile rules on raw 8-bit text: a section runs from the first header "[name]" whose name,
// spaces trimmed and ASCII letter case ignored, is section, to the next header. An existing key
// gets its value replaced in place, a new key goes right after the section's last non-blank
// line, a missing section is added at the end. Every other byte stays as it was, and new lines
// use the file's own line break (newFileLineBreak when the file has none yet).
ProfileEdit planProfileWrite(QByteArrayView content, QByteArrayView section, QByteArrayView key,
    QByteArrayView value, QByteArrayView newFileLineBreak);

// Where the text made of pieces, one after the other, ends: the line after the last line break,
// and the column after its last character (UTF-8 when it reads as such, else one byte a character).
TextPosition endOfText(std::initializer_list<QByteArrayView> pieces);

} // namespace notes
