#pragma once

#include <QString>

#include <span>
#include <variant>

class EntryField;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;
class QWidget;

// The fixed arrangement of form1's controls, as data, and the one loop that builds it.
namespace layout {

inline constexpr int clientWidth = 6705; // twips
inline constexpr int clientHeight = 6795;

// Every control of the window, as build() made it.
struct Controls
{
    EntryField *dateDR, *dateDG;
    QLineEdit *dateAP, *dateTERME, *DateDTT, *nbreSA, *nbreJours, *dateSA;
    QScrollBar *VScroll1, *VScroll2;
    QListWidget *ListeSA, *ListeBIO, *listePN, *listeUS, *ListeCONGES;
    QListWidget *listeBIO0, *listePN0, *listeUS0, *listeCONGES0;
    QLabel *TXTsa, *msg;
    QPushButton *Command1, *Command2, *CMDquitter;
    QGroupBox *Frame1, *Frame2, *Frame3, *Frame4, *Frame5, *Frame6, *Frame7, *Frame8, *Frame9, *Frame10,
        *Frame11, *Frame12;
};

// Where build() puts a control; its type is the control's kind.
template<class Widget> using Slot = Widget *Controls::*;
using AnySlot = std::variant<Slot<EntryField>, Slot<QLineEdit>, Slot<QLabel>, Slot<QListWidget>,
    Slot<QScrollBar>, Slot<QPushButton>, Slot<QGroupBox>>;

struct Rgb
{
    int red = -1, green = -1, blue = -1; // -1: the window's own colour
};

struct Font
{
    const char *family = nullptr; // nullptr: the window's font
    double points = 0;
    bool bold = false;
};

enum Setting : unsigned {
    Plain = 0,
    Locked = 1 << 0, // shows its text and takes the focus but ignores typing
    AlignRight = 1 << 1,
    AlignCentre = 1 << 2,
    Boxed = 1 << 3, // a single-line border
    Wrapped = 1 << 4, // the text wraps within the control
    Columns = 1 << 5, // rows flow into columns side by side
    HelpPointer = 1 << 6, // the pointer over it is the arrow with a question mark
    AlignTop = 1 << 7,
};

struct Control
{
    const char *name;
    AnySlot slot;
    Slot<QGroupBox> container; // nullptr: the window
    int left, top, width, height; // twips, from the container's top-left corner
    const char *caption; // UTF-8; "&" marks an access key on buttons
    const char *accessibleName;
    Rgb background;
    Rgb text;
    Font font;
    unsigned settings;
    int tabOrder; // 1 first on Tab; 0: takes no focus from Tab
    QString (*help)(); // the help line's text while the pointer is over it; nullptr: none
};

// Stacking order: the first control lies in front of the later ones.
std::span<const Control> controls();

// Creates every control as a child of window (or of its frame), named, placed, captioned,
// coloured, stacked and chained for Tab.
Controls build(QWidget *window);

} // namespace layout
