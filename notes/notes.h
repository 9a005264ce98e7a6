#pragma once

#include "dating/calendar.h"
#include "notes/platform.h"

#include <QString>

namespace notes {

// Where the journal lives: "gestiva.txt" in $windir when set and not empty, else in the per-user data dir.
QString journalPath();

// Stamps the journal and opens it in the user's editor. Returns an empty string when all went well,
// otherwise one short French sentence naming the journal's path, for the help line `msg`.
QString OuvrirNotes(const QString &path, const dating::Clock &clock);
QString OuvrirNotes(const QString &path, const dating::Clock &clock, const Platform &platform);

} // namespace notes
