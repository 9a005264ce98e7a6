#include "datefield.h"

#include "Form2.h"
#include "dating/rules.h"
#include "formkit/conversions.h"
#include "formkit/entryfield.h"

namespace datepicker {

void connectDateGestures(EntryField *field, const QString &pickerCaption, const dating::Clock &clock)
{
    QObject::connect(
        field, &EntryField::stepRequested, field, [field](int days) { stepDateField(field, days); });
    QObject::connect(
        field, &EntryField::todayRequested, field, [field, &clock] { writeToday(field, clock); });
    QObject::connect(field, &EntryField::pickerRequested, field,
        [field, pickerCaption, &clock] { pickDateInto(field, pickerCaption, clock); });
}

void stepDateField(QLineEdit *field, int days)
{
    if (const auto stepped = dating::steppedDateText(formkit::toStd(field->text()), days))
        field->setText(formkit::toQString(*stepped));
}

void writeToday(QLineEdit *field, const dating::Clock &clock)
{
    field->setText(formkit::shortText(clock.now().date));
}

void pickDateInto(QLineEdit *field, const QString &caption, const dating::Clock &clock)
{
    Form2 picker(clock, field->window());
    picker.setWindowTitle(caption);
    picker.setDateFromText(field->text());
    QObject::connect(&picker, &Form2::dateChosen, field,
        [field](dating::Date date) { field->setText(formkit::shortText(date)); });
    picker.exec();
}

} // namespace datepicker
