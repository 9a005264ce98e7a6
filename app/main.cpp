#include "data/appicon.h"
#include "formkit/fonts.h"
#include "formkit/qttranslations.h"
#include "formkit/systemclock.h"
#include "mainwindow/form1.h"
#include "commandline.h"
#include "quietstart.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

void describeApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("gestiva"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
}

// The status of a refused command line, as for any bad input: one line on standard error.
constexpr int badCommandLine = 2;

int refused(const QString &problem)
{
    std::fputs(QStringLiteral("gestiva : %1\n").arg(commandline::oneLine(problem)).toUtf8().constData(), stderr);
    return badCommandLine;
}

// --help, --version and the sheet are answered before any window system is needed, so they
// work without a display; any other option is refused. Gives the sheet command, if any.
commandline::Answer answerCommandLine(int argc, char *argv[], const dating::Clock &clock)
{
    QCoreApplication commandLine(argc, argv);
    describeApplication();
    if (const QString problem = commandline::undecodableArgument(argc, argv); !problem.isEmpty())
        return { std::nullopt, problem, {} };
    return commandline::read(QCoreApplication::arguments(), clock.now().date);
}

int writeSheet(const commandline::Command &command)
{
    const QString problem = commandline::run(command);
    return problem.isEmpty() ? 0 : refused(problem);
}

// While the window system is being reached, Qt's own messages are held back: when no display
// can be had, Qt ends the program with a fatal message and an abort, and the user gets one
// plain line and a non-zero status instead.
QtMessageHandler previousHandler = nullptr;
QList<std::pair<QtMsgType, QString>> heldBack;

void refuseWithoutDisplay(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtFatalMsg) {
        heldBack.append({ type, message });
        return;
    }
    std::fputs("gestiva : aucun affichage n'est disponible (DISPLAY ou WAYLAND_DISPLAY), la fenêtre ne peut "
               "pas s'ouvrir.\n",
        stderr);
    std::_Exit(EXIT_FAILURE);
}

void watchForMissingDisplay()
{
    previousHandler = qInstallMessageHandler(refuseWithoutDisplay);
}

// The display answered: Qt's messages go where they always go, those held back first.
void displayFound()
{
    qInstallMessageHandler(previousHandler);
    for (const auto &[type, message] : std::as_const(heldBack))
        qt_message_output(type, QMessageLogContext(), message);
    heldBack.clear();
}

} // namespace

int main(int argc, char *argv[])
{
    const formkit::SystemClock clock;
    const commandline::Answer read = answerCommandLine(argc, argv, clock);
    if (!read.problem.isEmpty())
        return refused(read.problem);
    if (!read.shown.isEmpty()) {
        std::fputs(read.shown.toUtf8().constData(), stdout);
        return 0;
    }
    if (read.command) {
        if (!commandline::needsPainting(*read.command))
            return writeSheet(*read.command);
        // The picture needs fonts, not a screen. Offscreen, Windows' own fonts are not seen, so
        // the carried ones are what the sheet is drawn with there.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        const QuietRuntimeDirNotice quiet;
        QGuiApplication painting(argc, argv);
        formkit::installFontSubstitutes();
        return writeSheet(*read.command);
    }

    watchForMissingDisplay();
    QApplication app(argc, argv);
    displayFound();
    formkit::loadQtTranslations(app);
    // The window's design fixes its colours and sizes: one style draws it the same on every
    // desktop and system (Windows' own style gives its lists taller rows, which cut them).
    QApplication::setStyle(QStringLiteral("Fusion"));
    describeApplication();
    QApplication::setWindowIcon(gestiva::applicationIcon());
    QGuiApplication::setDesktopFileName(gestiva::applicationId());

    form1 window(clock);
    window.show();
    return app.exec();
}
