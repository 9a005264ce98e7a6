#pragma once

#include "dating/rules.h"

#include <QString>

// Every text form1 shows, in one place. A carriage return marks a line break inside a
// message; toDisplay() turns it into one the widgets understand.
namespace texts {

inline const QString designCaption = QStringLiteral("Calendrier Obstétrical pour CLINORAM");
inline const QString clockPrefix = QStringLiteral("Gestiva1.1 ");

inline const QString helpTitle = QStringLiteral("AIDE");
QString helpText();

QString helpDR();
QString helpDG();
QString hoverNbreJours();
QString hoverNbreSA();
QString hoverDateAP();
QString hoverListeSA();

inline const QString deliveryTitle = QStringLiteral("Date Prévisible de l'Accouchement");

inline const QString captionPickerDR = QStringLiteral("Dernières Règles");
inline const QString captionPickerDG = QStringLiteral("Début de Grossesse");

// The help-line message of a schedule's label row; the dates are already in long form, and
// only a row that lasts has an end.
QString scheduleMessage(
    dating::ScheduleKind kind, const QString &label, const QString &date, const QString &end);

// The forms of the counts and dates the window shows.
QString weeksOfAmenorrhea(int weeks); // "14 S.A"
QString daysOfPregnancy(int days); // "86 jours"
QString chosenWeek(int weeks); // "12 S.A le..."
QString monthRange(const QString &from, const QString &to); // "15/03/2026 ==>> 15/04/2026"

// Carriage returns shown as line breaks.
QString toDisplay(const QString &message);

} // namespace texts
