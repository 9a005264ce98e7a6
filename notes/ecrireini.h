#pragma once

#include "profilefile.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace notes {

// Writes value (or defaultValue when value is empty) as key under section of the profile file at
// file, replacing the value of a key already there. Texts go to the file in the system's 8-bit
// encoding. Nonzero only when the change is on disk; zero, with the file as it was, when it
// cannot be written or when section, key or value could not be read back from the file (empty
// names, line breaks, "]" in section, "=" in key).
qint32 EcrireIni(const QString &section, const QString &key, QString value, const QString &file,
    const std::optional<QString> &defaultValue = std::nullopt);

// The journal's stamp: key, with nothing after its "=", under section of the journal at file. It
// never replaces what follows a key already there (the user's note); see KeyRule::NeverReplace.
ProfileWriteResult stampJournal(const QString &section, const QString &key, const QString &file);

} // namespace notes
