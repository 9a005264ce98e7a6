#pragma once

#include "platform.h"

#include <QStringList>
#include <QStringView>

#include <optional>

namespace notes {

// The start-up options that put the caret of the editor whose executable is named program at
// caret; nothing when that editor has no such option.
std::optional<QStringList> caretArguments(QStringView program, TextPosition caret);

// Graphical text editors to look for on PATH when the desktop names no default one.
QStringList commonGraphicalEditors();

} // namespace notes
