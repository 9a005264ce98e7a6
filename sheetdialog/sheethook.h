#pragma once

#include "dating/calendar.h"

class Pregnancy;
class QLineEdit;
class QWidget;

namespace sheetdialog {

// The window's controls whose tooltips explain the guidance.
struct WindowTips
{
    QLineEdit *nbreSA = nullptr;
    QLineEdit *DateDTT = nullptr;
    QLineEdit *dateDG = nullptr; // names how the conception date was fixed
};

// Two commands on the window, each one action with its shortcut and its entry in the context
// menu of the window's background, frames and labels (the controls keep their own right button):
// the pregnancy sheet (Ctrl+P) and the dating dialog (Ctrl+D). Keeps the tooltips of nbreSA
// (completed weeks) and DateDTT (terme dépassé at 42 SA) in step with the pregnancy.
void installSheetHook(
    QWidget *window, Pregnancy &pregnancy, const WindowTips &tips, const dating::Clock &clock);

// Opens the sheet of the window's pregnancy.
void openSheet(QWidget *window, Pregnancy &pregnancy, const dating::Clock &clock);

} // namespace sheetdialog
