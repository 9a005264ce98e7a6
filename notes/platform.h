#pragma once

#include <QString>

#include <optional>

namespace notes {

// A place in a text, both counted from 1; the column counts characters.
struct TextPosition
{
    int line = 1;
    int column = 1;
};

// Everything about the journal that differs between Linux and Windows.
class Platform
{
public:
    virtual ~Platform() = default;

    // The directory that holds the journal: $windir when set, not empty and a name this program
    // can give back to the system byte for byte, else perUserDataDirectory(), created when
    // missing (on Linux with the directories on its way, each readable by its owner only). Empty
    // when there is none.
    virtual QString journalDirectory() const;

    // Where a program keeps its users' files on this platform; empty when the user has no home.
    virtual QString perUserDataDirectory() const = 0;

    // Starts the user's text editor on path, with the caret at caret when the editor can be
    // told so, and returns without waiting. False when no editor could be started.
    virtual bool openInEditor(const QString &path, std::optional<TextPosition> caret) const = 0;
};

// The implementation for the platform this program was built for.
const Platform &nativePlatform();

// The line break of a journal that has none yet.
#ifdef Q_OS_WIN
inline constexpr char newFileLineBreak[] = "\r\n";
#else
inline constexpr char newFileLineBreak[] = "\n";
#endif

} // namespace notes
