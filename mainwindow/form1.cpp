#include "form1.h"

#include "datepicker/Form2.h"
#include "dating/rules.h"
#include "formkit/conversions.h"
#include "formkit/fonts.h"
#include "formkit/geometry.h"
#include "layout.h"
#include "notes/notes.h"
#include "texts.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace {

using formkit::longText;
using formkit::shortText;
using formkit::toQString;
using formkit::toStd;

QString rowText(const dating::ScheduledDate &row)
{
    return row.end ? texts::monthRange(shortText(row.start), shortText(*row.end)) : shortText(row.start);
}

} // namespace

form1::form1(const dating::Clock &clock, QWidget *parent)
    : QWidget(parent)
    , m_clock(clock)
{
    formkit::installFontSubstitutes();
    setObjectName(QStringLiteral("form1"));
    setLocale(QLocale(QLocale::French));
    setWindowTitle(texts::designCaption);
    setFont(formkit::font(QStringLiteral("MS Sans Serif"), 8.25, false));
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(background);
    setAutoFillBackground(true);
    setFixedSize(formkit::pixels(layout::clientWidth), formkit::pixels(layout::clientHeight));

    layout::build(this);
    m_Timer1 = new QTimer(this);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    m_Timer1->setInterval(1000);

    findControls();
    connectHandlers();
    watchEvents();
    load();
    m_Timer1->start();
}

template<class Widget> Widget *form1::control(const char *name) const
{
    return findChild<Widget *>(QString::fromLatin1(name));
}

void form1::findControls()
{
    m_dateDR = control<QLineEdit>("dateDR");
    m_dateDG = control<QLineEdit>("dateDG");
    m_dateAP = control<QLineEdit>("dateAP");
    m_dateTERME = control<QLineEdit>("dateTERME");
    m_DateDTT = control<QLineEdit>("DateDTT");
    m_nbreSA = control<QLineEdit>("nbreSA");
    m_nbreJours = control<QLineEdit>("nbreJours");
    m_dateSA = control<QLineEdit>("dateSA");
    m_VScroll1 = control<QScrollBar>("VScroll1");
    m_VScroll2 = control<QScrollBar>("VScroll2");
    m_ListeSA = control<QListWidget>("ListeSA");
    m_ListeBIO = control<QListWidget>("ListeBIO");
    m_listePN = control<QListWidget>("listePN");
    m_listeUS = control<QListWidget>("listeUS");
    m_ListeCONGES = control<QListWidget>("ListeCONGES");
    m_listeBIO0 = control<QListWidget>("listeBIO0");
    m_listePN0 = control<QListWidget>("listePN0");
    m_listeUS0 = control<QListWidget>("listeUS0");
    m_listeCONGES0 = control<QListWidget>("listeCONGES0");
    m_TXTsa = control<QLabel>("TXTsa");
    m_msg = control<QLabel>("msg");
    m_Command1 = control<QPushButton>("Command1");
    m_Command2 = control<QPushButton>("Command2");
    m_CMDquitter = control<QPushButton>("CMDquitter");
    m_schedules = { { { dating::ScheduleKind::Biology, m_listeBIO0, m_ListeBIO },
        { dating::ScheduleKind::PrenatalVisits, m_listePN0, m_listePN },
        { dating::ScheduleKind::Ultrasounds, m_listeUS0, m_listeUS },
        { dating::ScheduleKind::Leave, m_listeCONGES0, m_ListeCONGES } } };
}

void form1::connectHandlers()
{
    connect(m_Timer1, &QTimer::timeout, this, &form1::tick);
    connect(m_dateDR, &QLineEdit::textChanged, this, &form1::dateDRChanged);
    connect(m_dateDG, &QLineEdit::textChanged, this, &form1::dateDGChanged);
    connect(m_VScroll2, &QScrollBar::valueChanged, this, [this] { scrollBarChanged(m_VScroll2, m_dateDR); });
    connect(m_VScroll1, &QScrollBar::valueChanged, this, [this] { scrollBarChanged(m_VScroll1, m_dateDG); });
    for (const SchedulePair &pair : m_schedules) {
        // A click on the row already selected spells its date out again.
        const auto clicked = [this, pair] { labelListClicked(pair); };
        connect(pair.labels, &QListWidget::currentRowChanged, this, clicked);
        connect(pair.labels, &QListWidget::itemClicked, this, clicked);
    }
    connect(m_Command2, &QPushButton::clicked, this, &form1::helpClicked);
    connect(m_Command1, &QPushButton::clicked, this, &form1::notesClicked);
    connect(m_CMDquitter, &QPushButton::clicked, this, &QWidget::close);
}

void form1::watchEvents()
{
    for (QLineEdit *field : { m_dateDR, m_dateDG }) {
        field->setContextMenuPolicy(Qt::NoContextMenu); // the right button writes today instead
        field->installEventFilter(this);
    }
    for (QWidget *hover : { static_cast<QWidget *>(m_dateDR), static_cast<QWidget *>(m_dateDG),
             static_cast<QWidget *>(m_nbreJours), static_cast<QWidget *>(m_nbreSA),
             static_cast<QWidget *>(m_dateAP), m_ListeSA->viewport() }) {
        hover->setMouseTracking(true);
        hover->installEventFilter(this);
        // A screen reader announces the same help as the help line.
        QWidget *described = hover == m_ListeSA->viewport() ? m_ListeSA : hover;
        described->setAccessibleDescription(texts::toDisplay(hoverText(hover)));
    }
}

void form1::load()
{
    formkit::centreOnScreen(this, size());
    const dating::Date today = m_clock.now().date;
    m_dayOfLastTick = today;
    m_dateDR->setText(toQString(dating::shortDate(*dating::add(dating::Interval::Week, -6, today))));
    fillWeeksList();
    fillLabelLists();
}

void form1::fillWeeksList()
{
    QStringList rows;
    for (int week = dating::firstListedWeek; week <= dating::lastListedWeek; ++week)
        rows << QString::number(week);
    m_ListeSA->addItems(rows);
    m_ListeSA->setCurrentRow(6 - dating::firstListedWeek);
}

void form1::fillLabelLists()
{
    for (const SchedulePair &pair : m_schedules)
        for (const dating::ScheduleRow &row : dating::schedule(pair.kind))
            pair.labels->addItem(toQString(row.label));
}

void form1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_dateDG->setFocus();
}

void form1::tick()
{
    const dating::LocalTime now = m_clock.now();
    setWindowTitle(
        texts::clockPrefix + toQString(dating::dayAndDate(now.date) + dating::clockTime(now.time)));
    // Past midnight the counts of weeks and days would be a day behind.
    if (now.date != m_dayOfLastTick) {
        m_dayOfLastTick = now.date;
        dateDGChanged();
    }
}

void form1::dateDRChanged()
{
    const auto lastPeriod = dating::readsAsDate(toStd(m_dateDR->text()));
    if (const auto conception = lastPeriod ? dating::ruleR1(*lastPeriod) : std::nullopt)
        m_dateDG->setText(shortText(*conception));
}

void form1::dateDGChanged()
{
    const auto conception = dating::readsAsDate(toStd(m_dateDG->text()));
    auto results = conception ? dating::ruleR2(*conception, m_clock.now().date) : std::nullopt;
    if (!results)
        return;
    m_shown = std::move(results);
    m_dateAP->setText(shortText(m_shown->delivery));
    m_dateTERME->setText(shortText(m_shown->term));
    m_DateDTT->setText(shortText(m_shown->overdue));
    m_nbreSA->setText(texts::weeksOfAmenorrhea(m_shown->weeksOfAmenorrhea));
    m_nbreJours->setText(texts::daysOfPregnancy(m_shown->daysOfPregnancy));
    selectWeek(m_shown->weeksOfAmenorrhea);
    for (const SchedulePair &pair : m_schedules) {
        pair.dates->clear();
        for (const dating::ScheduledDate &row : m_shown->datesOf(pair.kind))
            pair.dates->addItem(rowText(row));
    }
}

bool form1::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = watched == m_dateDR || watched == m_dateDG ? static_cast<QLineEdit *>(watched) : nullptr;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (field)
            return entryFieldKeyPressed(field, static_cast<QKeyEvent *>(event));
        break;
    case QEvent::MouseButtonPress:
        if (field)
            entryFieldMousePressed(field, static_cast<QMouseEvent *>(event));
        else if (watched == m_ListeSA->viewport())
            weeksListPressed(static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseButtonDblClick:
        if (field && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            entryFieldDoubleClicked(field);
            return true;
        }
        if (watched == m_dateAP) {
            dateAPDoubleClicked();
            return true;
        }
        break;
    case QEvent::FocusIn:
        if (field)
            setMessage(hoverText(field));
        break;
    case QEvent::MouseMove:
        if (const QString text = hoverText(watched); !text.isEmpty())
            setMessage(text);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool form1::entryFieldKeyPressed(QLineEdit *field, QKeyEvent *event)
{
    if (event->text() == QLatin1String("+")) {
        stepField(field, 1);
        return true;
    }
    if (event->text() == QLatin1String("-")) {
        stepField(field, -1);
        return true;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (const auto rewritten = dating::normalisedDateText(toStd(field->text())))
            field->setText(toQString(*rewritten));
        (field == m_dateDR ? m_dateDG : m_dateAP)->setFocus(Qt::TabFocusReason);
        return true;
    }
    return false;
}

void form1::entryFieldMousePressed(QLineEdit *field, const QMouseEvent *event)
{
    if (event->button() == Qt::RightButton)
        field->setText(toQString(dating::shortDate(m_clock.now().date)));
}

void form1::entryFieldDoubleClicked(QLineEdit *field)
{
    Form2 picker(m_clock, this);
    picker.setWindowTitle(field == m_dateDR ? texts::captionPickerDR : texts::captionPickerDG);
    picker.setDateFromText(field->text());
    connect(
        &picker, &Form2::dateChosen, field, [field](dating::Date date) { field->setText(shortText(date)); });
    picker.exec();
}

void form1::scrollBarChanged(QScrollBar *bar, QLineEdit *field)
{
    // The bar rests at 0; the lower arrow takes it above, the upper arrow below.
    if (bar->value() > 0) {
        stepField(field, -1);
        bar->setValue(0);
    }
    if (bar->value() < 0) {
        stepField(field, 1);
        bar->setValue(0);
    }
}

void form1::stepField(QLineEdit *field, int days)
{
    if (const auto stepped = dating::steppedDateText(toStd(field->text()), days))
        field->setText(toQString(*stepped));
}

void form1::selectWeek(int weeksOfAmenorrhea)
{
    const int row = weeksOfAmenorrhea - dating::firstListedWeek;
    if (dating::isListedWeek(weeksOfAmenorrhea) && row < m_ListeSA->count()) {
        m_ListeSA->setCurrentRow(row);
    } else {
        m_ListeSA->clearSelection();
        m_ListeSA->setCurrentRow(-1);
    }
}

void form1::dateAPDoubleClicked()
{
    if (m_shown)
        QMessageBox::information(this, texts::deliveryTitle, longText(m_shown->delivery));
}

void form1::labelListClicked(const SchedulePair &pair)
{
    const int row = pair.labels->currentRow();
    if (!m_shown || row < 0 || row >= pair.dates->count())
        return;
    pair.dates->setCurrentRow(row);
    const dating::ScheduledDate &date = m_shown->datesOf(pair.kind).at(std::size_t(row));
    setMessage(texts::scheduleMessage(pair.kind, pair.labels->item(row)->text(), longText(date.start),
        date.end ? longText(*date.end) : QString()));
}

void form1::weeksListPressed(const QMouseEvent *event)
{
    const QListWidgetItem *item = m_ListeSA->itemAt(event->position().toPoint());
    if (!item)
        return;
    const int weeks = item->text().toInt();
    const auto conception = dating::readsAsDate(toStd(m_dateDG->text()));
    if (const auto date = conception ? dating::ruleR3(weeks, *conception) : std::nullopt) {
        m_dateSA->setText(shortText(*date));
        m_TXTsa->setText(texts::chosenWeek(weeks));
    }
}

void form1::helpClicked()
{
    QMessageBox::information(this, texts::helpTitle, texts::toDisplay(texts::helpText()));
}

void form1::notesClicked()
{
    const QString problem = notes::OuvrirNotes(notes::journalPath(), m_clock);
    if (!problem.isEmpty())
        setMessage(problem);
}

QString form1::hoverText(const QObject *watched) const
{
    if (watched == m_dateDR)
        return texts::helpDR();
    if (watched == m_dateDG)
        return texts::helpDG();
    if (watched == m_nbreJours)
        return texts::hoverNbreJours;
    if (watched == m_nbreSA)
        return texts::hoverNbreSA;
    if (watched == m_dateAP)
        return texts::hoverDateAP;
    if (watched == m_ListeSA->viewport())
        return texts::hoverListeSA();
    return {};
}

void form1::setMessage(const QString &message)
{
    const QString shown = texts::toDisplay(message);
    if (m_msg->text() != shown)
        m_msg->setText(shown);
}
