#include "mainwindow/form1.h"
#include "sheetdialog/SheetDialog.h"
#include "tests/fixedclock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdio>

// Ctrl+P in the real window, offscreen, timed until the pregnancy sheet's dialog has painted
// itself with its preview (sheet built, timeline drawn, HTML laid out).
namespace {

SheetDialog *openWithCtrlP(form1 &window)
{
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    auto *dialog = window.findChild<SheetDialog *>();
    if (dialog)
        dialog->repaint();
    return dialog;
}

void closeDialog(SheetDialog *dialog)
{
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void ctrlPOpensTheSheet(benchmark::State &state, form1 &window)
{
    for (auto _ : state) {
        SheetDialog *dialog = openWithCtrlP(window);
        state.PauseTiming();
        if (!dialog) {
            state.SkipWithError("Ctrl+P opened no dialog");
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

    benchmark::RegisterBenchmark("Ctrl+P to the sheet dialog painted", ctrlPOpensTheSheet, std::ref(window))
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
