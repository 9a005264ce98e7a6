#pragma once

#include <QByteArrayView>
#include <QString>

#include "platform.h"

namespace notes {

// Writes key=value under section in the profile file at path, creating the file or the section
// as needed. True only when the change is on disk; on false the file is as it was.
// Holds an advisory lock on the file for the whole read-modify-write, so that two programs
// stamping at once both get their line.
// When end is given, it receives where the file's text ends after a successful write.
bool writeProfileString(QByteArrayView section, QByteArrayView key, QByteArrayView value, const QString &path,
    TextPosition *end = nullptr);

} // namespace notes
