#pragma once

#include <QByteArrayView>
#include <QString>

namespace notes {

// Writes key=value under section in the profile file at path, creating the file or the section
// as needed. True only when the change is on disk; on false the file is as it was.
// Holds an advisory lock on the file for the whole read-modify-write, so that two programs
// stamping at once both get their line.
bool writeProfileString(
    QByteArrayView section, QByteArrayView key, QByteArrayView value, const QString &path);

} // namespace notes
