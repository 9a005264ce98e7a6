#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// Both forms are laid out in twips, as they were designed.
namespace formkit {

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

// Moves a window so that a rectangle of its outer size stands in the middle of its screen.
void centreOnScreen(QWidget *window, QSize outerSize);

} // namespace formkit
