#include "geometry.h"

#include <QScreen>
#include <QWidget>

namespace formkit {

void centreOnScreen(QWidget *window, QSize outerSize)
{
    const QScreen *display = window->screen();
    if (!display)
        return;
    const QRect area = display->geometry();
    window->move(area.x() + (area.width() - outerSize.width()) / 2,
        area.y() + (area.height() - outerSize.height()) / 2);
}

} // namespace formkit
