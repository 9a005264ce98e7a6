#pragma once

#include "dating/calendar.h"
#include "notes/platform.h"

#include <QString>

namespace notes {

// Where the journal lives: "gestiva.txt" in $windir when set and not empty, else in the per-user data dir.
QString journalPath();

// Stamps the journal and opens it in the user's editor, unless another program is writing it or a
// cut-off write may still stand in it. Returns an empty string when all went well, otherwise short
// French sentences naming the journal's path (and a file set aside beside it), for the help line `msg`.
QString OuvrirNotes(const QString &path, const dating::Clock &clock);
QString OuvrirNotes(const QString &path, const dating::Clock &clock, const Platform &platform);

} // namespace notes
