#include "Form2.h"

#include "formkit/conversions.h"
#include "formkit/fonts.h"
#include "formkit/geometry.h"
#include "formkit/palette.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTextCharFormat>
#include <QToolButton>

#include <array>

namespace {

// Every text the dialog shows.
namespace texts {
const QString designCaption = QStringLiteral("Choisissez une date");
const QString cancelCaption = QStringLiteral("A&nnule");
const QString okCaption = QStringLiteral("&Ok");
// Shown literally: the "&" is an ordinary character in a label.
const QString help = QStringLiteral("Utilisez les Flèches pour Changer les Jours\n"
                                    "Les Touches PLUS & MOINS pour Changer de Mois\n"
                                    "La Touche ETOILE pour retrouver Aujourd'hui");
const QString nameCalendar = QStringLiteral("Calendrier");
const QString nameOk = QStringLiteral("Valider la date");
const QString nameCancel = QStringLiteral("Annuler");
const QString nameToday = QStringLiteral("Aujourd'hui");
const QString nameHelp = QStringLiteral("Aide");
} // namespace texts

struct Placement
{
    const char *name;
    int left, top, width, height; // twips, from the client area's top-left corner
};

// In stacking order, the first in front; placeControls() names the controls in this order.
constexpr Placement placements[] = {
    { "Command3", 4800, 120, 975, 375 },
    { "Command2", 4800, 1680, 975, 495 },
    { "cmdOK", 4800, 960, 975, 615 },
    { "Label1", 960, 4080, 3735, 855 },
    { "Calendar1", 960, 240, 3735, 3735 },
};
constexpr int clientWidth = 6015;
constexpr int clientHeight = 5100;

const QColor calendarBackground(192, 192, 192);

using formkit::toQDate;
using formkit::toQString;

} // namespace

Form2::Form2(const dating::Clock &clock, QWidget *opener)
    : QDialog(opener)
    , m_clock(clock)
{
    formkit::installFontSubstitutes();
    setPalette(formkit::fixedPalette());
    setWindowTitle(texts::designCaption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(formkit::rect(0, 0, clientWidth, clientHeight).size());
    createControls();
    placeControls();
    nameForScreenReaders();
    connectHandlers();
    watchKeys();
    load();
}

void Form2::nameForScreenReaders()
{
    m_Calendar1->setAccessibleName(texts::nameCalendar);
    m_Calendar1->setAccessibleDescription(texts::help);
    m_cmdOK->setAccessibleName(texts::nameOk);
    m_Command2->setAccessibleName(texts::nameCancel);
    m_Command3->setAccessibleName(texts::nameToday);
    m_Label1->setAccessibleName(texts::nameHelp);
}

void Form2::createControls()
{
    m_Command3 = new QPushButton(this);
    m_Command2 = new QPushButton(texts::cancelCaption, this);
    m_cmdOK = new QPushButton(texts::okCaption, this);
    m_cmdOK->setDefault(true);
    m_cmdOK->setFont(formkit::font(QStringLiteral("MS Sans Serif"), 8.25, true));

    m_Label1 = new QLabel(this);
    m_Label1->setTextFormat(Qt::PlainText);
    m_Label1->setAlignment(Qt::AlignCenter);
    // A line longer than the label wraps rather than being cut off.
    m_Label1->setWordWrap(true);
    m_Label1->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_Label1->setLineWidth(1);
    m_Label1->setFont(formkit::font(QStringLiteral("Arial"), 8.25, false));

    m_Calendar1 = new QCalendarWidget(this);
    m_Calendar1->setLocale(QLocale(QLocale::French));
    m_Calendar1->setFirstDayOfWeek(Qt::Monday);
    m_Calendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // Typed characters belong to the dialog's key handler, not to Qt's inline date editor.
    m_Calendar1->setDateEditEnabled(false);
    m_Calendar1->setDateRange(
        toQDate(dating::Date { dating::firstSupportedYear, std::chrono::January, std::chrono::day { 1 } }),
        toQDate(dating::Date { dating::lastSupportedYear, std::chrono::December, std::chrono::day { 31 } }));
    // The fonts the form gives its calendar: regular days, bold day names and title.
    m_Calendar1->setFont(formkit::font(QStringLiteral("MS Sans Serif"), 8.25, false));
    QTextCharFormat dayNames = m_Calendar1->headerTextFormat();
    dayNames.setFont(formkit::font(QStringLiteral("MS Sans Serif"), 8.25, true));
    m_Calendar1->setHeaderTextFormat(dayNames);
    // The title bar's month and year buttons, its arrows and its year editor.
    const QFont titleFont = formkit::font(QStringLiteral("Arial"), 8.25, true);
    for (QToolButton *part : m_Calendar1->findChildren<QToolButton *>())
        part->setFont(titleFont);
    for (QSpinBox *part : m_Calendar1->findChildren<QSpinBox *>())
        part->setFont(titleFont);
    QPalette calendarColours = m_Calendar1->palette();
    calendarColours.setColor(QPalette::Window, calendarBackground);
    m_Calendar1->setPalette(calendarColours);
    m_Calendar1->setAutoFillBackground(true);
}

void Form2::placeControls()
{
    const std::array<QWidget *, std::size(placements)> controls { m_Command3, m_Command2, m_cmdOK, m_Label1,
        m_Calendar1 };
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const Placement &p = placements[i];
        controls[i]->setObjectName(QLatin1String(p.name));
        controls[i]->setGeometry(formkit::rect(p.left, p.top, p.width, p.height));
        controls[i]->lower();
    }
    setTabOrder(m_Calendar1, m_cmdOK);
    setTabOrder(m_cmdOK, m_Command2);
    setTabOrder(m_Command2, m_Command3);
}

void Form2::connectHandlers()
{
    connect(m_cmdOK, &QPushButton::clicked, this, &Form2::cmdOKClicked);
    connect(m_Command2, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_Command3, &QPushButton::clicked, this, &Form2::Command3Clicked);
    connect(m_Calendar1, &QCalendarWidget::selectionChanged, this, &Form2::Calendar1AfterUpdate);
    connect(m_Calendar1, &QCalendarWidget::clicked, this, &Form2::Calendar1AfterUpdate);
    connect(m_Calendar1, &QCalendarWidget::currentPageChanged, this, &Form2::Calendar1PageChanged);
    // A double click on a day, or Enter on the calendar, presses OK.
    connect(m_Calendar1, &QCalendarWidget::activated, m_cmdOK, &QPushButton::click);
}

void Form2::watchKeys()
{
    // Key preview: the dialog's handler sees every typed character first, wherever the focus is.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

void Form2::load()
{
    centreOnScreen();
    const dating::Date today = m_clock.now().date;
    m_Command3->setText(toQString(dating::dayAndMonth(today)));
    m_Label1->setText(texts::help);
    // Qt starts the calendar on the computer's date; the dialog's today is the clock's.
    m_preparing = true;
    selectDate(today);
    m_preparing = false;
    m_Calendar1->setFocus();
}

void Form2::centreOnScreen()
{
    QSize outer = frameGeometry().size();
    // The title bar and borders are known only once the window is up; the opener's, from the
    // same window manager, stand in for them.
    const QWidget *opener = parentWidget() ? parentWidget()->window() : nullptr;
    if (outer == size() && opener && opener->isVisible())
        outer += opener->frameGeometry().size() - opener->size();
    formkit::centreOnScreen(this, outer);
}

void Form2::setDateFromText(const QString &dateText)
{
    const auto date = dating::readsAsDate(dateText.toStdString());
    m_preparing = true;
    selectDate(date ? *date : m_clock.now().date);
    m_preparing = false;
}

// Shown, the dialog knows its own title bar and borders, which may differ from the guess.
void Form2::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreOnScreen();
}

bool Form2::eventFilter(QObject *watched, QEvent *event)
{
    // A key the focused control ignores travels up to its parents; it is handled once, where
    // it first arrives.
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const QObject *firstReceiver = focusWidget() ? static_cast<QObject *>(focusWidget()) : this;
    const auto *key = static_cast<const QKeyEvent *>(event);
    if (watched == firstReceiver)
        return formKeyPressed(key);
    // The day grid takes Enter itself; one that comes up from the calendar's year editor
    // only ends the year's editing, it does not also press OK.
    if (watched == m_Calendar1 && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool Form2::formKeyPressed(const QKeyEvent *event)
{
    const QString typed = event->text();
    if (typed.isEmpty() || !typed.front().isPrint())
        return false;
    bool swallowed = true;
    switch (typed.front().unicode()) {
    case u'*':
        selectDate(m_clock.now().date);
        break;
    case u'+':
    case u'-':
        // No step leaves the years the calendar offers.
        if (const auto stepped
            = dating::add(dating::Interval::Month, typed.front() == u'+' ? 1 : -1, selectedDate()))
            selectDate(*stepped);
        break;
    default:
        swallowed = false;
        break;
    }
    refreshCaption();
    return swallowed;
}

void Form2::cmdOKClicked()
{
    emit dateChosen(selectedDate());
    accept();
}

void Form2::Command3Clicked()
{
    selectDate(m_clock.now().date);
}

void Form2::Calendar1AfterUpdate()
{
    if (!m_preparing)
        refreshCaption();
}

// Qt's calendar turns its page without moving the selection; the dialog's calendar keeps the
// selected day on the page shown, so that OK writes a day the user sees.
void Form2::Calendar1PageChanged(int year, int month)
{
    const QDate selected = m_Calendar1->selectedDate();
    const int monthsAway = (year - selected.year()) * 12 + (month - selected.month());
    if (monthsAway == 0)
        return;
    if (const auto onThePage = dating::add(dating::Interval::Month, monthsAway, selectedDate()))
        selectDate(*onThePage);
}

dating::Date Form2::selectedDate() const
{
    return formkit::toDate(m_Calendar1->selectedDate());
}

void Form2::selectDate(dating::Date date)
{
    m_Calendar1->setSelectedDate(toQDate(date));
}

void Form2::refreshCaption()
{
    setWindowTitle(toQString(dating::longDate(selectedDate())));
}
