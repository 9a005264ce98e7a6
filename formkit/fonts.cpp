#include "fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace formkit {

namespace {

// The named family where this machine has it, else its substitute: a missing family asked for
// by name sends Qt searching for fallbacks on every lookup, which slows the start-up.
QString installedFamily(const QString &family)
{
    static const QStringList installed = QFontDatabase::families();
    return installed.contains(family, Qt::CaseInsensitive) ? family : QFont::substitute(family);
}

} // namespace

void installFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
}

QFont font(const QString &family, qreal points, bool bold)
{
    QFont f(installedFamily(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(false);
    return f;
}

} // namespace formkit
