#pragma once

#include <QFont>
#include <QFontDatabase>
#include <QRect>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <QWidget>

// Both forms are laid out in twips, with the fonts they were designed with; these helpers
// turn those into pixels and into fonts this machine has.
namespace formgeometry {

// 15 twips make one pixel on a 96-dpi screen; Qt scales pixels for other densities.
inline constexpr int twipsPerPixel = 15;

constexpr int pixels(int twips)
{
    return (twips + twipsPerPixel / 2) / twipsPerPixel;
}

inline QRect rect(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

// The designer's font families, mapped to metric-compatible free fonts where they are missing.
inline void installFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
}

// The named family where this machine has it, else its substitute: a missing family asked for
// by name sends Qt searching for fallbacks on every lookup, which slows the start-up.
inline QString installedFamily(const QString &family)
{
    static const QStringList installed = QFontDatabase::families();
    return installed.contains(family, Qt::CaseInsensitive) ? family : QFont::substitute(family);
}

inline QFont font(const QString &family, qreal points, bool bold)
{
    QFont f(installedFamily(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(false);
    return f;
}

// Moves a window so that a rectangle of its outer size stands in the middle of its screen.
inline void centreOnScreen(QWidget *window, QSize outerSize)
{
    const QScreen *display = window->screen();
    if (!display)
        return;
    const QRect area = display->geometry();
    window->move(area.x() + (area.width() - outerSize.width()) / 2,
        area.y() + (area.height() - outerSize.height()) / 2);
}

} // namespace formgeometry
