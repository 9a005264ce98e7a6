#pragma once

#include "platform.h"

#include <QStringList>
#include <QStringView>

#include <optional>

namespace notes {

// The start-up options that put the caret of the editor whose executable is named program at
// caret; nothing when that editor has no such option.
std::optional<QStringList> caretArguments(QStringView program, TextPosition caret);

// The arguments that start the Windows editor whose executable is program (its base name, in
// any case, ".exe" or not) on file with the caret at caret; nothing when that editor has no such
// option. Visual Studio Code takes the place joined to the file, so the file is part of them.
std::optional<QStringList> windowsCaretArguments(
    QStringView program, const QString &file, TextPosition caret);

// What a desktop entry's Exec line needs besides its program to start it.
struct DesktopEntry
{
    QStringList arguments; // the Exec line's words after the program, field codes as written
    QString icon;
    QString name;
    QString location; // the entry's file
};

// The arguments that start the entry's program on file with the caret options right before it:
// the entry's own arguments kept, their field codes expanded as the desktop entry rules say.
// Nothing when the entry puts the file inside a longer word, where no option can go before it.
std::optional<QStringList> entryArguments(
    const DesktopEntry &entry, const QStringList &caret, const QString &file);

// Graphical text editors to look for on PATH when the desktop names no default one.
QStringList commonGraphicalEditors();

} // namespace notes
