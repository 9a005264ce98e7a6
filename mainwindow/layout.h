#pragma once

#include <QString>

#include <span>

class QWidget;

// The fixed arrangement of form1's controls, as data, and the one loop that builds it.
namespace layout {

inline constexpr int clientWidth = 6705; // twips
inline constexpr int clientHeight = 6795;

enum class Kind { TextBox, LockedTextBox, Label, ListBox, ScrollBar, Button, Frame };

struct Control
{
    const char *name;
    Kind kind;
    const char *container; // nullptr: the window
    int left, top, width, height; // twips, from the container's top-left corner
    const char *caption; // UTF-8; "&" marks an access key on buttons
    const char *accessibleName;
};

// Stacking order: the first control lies in front of the later ones.
std::span<const Control> controls();

// Creates every control as a child of window (or of its frame), named, placed, captioned,
// coloured, stacked and chained for Tab.
void build(QWidget *window);

} // namespace layout
