#include "data/appicon.h"
#include "formkit/systemclock.h"
#include "mainwindow/form1.h"

#include <QApplication>
#include <QCommandLineParser>

namespace {

void describeApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("gestiva"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
}

// --help and --version are answered before any window system is needed, so they work
// without a display; any other option is refused.
void answerCommandLine(int argc, char *argv[])
{
    QCoreApplication commandLine(argc, argv);
    describeApplication();
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Calendrier obstétrical : dates de la grossesse, suivi et journal de notes."));
    options.addHelpOption();
    options.addVersionOption();
    options.process(commandLine);
}

} // namespace

int main(int argc, char *argv[])
{
    answerCommandLine(argc, argv);

    QApplication app(argc, argv);
    describeApplication();
    QApplication::setWindowIcon(gestiva::applicationIcon());
    QGuiApplication::setDesktopFileName(gestiva::applicationId());

    const formkit::SystemClock clock;
    form1 window(clock);
    window.show();
    return app.exec();
}
