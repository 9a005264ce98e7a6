#include "mainwindow/form1.h"
#include "tests/fixedclock.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdio>

// One user gesture in the real window, offscreen, timed from the event until the change
// cascade has written every result field and list (the cascade runs inside the event).
namespace {

// The arrow's place depends on the bar's rectangle and direction only, not on its value.
QPoint upperArrowCentre(const QScrollBar *bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.subControls = QStyle::SC_All;
    return bar->style()
        ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSubLine, bar)
        .center();
}

// Counts the paints of one widget, to tell that a timed repaint did paint.
class PaintCounter final : public QObject
{
public:
    explicit PaintCounter(QWidget *widget)
        : QObject(widget)
    {
        widget->installEventFilter(this);
    }
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

struct Desk
{
    FixedClock clock { tuesdayAfternoon };
    form1 window { clock };
    QLineEdit *dateDR = window.findChild<QLineEdit *>(QStringLiteral("dateDR"));
    QLineEdit *dateDG = window.findChild<QLineEdit *>(QStringLiteral("dateDG"));
    QLineEdit *dateAP = window.findChild<QLineEdit *>(QStringLiteral("dateAP"));
    QScrollBar *VScroll1 = window.findChild<QScrollBar *>(QStringLiteral("VScroll1"));

    bool isReady()
    {
        window.show();
        QApplication::setActiveWindow(&window);
        return QTest::qWaitForWindowActive(&window);
    }

    // Delivers what the last gesture left to do, its repaint above all.
    static void settle() { QCoreApplication::processEvents(); }
};

// Each iteration starts from "01/03/202" and types the digit that completes the year, "6" and
// "7" in turn, so every result and list row changes as when the user types a new date. With
// repaint, the time the window then takes to show the new texts is counted too.
void keystrokeCompletesDate(benchmark::State &state, Desk &desk, bool repaint)
{
    const auto typeYearButLastDigit = [&desk] {
        desk.dateDR->setText(QStringLiteral("01/03/202"));
        Desk::settle();
    };
    desk.dateDR->setFocus();
    bool nextYear = false;
    for (auto _ : state) {
        state.PauseTiming();
        typeYearButLastDigit();
        nextYear = !nextYear;
        state.ResumeTiming();
        QTest::keyClick(desk.dateDR, nextYear ? Qt::Key_7 : Qt::Key_6);
        if (repaint)
            Desk::settle();
    }

    // One more, untimed, to tell that the cascade ran and that a settle paints its texts.
    const PaintCounter dateDGPaints(desk.dateDG);
    typeYearButLastDigit();
    const int paintsBefore = dateDGPaints.paints;
    QTest::keyClick(desk.dateDR, nextYear ? Qt::Key_6 : Qt::Key_7);
    Desk::settle();
    const QString year = nextYear ? QStringLiteral("2026") : QStringLiteral("2027");
    if (desk.dateDG->text() != QStringLiteral("15/03/") + year
        || desk.dateAP->text() != QStringLiteral("15/12/") + year)
        state.SkipWithError("the keystroke did not run the cascade");
    if (repaint && dateDGPaints.paints == paintsBefore)
        state.SkipWithError("the new texts were not painted");
}

void typePlus(Desk &desk)
{
    QTest::keyClick(desk.dateDG, Qt::Key_Plus);
}

void clickUpperArrow(Desk &desk)
{
    QTest::mouseClick(desk.VScroll1, Qt::LeftButton, {}, upperArrowCentre(desk.VScroll1));
}

// A gesture that steps dateDG one day later, repeated from iteration to iteration. From a
// text that is no date the window has nothing to do: what is left is the toolkit's own cost.
void stepDateDG(benchmark::State &state, Desk &desk, void (*gesture)(Desk &), bool fromDate)
{
    const QString start = fromDate ? QStringLiteral("15/03/2026") : QStringLiteral("pas une date");
    desk.dateDG->setText(start);
    desk.dateDG->setFocus();
    for (auto _ : state) {
        state.PauseTiming();
        // Keep the dates well inside the supported years however long the run.
        if (desk.dateDG->text().endsWith(QLatin1String("2150")))
            desk.dateDG->setText(start);
        Desk::settle();
        state.ResumeTiming();
        gesture(desk);
    }

    desk.dateDG->setText(start);
    desk.dateDG->setFocus();
    gesture(desk);
    const QString expected = fromDate ? QStringLiteral("16/03/2026") : start;
    if (desk.dateDG->text() != expected || desk.VScroll1->value() != 0)
        state.SkipWithError("the gesture did not step dateDG by one day");
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    Desk desk;
    if (!desk.isReady()) {
        std::fputs("The window could not be shown and activated.\n", stderr);
        return 1;
    }
    benchmark::RegisterBenchmark(
        "keystroke completes dateDR, cascade", keystrokeCompletesDate, std::ref(desk), false);
    benchmark::RegisterBenchmark(
        "keystroke completes dateDR, cascade + repaint", keystrokeCompletesDate, std::ref(desk), true);
    benchmark::RegisterBenchmark("\"+\" on dateDG, cascade", stepDateDG, std::ref(desk), typePlus, true);
    benchmark::RegisterBenchmark(
        "\"+\" on dateDG, no date (toolkit only)", stepDateDG, std::ref(desk), typePlus, false);
    benchmark::RegisterBenchmark(
        "upper arrow of VScroll1, cascade", stepDateDG, std::ref(desk), clickUpperArrow, true);
    benchmark::RegisterBenchmark("upper arrow of VScroll1, no date (toolkit only)", stepDateDG,
        std::ref(desk), clickUpperArrow, false);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
