#pragma once

#include "platform.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace notes {

// Writes value (or defaultValue when value is empty) as key under section of the profile file,
// by default "gestiva.INI" in the journal's directory. Texts go to the file in the system's
// 8-bit encoding. Nonzero only when the change is on disk; zero, with the file as it was, when
// it cannot be written or when section, key or value could not be read back from the file
// (empty names, line breaks, "]" in section, "=" in key).
qint32 EcrireIni(const QString &section, const QString &key, QString value,
    const std::optional<QString> &file = std::nullopt,
    const std::optional<QString> &defaultValue = std::nullopt);

// The same write to file, telling also where the file's text ends after it, so that the Notes
// button can place the editor's caret without reading the journal again.
qint32 EcrireIni(
    const QString &section, const QString &key, QString value, const QString &file, TextPosition *end);

} // namespace notes
