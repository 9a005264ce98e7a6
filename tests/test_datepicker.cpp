#include "fixedclock.h"
#include "pickerdriver.h"

#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

QDate qdate(int y, int m, int d)
{
    return QDate(y, m, d);
}

const QString captionDR = QStringLiteral("Dernières Règles");
const QString captionDG = QStringLiteral("Début de Grossesse");

QDate toQDate(dating::Date date)
{
    return QDate(int(date.year()), int(unsigned(date.month())), int(unsigned(date.day())));
}

// What the picker handed back while it was open, and whether it was still open then.
struct Handed
{
    QList<QDate> dates;
    bool openEachTime = true;
};

struct Observed
{
    QString caption;
    QDate selected;
    QDate shownMonth;
};

Observed observe(Form2 *picker)
{
    const QCalendarWidget *calendar = calendarOf(picker);
    return { picker->windowTitle(), calendar->selectedDate(),
        QDate(calendar->yearShown(), calendar->monthShown(), 1) };
}

} // namespace

class TestDatePicker : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensOnTheFieldsDate_data();
    void opensOnTheFieldsDate();
    void keys_data();
    void keys();
    void keysReachTheDialogWhereverTheFocusIs();
    void calendarGestures_data();
    void calendarGestures();
    void todayButton();
    void confirmingHandsBackTheDate_data();
    void confirmingHandsBackTheDate();
    void closingWithoutOkWritesNothing_data();
    void closingWithoutOkWritesNothing();
    void eachOpeningStartsFromTheField();
    void writesIntoNoOtherWindow();

    void layout();
    void accessibleNames();
    void tabGoesRoundInOrder();
    void everyCaptionFits();

private:
    // Opens the picker as an entry field's double click does, on the field's text, runs the
    // action once it is modal, and tells what it handed back.
    Handed openOn(const QString &caption, const QString &fieldText, const PickerAction &action,
        QWidget *opener = nullptr);
    // A picker shown without a modal loop, for tests that look at it a while.
    std::unique_ptr<Form2> showPicker(const QString &fieldText);

    std::unique_ptr<FixedClock> m_clock;
    // Whatever a shown picker hands back.
    Handed m_shownHanded;
};

void TestDatePicker::init()
{
    m_clock = std::make_unique<FixedClock>(tuesdayAfternoon);
    m_shownHanded = {};
}

void TestDatePicker::cleanup()
{
    m_clock.reset();
}

Handed TestDatePicker::openOn(
    const QString &caption, const QString &fieldText, const PickerAction &action, QWidget *opener)
{
    Handed handed;
    bool opened = false;
    whenPickerOpens(action, &opened);
    {
        Form2 picker(*m_clock, opener);
        picker.setWindowTitle(caption);
        picker.setDateFromText(fieldText);
        connect(&picker, &Form2::dateChosen, this, [&](dating::Date date) {
            handed.dates << toQDate(date);
            handed.openEachTime = handed.openEachTime && picker.isVisible();
        });
        picker.exec();
    }
    if (!opened)
        qWarning("the picker never became the modal window");
    return opened ? handed : Handed { { QDate() }, false };
}

std::unique_ptr<Form2> TestDatePicker::showPicker(const QString &fieldText)
{
    auto picker = std::make_unique<Form2>(*m_clock);
    picker->setWindowTitle(captionDR);
    picker->setDateFromText(fieldText);
    connect(picker.get(), &Form2::dateChosen, this,
        [this](dating::Date date) { m_shownHanded.dates << toQDate(date); });
    picker->show();
    activate(picker.get());
    return picker;
}

void TestDatePicker::opensOnTheFieldsDate_data()
{
    QTest::addColumn<QString>("fieldText");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QDate>("selected");

    const QDate today = qdate(2026, 12, 8);
    QTest::newRow("DR 28/02/2026") << "28/02/2026" << captionDR << qdate(2026, 2, 28);
    QTest::newRow("DG 15/03/2026") << "15/03/2026" << captionDG << qdate(2026, 3, 15);
    QTest::newRow("DG typed as 1-3-26") << "1-3-26" << captionDG << qdate(2026, 3, 1);
    QTest::newRow("empty field: today") << "" << captionDR << today;
    QTest::newRow("half-typed date: today") << "12/13" << captionDG << today;
    QTest::newRow("31 February: today") << "31/02/2026" << captionDR << today;
    QTest::newRow("year not offered: today") << "01/01/1850" << captionDR << today;
}

void TestDatePicker::opensOnTheFieldsDate()
{
    QFETCH(QString, fieldText);
    QFETCH(QString, caption);
    QFETCH(QDate, selected);

    Observed seen;
    const Handed handed = openOn(caption, fieldText, [&](Form2 *picker) {
        QTest::qWait(50);
        seen = observe(picker);
        QTest::keyClick(keyTarget(picker), Qt::Key_Escape);
    });
    QCOMPARE(seen.caption, caption);
    QCOMPARE(seen.selected, selected);
    QCOMPARE(seen.shownMonth, QDate(selected.year(), selected.month(), 1));
    QCOMPARE(handed.dates, QList<QDate>());
}

void TestDatePicker::keys_data()
{
    QTest::addColumn<QString>("fieldText");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QDate>("selected");
    QTest::addColumn<QString>("caption");

    QTest::newRow("+ from 31 January clamps") << "31/01/2026"
                                              << "+" << qdate(2026, 2, 28) << "samedi 28 février 2026";
    QTest::newRow("- from 31 March clamps") << "31/03/2026"
                                            << "-" << qdate(2026, 2, 28) << "samedi 28 février 2026";
    QTest::newRow("+ + from 31 January") << "31/01/2026"
                                         << "++" << qdate(2026, 3, 28) << "samedi 28 mars 2026";
    QTest::newRow("- across the year") << "15/01/2026"
                                       << "-" << qdate(2025, 12, 15) << "lundi 15 décembre 2025";
    QTest::newRow("* is today") << "28/02/2026"
                                << "*" << qdate(2026, 12, 8) << "mardi 08 décembre 2026";
    QTest::newRow("a letter changes no date") << "15/03/2026"
                                              << "z" << qdate(2026, 3, 15) << "dimanche 15 mars 2026";
    QTest::newRow("a digit changes no date") << "15/03/2026"
                                             << "7" << qdate(2026, 3, 15) << "dimanche 15 mars 2026";
    QTest::newRow("+ past the last year offered")
        << "15/12/2199"
        << "+" << qdate(2199, 12, 15) << "dimanche 15 décembre 2199";
    QTest::newRow("- before the first year offered") << "15/01/1900"
                                                     << "-" << qdate(1900, 1, 15) << "lundi 15 janvier 1900";
}

void TestDatePicker::keys()
{
    QFETCH(QString, fieldText);
    QFETCH(QString, keys);
    QFETCH(QDate, selected);
    QFETCH(QString, caption);

    Observed seen;
    bool stillOpen = false;
    const Handed handed = openOn(captionDR, fieldText, [&](Form2 *picker) {
        typeOn(picker, keys);
        seen = observe(picker);
        stillOpen = picker->isVisible();
    });
    QCOMPARE(seen.selected, selected);
    QCOMPARE(seen.caption, caption);
    QVERIFY(stillOpen);
    QCOMPARE(handed.dates, QList<QDate>());
}

void TestDatePicker::keysReachTheDialogWhereverTheFocusIs()
{
    const auto picker = showPicker(QStringLiteral("31/01/2026"));
    for (const char *name : { "cmdOK", "Command2", "Command3" }) {
        button(picker.get(), name)->setFocus();
        QTest::keyClick(keyTarget(picker.get()), '+');
    }
    QCOMPARE(calendarOf(picker.get())->selectedDate(), qdate(2026, 4, 28));
    QCOMPARE(picker->windowTitle(), QStringLiteral("mardi 28 avril 2026"));
    QVERIFY(picker->isVisible());
}

void TestDatePicker::calendarGestures_data()
{
    QTest::addColumn<QString>("fieldText");
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QDate>("selected");

    QTest::newRow("right arrow") << "28/02/2026"
                                 << "Right" << qdate(2026, 3, 1);
    QTest::newRow("left arrow") << "28/02/2026"
                                << "Left" << qdate(2026, 2, 27);
    QTest::newRow("down arrow") << "28/02/2026"
                                << "Down" << qdate(2026, 3, 7);
    QTest::newRow("page down") << "28/02/2026"
                               << "PageDown" << qdate(2026, 3, 28);
    QTest::newRow("click on the 20th") << "28/02/2026"
                                       << "click 20" << qdate(2026, 2, 20);
    QTest::newRow("next month button from 31 January") << "31/01/2026"
                                                       << "next month" << qdate(2026, 2, 28);
    QTest::newRow("previous month button") << "15/01/2026"
                                           << "previous month" << qdate(2025, 12, 15);
    QTest::newRow("year typed, then Enter") << "15/03/2026"
                                            << "year 2027" << qdate(2027, 3, 15);
}

// The calendar's own gestures still work, the selected day stays on the month shown, and a
// change made there shows in the title bar.
void TestDatePicker::calendarGestures()
{
    QFETCH(QString, fieldText);
    QFETCH(QString, gesture);
    QFETCH(QDate, selected);

    const auto picker = showPicker(fieldText);
    QCalendarWidget *calendar = calendarOf(picker.get());
    QTest::qWait(50);
    QCOMPARE(picker->windowTitle(), QStringLiteral("Dernières Règles"));
    QCOMPARE(keyTarget(picker.get()), dayGrid(picker.get()));
    const QMap<QString, Qt::Key> keys { { "Right", Qt::Key_Right }, { "Left", Qt::Key_Left },
        { "Down", Qt::Key_Down }, { "PageDown", Qt::Key_PageDown } };
    if (keys.contains(gesture)) {
        QTest::keyClick(keyTarget(picker.get()), keys.value(gesture));
    } else if (gesture == QLatin1String("click 20")) {
        QTest::mouseClick(dayGrid(picker.get())->viewport(), Qt::LeftButton, {}, dayCentre(picker.get(), 20));
    } else if (gesture.endsWith(QLatin1String("month"))) {
        const bool next = gesture.startsWith(QLatin1String("next"));
        auto *arrow
            = calendar->findChild<QWidget *>(next ? "qt_calendar_nextmonth" : "qt_calendar_prevmonth");
        QTest::mouseClick(arrow, Qt::LeftButton);
    } else {
        QTest::mouseClick(calendar->findChild<QWidget *>("qt_calendar_yearbutton"), Qt::LeftButton);
        QWidget *yearEditor = keyTarget(picker.get());
        QTest::keyClick(yearEditor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(yearEditor, gesture.mid(5));
        QTest::keyClick(yearEditor, Qt::Key_Return);
    }
    QCOMPARE(calendar->selectedDate(), selected);
    QCOMPARE(QDate(calendar->yearShown(), calendar->monthShown(), selected.day()), selected);
    QCOMPARE(picker->windowTitle(),
        QString::fromStdString(
            dating::longDate(ymd(selected.year(), unsigned(selected.month()), unsigned(selected.day())))));
    QVERIFY(picker->isVisible());
    QCOMPARE(m_shownHanded.dates, QList<QDate>());
}

void TestDatePicker::todayButton()
{
    const auto picker = showPicker(QStringLiteral("28/02/2026"));
    QPushButton *today = button(picker.get(), "Command3");
    QCOMPARE(today->text(), QStringLiteral("08/12"));
    QTest::mouseClick(today, Qt::LeftButton);
    QCOMPARE(calendarOf(picker.get())->selectedDate(), qdate(2026, 12, 8));
    QVERIFY(picker->isVisible());
    QCOMPARE(m_shownHanded.dates, QList<QDate>());
}

void TestDatePicker::confirmingHandsBackTheDate_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<QDate>("chosen");

    // The picker opens on 15/03/2026 and "+" moves it to 15/04/2026 before confirming.
    QTest::newRow("DR, OK clicked") << captionDR << "click" << qdate(2026, 4, 15);
    QTest::newRow("DG, OK clicked") << captionDG << "click" << qdate(2026, 4, 15);
    QTest::newRow("DR, Enter") << captionDR << "enter" << qdate(2026, 4, 15);
    QTest::newRow("DG, Alt+O") << captionDG << "alt+o" << qdate(2026, 4, 15);
    QTest::newRow("DR, double click on the 20th") << captionDR << "double click" << qdate(2026, 4, 20);
    QTest::newRow("DG, double click on the 20th") << captionDG << "double click" << qdate(2026, 4, 20);
}

void TestDatePicker::confirmingHandsBackTheDate()
{
    QFETCH(QString, caption);
    QFETCH(QString, confirm);
    QFETCH(QDate, chosen);

    bool closed = false;
    const Handed handed = openOn(caption, QStringLiteral("15/03/2026"), [&](Form2 *picker) {
        typeOn(picker, QStringLiteral("+"));
        if (confirm == QLatin1String("click"))
            QTest::mouseClick(button(picker, "cmdOK"), Qt::LeftButton);
        else if (confirm == QLatin1String("enter"))
            QTest::keyClick(keyTarget(picker), Qt::Key_Return);
        else if (confirm == QLatin1String("alt+o"))
            pressAccessKey(picker, Qt::Key_O);
        else
            doubleClickDay(picker, 20);
        closed = !picker->isVisible();
    });
    // Once, and before the dialog closed.
    QCOMPARE(handed.dates, QList<QDate>({ chosen }));
    QVERIFY(handed.openEachTime);
    QVERIFY(closed);
}

void TestDatePicker::closingWithoutOkWritesNothing_data()
{
    QTest::addColumn<QString>("close");

    QTest::newRow("Annule clicked") << "click";
    QTest::newRow("Esc") << "esc";
    QTest::newRow("Alt+N") << "alt+n";
    QTest::newRow("window closed") << "close";
}

void TestDatePicker::closingWithoutOkWritesNothing()
{
    QFETCH(QString, close);

    bool closed = false;
    const Handed handed = openOn(captionDG, QStringLiteral("15/03/2026"), [&](Form2 *picker) {
        typeOn(picker, QStringLiteral("+"));
        QTest::keyClick(dayGrid(picker), Qt::Key_Right);
        if (close == QLatin1String("click"))
            QTest::mouseClick(button(picker, "Command2"), Qt::LeftButton);
        else if (close == QLatin1String("esc"))
            QTest::keyClick(keyTarget(picker), Qt::Key_Escape);
        else if (close == QLatin1String("alt+n"))
            pressAccessKey(picker, Qt::Key_N);
        else
            picker->close();
        closed = !picker->isVisible();
    });
    QVERIFY(closed);
    QCOMPARE(handed.dates, QList<QDate>());
}

void TestDatePicker::eachOpeningStartsFromTheField()
{
    openOn(captionDR, QStringLiteral("28/02/2026"), [](Form2 *picker) {
        typeOn(picker, QStringLiteral("+++"));
        QTest::keyClick(keyTarget(picker), Qt::Key_Escape);
    });
    Observed second;
    openOn(captionDR, QStringLiteral("28/02/2026"), [&](Form2 *picker) { second = observe(picker); });
    QCOMPARE(second.selected, qdate(2026, 2, 28));
    QCOMPARE(second.caption, captionDR);

    Observed third;
    openOn(captionDR, QStringLiteral("10/05/2026"), [&](Form2 *picker) { third = observe(picker); });
    QCOMPARE(third.selected, qdate(2026, 5, 10));
}

// The dialog hands its date back and leaves every other window's controls alone, even fields
// bearing the entry fields' names.
void TestDatePicker::writesIntoNoOtherWindow()
{
    QWidget opener;
    auto *dateDR = new QLineEdit(QStringLiteral("15/03/2026"), &opener);
    dateDR->setObjectName(QStringLiteral("dateDR"));
    auto *dateDG = new QLineEdit(QStringLiteral("15/03/2026"), &opener);
    dateDG->setObjectName(QStringLiteral("dateDG"));
    auto *stray = new QLineEdit(&opener);
    QSignalSpy writes[] = { QSignalSpy(dateDR, &QLineEdit::textChanged),
        QSignalSpy(dateDG, &QLineEdit::textChanged), QSignalSpy(stray, &QLineEdit::textChanged) };
    opener.show();
    QVERIFY(QTest::qWaitForWindowExposed(&opener));
    QDate selected;
    const Handed handed = openOn(
        captionDR, QString(),
        [&](Form2 *picker) {
            selected = calendarOf(picker)->selectedDate();
            QTest::mouseClick(button(picker, "cmdOK"), Qt::LeftButton);
        },
        &opener);
    QCOMPARE(selected, qdate(2026, 12, 8));
    QCOMPARE(handed.dates, QList<QDate>({ selected }));
    for (const QSignalSpy &spy : writes)
        QCOMPARE(spy.count(), 0);
    QVERIFY(!opener.findChild<Form2 *>());
}

void TestDatePicker::layout()
{
    const auto picker = showPicker(QStringLiteral("28/02/2026"));
    QCOMPARE(picker->size(), QSize(401, 340));
    QCOMPARE(picker->findChild<QWidget *>(QStringLiteral("Calendar1"))->geometry(), QRect(64, 16, 249, 249));
    QCOMPARE(button(picker.get(), "cmdOK")->geometry(), QRect(320, 64, 65, 41));

    // Stacking: children are painted in list order, the last in front.
    QStringList stacking;
    for (const QObject *child : picker->children())
        if (child->isWidgetType())
            stacking.prepend(child->objectName());
    QCOMPARE(stacking, QStringList({ "Command3", "Command2", "cmdOK", "Label1", "Calendar1" }));

    const QRect screenArea = picker->screen()->geometry();
    QVERIFY(qAbs(picker->frameGeometry().center().x() - screenArea.center().x()) <= 1);
    QVERIFY(qAbs(picker->frameGeometry().center().y() - screenArea.center().y()) <= 1);

    QPushButton *ok = button(picker.get(), "cmdOK");
    QVERIFY(ok->isDefault());
    QVERIFY(ok->font().bold());
    QCOMPARE(ok->text(), QStringLiteral("&Ok"));
    QCOMPARE(button(picker.get(), "Command2")->text(), QStringLiteral("A&nnule"));
    const auto *help = picker->findChild<QLabel *>(QStringLiteral("Label1"));
    QCOMPARE(help->text(),
        QStringLiteral("Utilisez les Flèches pour Changer les Jours\nLes Touches PLUS & MOINS pour "
                       "Changer de Mois\nLa Touche ETOILE pour retrouver Aujourd'hui"));
    QCOMPARE(help->textFormat(), Qt::PlainText);
    QVERIFY(!help->font().bold());

    const QCalendarWidget *calendar = calendarOf(picker.get());
    QCOMPARE(calendar->locale().language(), QLocale::French);
    QCOMPARE(calendar->firstDayOfWeek(), Qt::Monday);
    QCOMPARE(calendar->verticalHeaderFormat(), QCalendarWidget::NoVerticalHeader);
    QVERIFY(!calendar->isDateEditEnabled());
    // The grid's header row, Monday first, in French.
    const QAbstractItemModel *grid = dayGrid(picker.get())->model();
    QCOMPARE(
        grid->data(grid->index(0, 0)).toString(), QLocale(QLocale::French).dayName(1, QLocale::ShortFormat));
    QCOMPARE(grid->columnCount(), 7);
}

void TestDatePicker::accessibleNames()
{
    const auto picker = showPicker(QStringLiteral("28/02/2026"));
    const auto accessible = [&picker](const char *name, QAccessible::Text what) {
        QWidget *widget = picker->findChild<QWidget *>(QString::fromLatin1(name));
        return QAccessible::queryAccessibleInterface(widget)->text(what);
    };
    QCOMPARE(accessible("Calendar1", QAccessible::Name), QStringLiteral("Calendrier"));
    QVERIFY(
        accessible("Calendar1", QAccessible::Description).startsWith(QStringLiteral("Utilisez les Flèches")));
    QCOMPARE(accessible("cmdOK", QAccessible::Name), QStringLiteral("Valider la date"));
    QCOMPARE(accessible("Command2", QAccessible::Name), QStringLiteral("Annuler"));
    QCOMPARE(accessible("Command3", QAccessible::Name), QStringLiteral("Aujourd'hui"));
}

void TestDatePicker::tabGoesRoundInOrder()
{
    const auto picker = showPicker(QStringLiteral("28/02/2026"));
    QCOMPARE(keyTarget(picker.get()), dayGrid(picker.get()));
    QStringList visited;
    for (int step = 0; step < 4; ++step) {
        QTest::keyClick(keyTarget(picker.get()), Qt::Key_Tab);
        QWidget *focused = keyTarget(picker.get());
        visited << (focused == dayGrid(picker.get()) ? QStringLiteral("Calendar1") : focused->objectName());
    }
    QCOMPARE(visited, QStringList({ "cmdOK", "Command2", "Command3", "Calendar1" }));
    QCOMPARE(calendarOf(picker.get())->selectedDate(), qdate(2026, 2, 28));
}

void TestDatePicker::everyCaptionFits()
{
    const auto picker = showPicker(QStringLiteral("30/09/2026"));
    for (const char *name : { "Command3", "Command2", "cmdOK" }) {
        const QPushButton *b = button(picker.get(), name);
        QVERIFY2(b->sizeHint().width() <= b->width() + 16, name);
        QVERIFY2(b->fontMetrics().height() < b->height(), name);
    }
    const auto *help = picker->findChild<QLabel *>(QStringLiteral("Label1"));
    const QRect inside = help->contentsRect();
    const QRect needed
        = help->fontMetrics().boundingRect(inside, Qt::AlignCenter | Qt::TextWordWrap, help->text());
    QVERIFY(inside.contains(needed));

    // The calendar's own parts, with the longest month name on show, need no more than it has.
    const QCalendarWidget *calendar = calendarOf(picker.get());
    QVERIFY(calendar->minimumSizeHint().width() <= calendar->width());
    QVERIFY(calendar->minimumSizeHint().height() <= calendar->height());
}

QTEST_MAIN(TestDatePicker)
#include "test_datepicker.moc"
