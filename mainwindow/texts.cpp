#include "texts.h"

#include <QStringList>

namespace texts {

namespace {

const QChar lineBreak = QChar(13);

QString lines(const QStringList &parts)
{
    return parts.join(lineBreak);
}

} // namespace

QString helpText()
{
    return lines(
        { QStringLiteral("Il suffit d'entrer la Date des Dernières règles ou la date de conception "),
            QStringLiteral("Et tous les Calculs sont automatiques"),
            QStringLiteral("Pour Changer la Date on Utilise au Clavier les Touches + et -"),
            QStringLiteral("A la souris les Ascenceurs Haut et Bas"), QString(80, QLatin1Char('-')),
            QStringLiteral("Mais le TOP c'est d'ouvrir le Calendrier en double-cliquant sur le Champ") });
}

QString helpDR()
{
    return lines({ QStringLiteral("Entrez la date des DR "), QString(),
        QStringLiteral("Pour Changer les Jours tapez + ou -"), QStringLiteral("Utilisez les Ascenceurs"),
        QStringLiteral("Ou DOUBLE-CLIQUEZ pour Ouvrir le Calendrier"),
        QStringLiteral("Le Bouton Droit donne la Date du Jour") });
}

QString helpDG()
{
    return lines({ QStringLiteral("Entrez ou Corrigez la Date de Conception"),
        QStringLiteral("Pour changer la Date, Tapez + ou -"), QStringLiteral("Ou utilisez les Ascenceurs"),
        QStringLiteral("Double-Cliquez pour Ouvrir un Calendrier"),
        QStringLiteral("Le Bouton Droit donne la date du Jour") });
}

QString hoverNbreJours()
{
    return QStringLiteral("Nombre de Jour de Grossesse");
}

QString hoverNbreSA()
{
    return QStringLiteral("Nombre de Semaines D'aménorhée");
}

QString hoverDateAP()
{
    return QStringLiteral("Date Calculée de l'accouchement");
}

QString hoverListeSA()
{
    return lines({ QStringLiteral("Choisissez un Nombre de Semaines avec les Ascenceurs"),
        QStringLiteral("Puis cliquez sur le Chiffre pour calculer la Date correspondante") });
}

QString scheduleMessage(
    dating::ScheduleKind kind, const QString &label, const QString &date, const QString &end)
{
    switch (kind) {
    case dating::ScheduleKind::Biology:
        return lines(
            { QStringLiteral("BIOLOGIE: -->> ") + label, QString(), QStringLiteral("Vers le ") + date });
    case dating::ScheduleKind::Ultrasounds:
        return lines({ QStringLiteral("Echographie du ") + label, QString(),
            QStringLiteral("A faire vers le ") + date });
    case dating::ScheduleKind::Leave:
        return lines({ QStringLiteral("Date de Début des Congés"), QString(), QStringLiteral("Pour ") + label,
            QString(), QStringLiteral("A partir du  ") + date });
    case dating::ScheduleKind::PrenatalVisits:
        return lines({ QStringLiteral("Visite Prénatale du ") + label.trimmed(), QString(),
            QStringLiteral("Du ") + date, QStringLiteral("au ") + end });
    }
    return {};
}

QString weeksOfAmenorrhea(int weeks)
{
    return QString::number(weeks) + QStringLiteral(" S.A");
}

QString daysOfPregnancy(int days)
{
    return QString::number(days) + QStringLiteral(" jours");
}

QString chosenWeek(int weeks)
{
    return QString::number(weeks) + QStringLiteral(" S.A le...");
}

QString monthRange(const QString &from, const QString &to)
{
    return from + QStringLiteral(" ==>> ") + to;
}

QString toDisplay(const QString &message)
{
    QString shown = message;
    return shown.replace(lineBreak, QLatin1Char('\n'));
}

} // namespace texts
