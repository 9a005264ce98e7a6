#include "datingdialog/DatingDialog.h"
#include "mainwindow/form1.h"
#include "sheetdialog/SheetDialog.h"
#include "tests/fixedclock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdio>

// Ctrl+P in the real window, offscreen, timed until the pregnancy sheet's dialog has painted
// itself with its preview (sheet built, timeline drawn, HTML laid out); Ctrl+D until the dating
// dialog has painted itself.
namespace {

template<class Dialog> Dialog *openWith(form1 &window, Qt::Key key)
{
    QTest::keyClick(&window, key, Qt::ControlModifier);
    auto *dialog = window.findChild<Dialog *>();
    if (dialog)
        dialog->repaint();
    return dialog;
}

SheetDialog *openWithCtrlP(form1 &window)
{
    return openWith<SheetDialog>(window, Qt::Key_P);
}

void closeDialog(QDialog *dialog)
{
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

template<class Dialog> void shortcutOpens(benchmark::State &state, form1 &window, Qt::Key key)
{
    for (auto _ : state) {
        Dialog *dialog = openWith<Dialog>(window, key);
        state.PauseTiming();
        if (!dialog) {
            state.SkipWithError("the shortcut opened no dialog");
            break;
        }
        closeDialog(dialog);
        state.ResumeTiming();
    }
}

// The offscreen platform says at every dialog that it cannot pass size hints on; that says
// nothing about the figures.
QtMessageHandler previousHandler = nullptr;

void dropSizeHintNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.contains(QLatin1String("propagateSizeHints")))
        previousHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(dropSizeHintNotes);
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    const FixedClock clock(tuesdayAfternoon);
    form1 window(clock);
    window.show();
    QApplication::setActiveWindow(&window);
    if (!QTest::qWaitForWindowActive(&window)) {
        std::fputs("The window could not be shown and activated.\n", stderr);
        return 1;
    }
    // The first opening in the process, which finds fonts and styles for the dialog.
    QElapsedTimer first;
    first.start();
    SheetDialog *dialog = openWithCtrlP(window);
    const double firstMs = double(first.nsecsElapsed()) / 1e6;
    if (!dialog)
        return 1;
    closeDialog(dialog);
    std::printf("first Ctrl+P to painted dialog: %.1f ms\n", firstMs);

    QElapsedTimer firstDating;
    firstDating.start();
    DatingDialog *dating = openWith<DatingDialog>(window, Qt::Key_D);
    const double firstDatingMs = double(firstDating.nsecsElapsed()) / 1e6;
    if (!dating)
        return 1;
    closeDialog(dating);
    std::printf("first Ctrl+D to painted dating dialog: %.1f ms\n", firstDatingMs);

    benchmark::RegisterBenchmark(
        "Ctrl+P to the sheet dialog painted", shortcutOpens<SheetDialog>, std::ref(window), Qt::Key_P)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(
        "Ctrl+D to the dating dialog painted", shortcutOpens<DatingDialog>, std::ref(window), Qt::Key_D)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
