#include "datepicker/Form2.h"
#include "fixedclock.h"
#include "mainwindow/form1.h"

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

using PickerAction = std::function<void(Form2 *)>;

QDate qdate(int y, int m, int d)
{
    return QDate(y, m, d);
}

// What the main window offers the picker: its two entry fields, and nothing computing from them,
// so every write the picker makes stays visible.
class StandInWindow : public QWidget
{
public:
    StandInWindow()
    {
        for (QLineEdit *field : { dateDR, dateDG }) {
            field->setParent(this);
            field->setObjectName(field == dateDR ? QStringLiteral("dateDR") : QStringLiteral("dateDG"));
        }
    }
    QLineEdit *const dateDR = new QLineEdit;
    QLineEdit *const dateDG = new QLineEdit;
};

// The widget a typed key goes to: the focused control of the active window.
QWidget *keyTarget(Form2 *picker)
{
    QWidget *focused = QApplication::focusWidget();
    return focused && focused->window() == picker ? focused : picker->focusWidget();
}

void typeOn(Form2 *picker, const QString &keys)
{
    for (const QChar key : keys)
        QTest::keyClick(keyTarget(picker), key.toLatin1());
}

QTableView *dayGrid(Form2 *picker)
{
    return picker->findChild<QCalendarWidget *>(QStringLiteral("Calendar1"))->findChild<QTableView *>();
}

// Day numbers 15 to 21 appear once in every month's grid, so they name one cell.
QPoint dayCentre(Form2 *picker, int dayOfMonth)
{
    QTableView *grid = dayGrid(picker);
    const QAbstractItemModel *model = grid->model();
    for (int row = 1; row < model->rowCount(); ++row) {
        for (int column = 0; column < model->columnCount(); ++column) {
            const QModelIndex cell = model->index(row, column);
            if (model->data(cell).toString() == QString::number(dayOfMonth))
                return grid->visualRect(cell).center();
        }
    }
    return {};
}

// As a user's hand does it: a click, then the second press that makes it a double click.
void doubleClickDay(Form2 *picker, int dayOfMonth)
{
    QWidget *cells = dayGrid(picker)->viewport();
    const QPoint centre = dayCentre(picker, dayOfMonth);
    QTest::mouseClick(cells, Qt::LeftButton, {}, centre);
    QTest::mouseDClick(cells, Qt::LeftButton, {}, centre);
}

// An access key presses its button after a short animation.
void pressAccessKey(Form2 *picker, Qt::Key key)
{
    QTest::keyClick(keyTarget(picker), key, Qt::AltModifier);
    if (!QTest::qWaitFor([picker] { return !picker->isVisible(); }, 1000))
        qWarning("the access key closed nothing");
}

QCalendarWidget *calendarOf(Form2 *picker)
{
    return picker->findChild<QCalendarWidget *>(QStringLiteral("Calendar1"));
}

QPushButton *button(Form2 *picker, const char *name)
{
    return picker->findChild<QPushButton *>(QLatin1String(name));
}

// A window shown offscreen is not always made the active one, and access keys work only there.
void activate(Form2 *picker)
{
    picker->activateWindow();
    if (!QTest::qWaitFor([picker] { return QApplication::activeWindow() == picker; }, 2000))
        qWarning("the picker did not become the active window");
}

// Runs the action on the picker once it is open and modal; closes it without a write if the
// action left it open, so a failing test cannot hang on a modal dialog.
void whenPickerOpens(const PickerAction &action, bool *opened)
{
    *opened = false;
    QTimer::singleShot(0, qApp, [action, opened] {
        auto *picker = qobject_cast<Form2 *>(QApplication::activeModalWidget());
        if (!picker)
            return;
        *opened = true;
        activate(picker);
        action(picker);
        if (picker->isVisible())
            picker->reject();
    });
}

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
    void confirmingWritesTheTaggedFieldOnly_data();
    void confirmingWritesTheTaggedFieldOnly();
    void closingWithoutOkWritesNothing_data();
    void closingWithoutOkWritesNothing();
    void eachOpeningStartsFromTheField();
    void unknownTagWritesNothing();

    void layout();
    void accessibleNames();
    void tabGoesRoundInOrder();
    void everyCaptionFits();

    void okFromDGRecomputesTheWindowBeforeClosing();
    void okFromDRRunsTheCascade();

private:
    // Opens the picker from the stand-in's field as the main window's double click does.
    void openFrom(QLineEdit *field, const PickerAction &action);
    // A picker shown without a modal loop, for tests that look at it a while.
    std::unique_ptr<Form2> showPicker(const QString &tag, const QString &fieldText);

    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<StandInWindow> m_window;
};

void TestDatePicker::init()
{
    m_clock = std::make_unique<FixedClock>(tuesdayAfternoon);
    m_window = std::make_unique<StandInWindow>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestDatePicker::cleanup()
{
    m_window.reset();
    m_clock.reset();
}

void TestDatePicker::openFrom(QLineEdit *field, const PickerAction &action)
{
    bool opened = false;
    whenPickerOpens(action, &opened);
    const QString caption = field->objectName() == QStringLiteral("dateDR")
        ? QStringLiteral("Dernières Règles")
        : QStringLiteral("Début de Grossesse");
    openDatePicker(m_window.get(), caption, field->objectName(), *m_clock);
    QVERIFY2(opened, "the picker never became the modal window");
    QVERIFY(!m_window->findChild<Form2 *>());
}

std::unique_ptr<Form2> TestDatePicker::showPicker(const QString &tag, const QString &fieldText)
{
    auto picker = std::make_unique<Form2>(m_window.get(), *m_clock);
    picker->setWindowTitle(QStringLiteral("Dernières Règles"));
    picker->setTag(tag);
    picker->setDateFromText(fieldText);
    picker->show();
    activate(picker.get());
    return picker;
}

void TestDatePicker::opensOnTheFieldsDate_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("fieldText");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QDate>("selected");

    const QDate today = qdate(2026, 12, 8);
    QTest::newRow("DR 28/02/2026") << "dateDR"
                                   << "28/02/2026"
                                   << "Dernières Règles" << qdate(2026, 2, 28);
    QTest::newRow("DG 15/03/2026") << "dateDG"
                                   << "15/03/2026"
                                   << "Début de Grossesse" << qdate(2026, 3, 15);
    QTest::newRow("DG typed as 1-3-26") << "dateDG"
                                        << "1-3-26"
                                        << "Début de Grossesse" << qdate(2026, 3, 1);
    QTest::newRow("empty field: today") << "dateDR"
                                        << ""
                                        << "Dernières Règles" << today;
    QTest::newRow("half-typed date: today") << "dateDG"
                                            << "12/13"
                                            << "Début de Grossesse" << today;
    QTest::newRow("31 February: today") << "dateDR"
                                        << "31/02/2026"
                                        << "Dernières Règles" << today;
    QTest::newRow("year not offered: today") << "dateDR"
                                             << "01/01/1850"
                                             << "Dernières Règles" << today;
}

void TestDatePicker::opensOnTheFieldsDate()
{
    QFETCH(QString, tag);
    QFETCH(QString, fieldText);
    QFETCH(QString, caption);
    QFETCH(QDate, selected);

    QLineEdit *field = m_window->findChild<QLineEdit *>(tag);
    field->setText(fieldText);
    QSignalSpy writes(field, &QLineEdit::textChanged);
    Observed seen;
    openFrom(field, [&](Form2 *picker) {
        QTest::qWait(50);
        seen = observe(picker);
        QTest::keyClick(keyTarget(picker), Qt::Key_Escape);
    });
    QCOMPARE(seen.caption, caption);
    QCOMPARE(seen.selected, selected);
    QCOMPARE(seen.shownMonth, QDate(selected.year(), selected.month(), 1));
    QCOMPARE(field->text(), fieldText);
    QCOMPARE(writes.count(), 0);
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

    m_window->dateDR->setText(fieldText);
    QSignalSpy writes(m_window->dateDR, &QLineEdit::textChanged);
    Observed seen;
    bool stillOpen = false;
    openFrom(m_window->dateDR, [&](Form2 *picker) {
        typeOn(picker, keys);
        seen = observe(picker);
        stillOpen = picker->isVisible();
    });
    QCOMPARE(seen.selected, selected);
    QCOMPARE(seen.caption, caption);
    QVERIFY(stillOpen);
    QCOMPARE(writes.count(), 0);
}

void TestDatePicker::keysReachTheDialogWhereverTheFocusIs()
{
    const auto picker = showPicker(QStringLiteral("dateDR"), QStringLiteral("31/01/2026"));
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

    const auto picker = showPicker(QStringLiteral("dateDR"), fieldText);
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
    QCOMPARE(m_window->dateDR->text(), QString());
}

void TestDatePicker::todayButton()
{
    const auto picker = showPicker(QStringLiteral("dateDR"), QStringLiteral("28/02/2026"));
    QPushButton *today = button(picker.get(), "Command3");
    QCOMPARE(today->text(), QStringLiteral("08/12"));
    QTest::mouseClick(today, Qt::LeftButton);
    QCOMPARE(calendarOf(picker.get())->selectedDate(), qdate(2026, 12, 8));
    QVERIFY(picker->isVisible());
    QCOMPARE(m_window->dateDR->text(), QString());
}

void TestDatePicker::confirmingWritesTheTaggedFieldOnly_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<QString>("written");

    // The picker opens on 15/03/2026 and "+" moves it to 15/04/2026 before confirming.
    QTest::newRow("DR, OK clicked") << "dateDR"
                                    << "click"
                                    << "15/04/2026";
    QTest::newRow("DG, OK clicked") << "dateDG"
                                    << "click"
                                    << "15/04/2026";
    QTest::newRow("DR, Enter") << "dateDR"
                               << "enter"
                               << "15/04/2026";
    QTest::newRow("DG, Alt+O") << "dateDG"
                               << "alt+o"
                               << "15/04/2026";
    QTest::newRow("DR, double click on the 20th") << "dateDR"
                                                  << "double click"
                                                  << "20/04/2026";
    QTest::newRow("DG, double click on the 20th") << "dateDG"
                                                  << "double click"
                                                  << "20/04/2026";
}

void TestDatePicker::confirmingWritesTheTaggedFieldOnly()
{
    QFETCH(QString, tag);
    QFETCH(QString, confirm);
    QFETCH(QString, written);

    m_window->dateDR->setText(QStringLiteral("15/03/2026"));
    m_window->dateDG->setText(QStringLiteral("15/03/2026"));
    QLineEdit *target = m_window->findChild<QLineEdit *>(tag);
    QLineEdit *other = target == m_window->dateDR ? m_window->dateDG : m_window->dateDR;
    QSignalSpy otherWrites(other, &QLineEdit::textChanged);
    bool openWhenWritten = false;
    connect(target, &QLineEdit::textChanged, this, [&] {
        const auto *picker = m_window->findChild<Form2 *>();
        openWhenWritten = picker && picker->isVisible();
    });

    openFrom(target, [&](Form2 *picker) {
        typeOn(picker, QStringLiteral("+"));
        if (confirm == QLatin1String("click"))
            QTest::mouseClick(button(picker, "cmdOK"), Qt::LeftButton);
        else if (confirm == QLatin1String("enter"))
            QTest::keyClick(keyTarget(picker), Qt::Key_Return);
        else if (confirm == QLatin1String("alt+o"))
            pressAccessKey(picker, Qt::Key_O);
        else
            doubleClickDay(picker, 20);
    });
    QCOMPARE(target->text(), written);
    QVERIFY(openWhenWritten);
    QCOMPARE(other->text(), QStringLiteral("15/03/2026"));
    QCOMPARE(otherWrites.count(), 0);
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

    m_window->dateDG->setText(QStringLiteral("15/03/2026"));
    QSignalSpy writes(m_window->dateDG, &QLineEdit::textChanged);
    bool closed = false;
    openFrom(m_window->dateDG, [&](Form2 *picker) {
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
    QCOMPARE(m_window->dateDG->text(), QStringLiteral("15/03/2026"));
    QCOMPARE(writes.count(), 0);
}

void TestDatePicker::eachOpeningStartsFromTheField()
{
    m_window->dateDR->setText(QStringLiteral("28/02/2026"));
    openFrom(m_window->dateDR, [](Form2 *picker) {
        typeOn(picker, QStringLiteral("+++"));
        QTest::keyClick(keyTarget(picker), Qt::Key_Escape);
    });
    Observed second;
    openFrom(m_window->dateDR, [&](Form2 *picker) { second = observe(picker); });
    QCOMPARE(second.selected, qdate(2026, 2, 28));
    QCOMPARE(second.caption, QStringLiteral("Dernières Règles"));

    m_window->dateDR->setText(QStringLiteral("10/05/2026"));
    Observed third;
    openFrom(m_window->dateDR, [&](Form2 *picker) { third = observe(picker); });
    QCOMPARE(third.selected, qdate(2026, 5, 10));
}

void TestDatePicker::unknownTagWritesNothing()
{
    m_window->dateDR->setText(QStringLiteral("15/03/2026"));
    m_window->dateDG->setText(QStringLiteral("15/03/2026"));
    auto *stray = new QLineEdit(m_window.get());
    QSignalSpy writes[] = { QSignalSpy(m_window->dateDR, &QLineEdit::textChanged),
        QSignalSpy(m_window->dateDG, &QLineEdit::textChanged), QSignalSpy(stray, &QLineEdit::textChanged) };
    bool opened = false;
    QDate selected;
    whenPickerOpens(
        [&](Form2 *picker) {
            selected = calendarOf(picker)->selectedDate();
            QTest::mouseClick(button(picker, "cmdOK"), Qt::LeftButton);
        },
        &opened);
    openDatePicker(m_window.get(), QStringLiteral("Dernières Règles"), QString(), *m_clock);
    QVERIFY(opened);
    QCOMPARE(selected, qdate(2026, 12, 8));
    for (const QSignalSpy &spy : writes)
        QCOMPARE(spy.count(), 0);
}

void TestDatePicker::layout()
{
    const auto picker = showPicker(QStringLiteral("dateDR"), QStringLiteral("28/02/2026"));
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
    const auto picker = showPicker(QStringLiteral("dateDR"), QStringLiteral("28/02/2026"));
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
    const auto picker = showPicker(QStringLiteral("dateDR"), QStringLiteral("28/02/2026"));
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
    const auto picker = showPicker(QStringLiteral("dateDR"), QStringLiteral("30/09/2026"));
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

void TestDatePicker::okFromDGRecomputesTheWindowBeforeClosing()
{
    form1 window(*m_clock);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *dateDG = window.findChild<QLineEdit *>(QStringLiteral("dateDG"));
    auto *dateAP = window.findChild<QLineEdit *>(QStringLiteral("dateAP"));
    dateDG->setText(QStringLiteral("31/05/2026"));
    QString dateAPWhileOpen;
    bool opened = false;
    whenPickerOpens(
        [&](Form2 *picker) {
            connect(picker, &QDialog::accepted, this, [&] { dateAPWhileOpen = dateAP->text(); });
            typeOn(picker, QStringLiteral("+"));
            doubleClickDay(picker, 20);
        },
        &opened);
    openDatePicker(&window, QStringLiteral("Début de Grossesse"), QStringLiteral("dateDG"), *m_clock);
    QVERIFY(opened);
    QCOMPARE(dateDG->text(), QStringLiteral("20/06/2026"));
    QCOMPARE(dateAPWhileOpen, QStringLiteral("20/03/2027"));
    QCOMPARE(dateAP->text(), QStringLiteral("20/03/2027"));
}

void TestDatePicker::okFromDRRunsTheCascade()
{
    form1 window(*m_clock);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *dateDR = window.findChild<QLineEdit *>(QStringLiteral("dateDR"));
    auto *dateDG = window.findChild<QLineEdit *>(QStringLiteral("dateDG"));
    dateDR->setText(QStringLiteral("31/01/2026"));
    QSignalSpy writesToDG(dateDG, &QLineEdit::textChanged);
    bool opened = false;
    whenPickerOpens(
        [](Form2 *picker) {
            typeOn(picker, QStringLiteral("+"));
            QTest::mouseClick(button(picker, "cmdOK"), Qt::LeftButton);
        },
        &opened);
    openDatePicker(&window, QStringLiteral("Dernières Règles"), QStringLiteral("dateDR"), *m_clock);
    QVERIFY(opened);
    QCOMPARE(dateDR->text(), QStringLiteral("28/02/2026"));
    QCOMPARE(dateDG->text(), QStringLiteral("14/03/2026"));
    // Once, through R1; the picker never writes dateDG itself.
    QCOMPARE(writesToDG.count(), 1);
}

QTEST_MAIN(TestDatePicker)
#include "test_datepicker.moc"
