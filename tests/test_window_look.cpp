#include "fixedclock.h"
#include "mainwindow/form1.h"
#include "mainwindow/texts.h"
#include "scrollarrows.h"

#include <QApplication>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QTest>

#include <memory>

// What the window looks like, run once per screen scale (QT_SCALE_FACTOR, set by the test's
// caller): the same under any desktop colour scheme, every text readable on its background,
// and every text whole in the part of its control that nothing covers.
namespace {

QPalette lightDesktop()
{
    QPalette palette(QColor(239, 239, 239));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    return palette;
}

// Breeze Dark, the colour scheme a KDE desktop hands its programs.
QPalette darkDesktop()
{
    QPalette palette;
    const QColor text(252, 252, 252);
    for (const auto &[role, colour] : { std::pair { QPalette::Window, QColor(32, 35, 38) },
             { QPalette::WindowText, text }, { QPalette::Base, QColor(20, 22, 24) },
             { QPalette::AlternateBase, QColor(29, 31, 34) }, { QPalette::Text, text },
             { QPalette::Button, QColor(41, 44, 48) }, { QPalette::ButtonText, text },
             { QPalette::Light, QColor(64, 69, 76) }, { QPalette::Midlight, QColor(52, 56, 62) },
             { QPalette::Mid, QColor(34, 37, 40) }, { QPalette::Dark, QColor(17, 19, 20) },
             { QPalette::Shadow, QColor(10, 11, 12) }, { QPalette::Highlight, QColor(61, 174, 233) },
             { QPalette::HighlightedText, text }, { QPalette::ToolTipBase, QColor(41, 44, 48) },
             { QPalette::ToolTipText, text }, { QPalette::PlaceholderText, QColor(161, 169, 177) } })
        palette.setColor(role, colour);
    return palette;
}

double luminance(QColor colour)
{
    const auto channel
        = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF())
        + 0.0722 * channel(colour.blueF());
}

// The contrast ratio of two colours, from 1 (the same) to 21 (black on white).
double contrast(QColor a, QColor b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Normal text needs 4.5:1, a graphical object such as an arrow 3:1 (WCAG 2.1, 1.4.3 and 1.4.11).
constexpr double textContrast = 4.5;
constexpr double graphicContrast = 3;

struct Ink
{
    QString what;
    QColor text;
    QColor background;
};

// The text and background colours each kind of control draws its texts with.
QList<Ink> inksOf(QWidget *widget)
{
    const QPalette p = widget->palette();
    const QString name = widget->objectName();
    if (qobject_cast<QLineEdit *>(widget))
        return { { name, p.color(QPalette::Text), p.color(QPalette::Base) } };
    if (auto *list = qobject_cast<QListWidget *>(widget)) {
        const QPalette bar = list->verticalScrollBar()->palette();
        return { { name, p.color(QPalette::Text), p.color(QPalette::Base) },
            { name + QStringLiteral(" selected row"), p.color(QPalette::HighlightedText),
                p.color(QPalette::Highlight) },
            { name + QStringLiteral(" scroll arrows"), bar.color(QPalette::WindowText),
                bar.color(QPalette::Button) } };
    }
    if (qobject_cast<QPushButton *>(widget))
        return { { name, p.color(QPalette::ButtonText), p.color(QPalette::Button) } };
    if (qobject_cast<QScrollBar *>(widget))
        return { { name + QStringLiteral(" arrows"), p.color(QPalette::WindowText),
            p.color(QPalette::Button) } };
    return { { name, p.color(QPalette::WindowText), p.color(QPalette::Window) } };
}

// The controls of the window, without Qt's own parts of them.
QList<QWidget *> controlsOf(QWidget *window)
{
    QList<QWidget *> controls;
    for (QWidget *widget : window->findChildren<QWidget *>())
        if (!widget->objectName().isEmpty() && !widget->objectName().startsWith(QLatin1String("qt_")))
            controls << widget;
    return controls;
}

// Everything drawn in front of the widget, in its own coordinates: later siblings of the widget
// and of each of its containers.
QList<QRect> inFrontOf(QWidget *widget)
{
    QList<QRect> covers;
    for (QWidget *w = widget; !w->isWindow(); w = w->parentWidget()) {
        const QObjectList siblings = w->parentWidget()->children();
        for (qsizetype i = siblings.indexOf(w) + 1; i < siblings.size(); ++i) {
            auto *front = qobject_cast<QWidget *>(siblings[i]);
            if (front && front->isVisible())
                covers << QRect(
                    widget->mapFrom(widget->window(), front->mapTo(widget->window(), QPoint(0, 0))),
                    front->size());
        }
    }
    return covers;
}

// Where a text of the given size lands in an area, by the alignment.
QRect placed(QSize size, const QRect &area, Qt::Alignment alignment)
{
    return QStyle::alignedRect(Qt::LeftToRight, alignment, size, area);
}

} // namespace

class TestWindowLook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void sameLookUnderAnyDesktopPalette();
    void everyTextStandsOutFromItsBackground_data();
    void everyTextStandsOutFromItsBackground();
    void scrollArrowsShow_data();
    void scrollArrowsShow();
    void everyTextFitsItsUncoveredPart();

private:
    form1 *openWindow(const QPalette &desktop);
    // Fails with the text and its control when the text would not show whole at rect.
    void verifyShowsWhole(QWidget *control, const QRect &text, const QRect &area, const QString &what);

    FixedClock m_clock { tuesdayAfternoon };
    std::unique_ptr<form1> m_window;
    QString m_shots;
};

void TestWindowLook::initTestCase()
{
    // The program draws with Fusion on every system; a Windows Qt would otherwise pick its own.
    QApplication::setStyle(QStringLiteral("Fusion"));
    // A blinking cursor would make two pictures of the same window differ.
    QApplication::setCursorFlashTime(0);
    m_shots = qEnvironmentVariable("WINDOW_SHOTS");
    qInfo("scale factor %s", qPrintable(qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"))));
}

void TestWindowLook::cleanup()
{
    m_window.reset();
    QApplication::setPalette(lightDesktop());
}

form1 *TestWindowLook::openWindow(const QPalette &desktop)
{
    m_window.reset();
    QApplication::setPalette(desktop);
    m_window = std::make_unique<form1>(m_clock);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("the window was not exposed");
    return m_window.get();
}

void TestWindowLook::sameLookUnderAnyDesktopPalette()
{
    const QImage light = openWindow(lightDesktop())->grab().toImage();
    const QImage dark = openWindow(darkDesktop())->grab().toImage();
    if (!m_shots.isEmpty()) {
        const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"));
        light.save(m_shots + QStringLiteral("/form1-light-scale") + scale + QStringLiteral(".png"));
        dark.save(m_shots + QStringLiteral("/form1-dark-scale") + scale + QStringLiteral(".png"));
    }
    QCOMPARE(dark.size(), light.size());
    QVERIFY(dark == light);
}

void TestWindowLook::everyTextStandsOutFromItsBackground_data()
{
    QTest::addColumn<QPalette>("desktop");
    QTest::newRow("light desktop") << lightDesktop();
    QTest::newRow("dark desktop") << darkDesktop();
}

void TestWindowLook::everyTextStandsOutFromItsBackground()
{
    QFETCH(QPalette, desktop);
    form1 *window = openWindow(desktop);
    int checked = 0;
    for (QWidget *control : controlsOf(window)) {
        for (const Ink &ink : inksOf(control)) {
            const double ratio = contrast(ink.text, ink.background);
            const double needed = ink.what.endsWith(QLatin1String("arrows")) ? graphicContrast : textContrast;
            QVERIFY2(ratio >= needed,
                qPrintable(QStringLiteral("%1: %2 on %3, contrast %4")
                               .arg(ink.what, ink.text.name(), ink.background.name())
                               .arg(ratio, 0, 'f', 2)));
            ++checked;
        }
    }
    QCOMPARE(checked, 36 + 2 * 9);
}

void TestWindowLook::scrollArrowsShow_data()
{
    QTest::addColumn<QPalette>("desktop");
    QTest::addColumn<QString>("control");
    for (const char *control : { "ListeSA", "VScroll1", "VScroll2" }) {
        QTest::addRow("%s, light desktop", control) << lightDesktop() << QString::fromLatin1(control);
        QTest::addRow("%s, dark desktop", control) << darkDesktop() << QString::fromLatin1(control);
    }
}

// Drawn, the arrows of a scroll bar stand out from the button they are drawn on: the weeks
// list's and the entry fields'.
void TestWindowLook::scrollArrowsShow()
{
    QFETCH(QPalette, desktop);
    QFETCH(QString, control);
    QWidget *found = openWindow(desktop)->findChild<QWidget *>(control);
    auto *list = qobject_cast<QListWidget *>(found);
    QScrollBar *bar = list ? list->verticalScrollBar() : qobject_cast<QScrollBar *>(found);
    QVERIFY(bar->isVisible());
    const QImage drawn = bar->grab().toImage();
    const qreal scale = drawn.devicePixelRatio();
    for (const auto arrow : { QStyle::SC_ScrollBarSubLine, QStyle::SC_ScrollBarAddLine }) {
        const QRect button = scrollArrowRect(bar, arrow);
        // The arrow is drawn in the middle of its button, the button's outline at its edges: in
        // the middle, the commonest colour is the button's face and the arrow the one furthest
        // from it.
        const QRect pixels(button.topLeft() * scale, button.size() * scale);
        const QRect middle = pixels.adjusted(
            pixels.width() / 5, pixels.height() / 5, -pixels.width() / 5, -pixels.height() / 5);
        QHash<QRgb, int> counts;
        for (int y = middle.top(); y <= middle.bottom(); ++y)
            for (int x = middle.left(); x <= middle.right(); ++x)
                ++counts[drawn.pixel(x, y)];
        const QColor face = QColor::fromRgb(
            std::max_element(counts.keyValueBegin(), counts.keyValueEnd(), [](const auto &a, const auto &b) {
                return a.second < b.second;
            })->first);
        double strongest = 1;
        for (const QRgb colour : counts.keys())
            strongest = std::max(strongest, contrast(QColor::fromRgb(colour), face));
        QVERIFY2(strongest >= graphicContrast,
            qPrintable(QStringLiteral("%1 arrow %2: contrast %3")
                           .arg(control)
                           .arg(int(arrow))
                           .arg(strongest, 0, 'f', 2)));
    }
}

void TestWindowLook::verifyShowsWhole(
    QWidget *control, const QRect &text, const QRect &area, const QString &what)
{
    const QString where = QStringLiteral("%1 \"%2\": text %3x%4 at %5,%6 in %7x%8 at %9,%10")
                              .arg(control->objectName(), what)
                              .arg(text.width())
                              .arg(text.height())
                              .arg(text.x())
                              .arg(text.y())
                              .arg(area.width())
                              .arg(area.height())
                              .arg(area.x())
                              .arg(area.y());
    QVERIFY2(area.contains(text), qPrintable(where));
    for (const QRect &cover : inFrontOf(control))
        QVERIFY2(!cover.intersects(text), qPrintable(where + QStringLiteral(", covered")));
}

// With the widest date and the longest texts each control can hold, every text shows whole.
void TestWindowLook::everyTextFitsItsUncoveredPart()
{
    form1 *window = openWindow(lightDesktop());
    const QString widestDate = QStringLiteral("28/08/2028");
    const QString longestDate = QStringLiteral("mercredi 27 septembre 2028");
    int checked = 0;
    for (QWidget *control : controlsOf(window)) {
        const QFontMetrics metrics = control->fontMetrics();
        const auto lineOf
            = [&](const QString &text) { return QSize(metrics.horizontalAdvance(text), metrics.height()); };
        if (auto *edit = qobject_cast<QLineEdit *>(control)) {
            QStringList longest { widestDate };
            if (edit->objectName() == QLatin1String("nbreSA"))
                longest = { texts::weeksOfAmenorrhea(dating::lastListedWeek), texts::weeksOfAmenorrhea(-9) };
            else if (edit->objectName() == QLatin1String("nbreJours"))
                longest = { texts::daysOfPregnancy(dating::lastListedWeek * 7), texts::daysOfPregnancy(-99) };
            QStyleOptionFrame option;
            option.initFrom(edit);
            option.lineWidth = edit->hasFrame()
                ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                : 0;
            // Qt's line edit keeps two pixels of margin on either side of its text.
            const QRect area = edit->style()
                                   ->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                                   .marginsRemoved(edit->textMargins())
                                   .adjusted(2, 0, -2, 0);
            for (const QString &text : longest)
                verifyShowsWhole(edit, placed(lineOf(text), area, edit->alignment()), area, text);
        } else if (auto *list = qobject_cast<QListWidget *>(control)) {
            QStringList longest;
            for (int row = 0; row < list->count(); ++row)
                if (!list->objectName().endsWith(QLatin1Char('0'))
                    && list->objectName() != QLatin1String("ListeSA"))
                    longest << (list->objectName() == QLatin1String("listePN")
                            ? texts::monthRange(widestDate, widestDate)
                            : widestDate);
                else
                    longest << list->item(row)->text();
            // A row's text keeps its item's margins.
            const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
            for (int row = 0; row < list->count(); ++row) {
                const QRect item = list->visualItemRect(list->item(row)).translated(list->viewport()->pos());
                const QRect viewport(list->viewport()->pos(), list->viewport()->size());
                QVERIFY2(item.left() >= viewport.left() && item.right() <= viewport.right(),
                    qPrintable(QStringLiteral("%1 row %2: %3 to %4 in %5 to %6")
                                   .arg(list->objectName())
                                   .arg(row)
                                   .arg(item.left())
                                   .arg(item.right())
                                   .arg(viewport.left())
                                   .arg(viewport.right())));
                const QRect area = item.adjusted(margin, 0, -margin, 0);
                verifyShowsWhole(list, placed(lineOf(longest[row]), area, Qt::AlignLeft | Qt::AlignVCenter),
                    area, longest[row]);
            }
        } else if (auto *label = qobject_cast<QLabel *>(control)) {
            QStringList longest { label->text() };
            if (label->objectName() == QLatin1String("TXTsa"))
                longest = { texts::chosenWeek(dating::lastListedWeek) };
            if (label->objectName() == QLatin1String("msg")) {
                longest = { texts::toDisplay(texts::helpDR()), texts::toDisplay(texts::helpDG()),
                    texts::toDisplay(texts::hoverListeSA()) };
                for (const dating::ScheduleKind kind : dating::allSchedules)
                    longest << texts::toDisplay(texts::scheduleMessage(
                        kind, QStringLiteral("O'Sull. (26sa)"), longestDate, longestDate));
            }
            const QRect area = label->contentsRect();
            const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
            for (const QString &text : longest)
                verifyShowsWhole(label, metrics.boundingRect(area, flags, text), area, text);
        } else if (auto *button = qobject_cast<QPushButton *>(control)) {
            const QString text = QString(button->text()).remove(QLatin1Char('&'));
            const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
            const QRect area = button->rect().adjusted(margin, margin / 2, -margin, -margin / 2);
            verifyShowsWhole(button, placed(lineOf(text), area, Qt::AlignCenter), area, text);
        } else if (auto *frame = qobject_cast<QGroupBox *>(control)) {
            if (frame->width() < metrics.height())
                continue; // a sliver whose caption was never meant to show
            // Frames overlap their neighbours by a pixel by design: what must stay clear is the
            // ink of the caption, where the style puts it.
            QStyleOptionGroupBox option;
            option.initFrom(frame);
            option.text = frame->title();
            option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            const QRect label = frame->style()->subControlRect(
                QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
            const QRect ink = metrics.tightBoundingRect(frame->title())
                                  .translated(label.left(), label.top() + metrics.ascent());
            verifyShowsWhole(frame, ink, frame->rect(), frame->title());
        } else {
            continue;
        }
        ++checked;
    }
    QCOMPARE(checked, 33); // all but the two scroll bars and the sliver Frame10
}

QTEST_MAIN(TestWindowLook)
#include "test_window_look.moc"
