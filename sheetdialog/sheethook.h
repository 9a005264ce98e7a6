#pragma once

#include "dating/calendar.h"

class QLineEdit;
class QWidget;

namespace sheetdialog {

// The window's controls the sheet reads or explains.
struct WindowFields
{
    QLineEdit *dateDG = nullptr;
    QLineEdit *dateDR = nullptr;
    QLineEdit *nbreSA = nullptr;
    QLineEdit *DateDTT = nullptr;
};

// Opens the sheet from the window with Ctrl+P, and from a context menu on the window's
// background, frames and labels (the controls keep their own right button); keeps the tooltips
// of nbreSA (completed weeks) and DateDTT (terme dépassé at 42 SA) up to date.
void installSheetHook(QWidget *window, const WindowFields &fields, const dating::Clock &clock);

// Opens the sheet for the window's current entry texts.
void openSheet(QWidget *window, const WindowFields &fields, const dating::Clock &clock);

} // namespace sheetdialog
