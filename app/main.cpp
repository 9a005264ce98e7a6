#include "mainwindow/form1.h"
#include "notes/systemclock.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("gestiva"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Calendrier obstétrical : dates de la grossesse, "
                                                     "suivi et journal de notes."));
    options.addHelpOption();
    options.addVersionOption();
    options.process(app);

    const notes::SystemClock clock;
    form1 window(clock);
    window.show();
    return app.exec();
}
