#include "firstpaint.h"
#include "formkit/systemclock.h"
#include "mainwindow/form1.h"

#include <QApplication>

// The calendar's start-up as the program does it, ending after the window's first paint.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const formkit::SystemClock clock;
    form1 window(clock);
    const QuitAfterFirstPaint quit(&window);
    window.show();
    return app.exec();
}
