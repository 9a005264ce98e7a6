#pragma once

#include "dating/calendar.h"

class EntryField;
class QLineEdit;
class QString;

// What an entry date field does with the user's gestures, wherever it stands: "+" and "-" step
// it a day, the right button writes today, a double click opens the date picker on its date.
namespace datepicker {

void connectDateGestures(EntryField *field, const QString &pickerCaption, const dating::Clock &clock);

// The field's date moved by days; a text that is no date is left alone.
void stepDateField(QLineEdit *field, int days);
void writeToday(QLineEdit *field, const dating::Clock &clock);
// The picker, modal over the field's window, writes the date chosen into the field.
void pickDateInto(QLineEdit *field, const QString &caption, const dating::Clock &clock);

} // namespace datepicker
