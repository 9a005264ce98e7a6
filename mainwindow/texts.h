#pragma once

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
inline const QString hoverNbreJours = QStringLiteral("Nombre de Jour de Grossesse");
inline const QString hoverNbreSA = QStringLiteral("Nombre de Semaines D'aménorhée");
inline const QString hoverDateAP = QStringLiteral("Date Calculée de l'accouchement");
QString hoverListeSA();

inline const QString deliveryTitle = QStringLiteral("Date Prévisible de l'Accouchement");

inline const QString captionPickerDR = QStringLiteral("Dernières Règles");
inline const QString captionPickerDG = QStringLiteral("Début de Grossesse");

// The help-line messages of the schedule labels; the dates are already in long form.
QString biologyMessage(const QString &label, const QString &date);
QString ultrasoundMessage(const QString &label, const QString &date);
QString leaveMessage(const QString &label, const QString &date);
QString prenatalVisitMessage(const QString &label, const QString &from, const QString &to);

// Carriage returns shown as line breaks.
QString toDisplay(const QString &message);

} // namespace texts
