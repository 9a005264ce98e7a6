#include "form1.h"

#include "datepicker/datefield.h"
#include "formkit/conversions.h"
#include "formkit/entryfield.h"
#include "formkit/fonts.h"
#include "formkit/geometry.h"
#include "formkit/palette.h"
#include "notes/notes.h"
#include "pregnancy/pregnancy.h"
#include "sheetdialog/sheethook.h"
#include "texts.h"

#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusTipEvent>
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
    , m_pregnancy(new Pregnancy(clock, this))
{
    formkit::installFontSubstitutes();
    setObjectName(QStringLiteral("form1"));
    setLocale(QLocale(QLocale::French));
    setWindowTitle(texts::designCaption);
    setFont(formkit::font(QStringLiteral("MS Sans Serif"), 8.25, false));
    setPalette(formkit::fixedPalette());
    setAutoFillBackground(true);
    setFixedSize(formkit::pixels(layout::clientWidth), formkit::pixels(layout::clientHeight));

    m_ui = layout::build(this);
    m_schedules = { { { dating::ScheduleKind::Biology, m_ui.listeBIO0, m_ui.ListeBIO },
        { dating::ScheduleKind::PrenatalVisits, m_ui.listePN0, m_ui.listePN },
        { dating::ScheduleKind::Ultrasounds, m_ui.listeUS0, m_ui.listeUS },
        { dating::ScheduleKind::Leave, m_ui.listeCONGES0, m_ui.ListeCONGES } } };
    m_Timer1 = new QTimer(this);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    m_Timer1->setInterval(1000);

    connectHandlers();
    load();
    sheetdialog::installSheetHook(this, *m_pregnancy, { m_ui.nbreSA, m_ui.DateDTT, m_ui.dateDG }, m_clock);
    m_Timer1->start();
}

void form1::connectHandlers()
{
    connect(m_Timer1, &QTimer::timeout, this, &form1::tick);
    connect(m_ui.dateDR, &QLineEdit::textChanged, this, &form1::dateDRChanged);
    connect(m_ui.dateDG, &QLineEdit::textChanged, this, &form1::dateDGChanged);
    connect(m_pregnancy, &Pregnancy::changed, this, &form1::showPregnancy);
    // The entry fields behave alike, but for the control Enter moves to, the bar that steps the
    // field and the date picker's caption.
    for (const auto &[field, next, bar, caption] :
        { std::tuple {
              m_ui.dateDR, static_cast<QWidget *>(m_ui.dateDG), m_ui.VScroll2, texts::captionPickerDR },
            { m_ui.dateDG, m_ui.dateAP, m_ui.VScroll1, texts::captionPickerDG } }) {
        EntryField *entry = field;
        datepicker::connectDateGestures(entry, caption, m_clock);
        connect(entry, &QLineEdit::returnPressed, this,
            [this, entry, next = next] { enterPressed(entry, next); });
        connect(
            bar, &QScrollBar::valueChanged, this, [this, bar = bar, entry] { scrollBarChanged(bar, entry); });
    }
    connect(m_ui.ListeSA, &QListWidget::itemPressed, this, &form1::weeksListPressed);
    for (const SchedulePair &pair : m_schedules) {
        // A click on the row already selected spells its date out again.
        const auto clicked = [this, pair] { labelListClicked(pair); };
        connect(pair.labels, &QListWidget::currentRowChanged, this, clicked);
        connect(pair.labels, &QListWidget::itemClicked, this, clicked);
    }
    // A line edit has no double-click signal.
    m_ui.dateAP->installEventFilter(this);
    connect(m_ui.Command2, &QPushButton::clicked, this, &form1::helpClicked);
    connect(m_ui.Command1, &QPushButton::clicked, this, &form1::notesClicked);
    connect(m_ui.CMDquitter, &QPushButton::clicked, this, &QWidget::close);
}

void form1::load()
{
    formkit::centreOnScreen(this, size());
    const dating::Date today = m_clock.now().date;
    m_dayOfLastTick = today;
    m_ui.dateDR->setText(shortText(*dating::add(dating::Interval::Week, -6, today)));
    fillWeeksList();
    fillLabelLists();
}

void form1::fillWeeksList()
{
    QStringList rows;
    for (int week = dating::firstListedWeek; week <= dating::lastListedWeek; ++week)
        rows << QString::number(week);
    m_ui.ListeSA->addItems(rows);
    m_ui.ListeSA->setCurrentRow(6 - dating::firstListedWeek);
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
    m_ui.dateDG->setFocus();
}

void form1::tick()
{
    const dating::LocalTime now = m_clock.now();
    setWindowTitle(
        texts::clockPrefix + toQString(dating::dayAndDate(now.date) + dating::clockTime(now.time)));
    // Past midnight the counts of weeks and days would be a day behind.
    if (now.date != m_dayOfLastTick) {
        m_dayOfLastTick = now.date;
        if (m_dateDGReads)
            m_pregnancy->refreshToday();
    }
}

void form1::dateDRChanged()
{
    if (const auto lastPeriod = dating::readsAsDate(toStd(m_ui.dateDR->text())))
        m_pregnancy->enterLastPeriod(*lastPeriod);
}

void form1::dateDGChanged()
{
    const auto conception = dating::readsAsDate(toStd(m_ui.dateDG->text()));
    m_dateDGReads = conception.has_value();
    if (conception) {
        m_readingDG = true;
        m_pregnancy->enterConception(*conception);
        m_readingDG = false;
    }
}

void form1::showPregnancy()
{
    const auto conception = m_pregnancy->conception();
    const bool fromElsewhere = !m_readingDG && conception != m_shownConception;
    m_shownConception = conception;
    const auto &results = m_pregnancy->results();
    if (results) {
        m_ui.dateAP->setText(shortText(results->delivery));
        m_ui.dateTERME->setText(shortText(results->term));
        m_ui.DateDTT->setText(shortText(results->overdue));
        m_ui.nbreSA->setText(texts::weeksOfAmenorrhea(results->weeksOfAmenorrhea));
        m_ui.nbreJours->setText(texts::daysOfPregnancy(results->daysOfPregnancy));
        selectWeek(results->weeksOfAmenorrhea);
        for (const SchedulePair &pair : m_schedules) {
            pair.dates->clear();
            for (const dating::ScheduledDate &row : results->datesOf(pair.kind))
                pair.dates->addItem(rowText(row));
        }
    }
    // A conception date from the last period or the dating dialog is written into dateDG, whose
    // change then finds the pregnancy already there.
    if (fromElsewhere && conception)
        m_ui.dateDG->setText(shortText(*conception));
}

bool form1::event(QEvent *event)
{
    // The help line follows the pointer: the control it enters, or the entry field that gets the
    // focus, tells its status tip. Leaving one tells an empty tip, and the help line stays.
    if (event->type() == QEvent::StatusTip) {
        if (const QString tip = static_cast<QStatusTipEvent *>(event)->tip(); !tip.isEmpty())
            setMessage(tip);
        return true;
    }
    return QWidget::event(event);
}

bool form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui.dateAP && event->type() == QEvent::MouseButtonDblClick) {
        dateAPDoubleClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void form1::enterPressed(QLineEdit *field, QWidget *next)
{
    if (const auto rewritten = dating::normalisedDateText(toStd(field->text())))
        field->setText(toQString(*rewritten));
    next->setFocus(Qt::TabFocusReason);
}

void form1::scrollBarChanged(QScrollBar *bar, QLineEdit *field)
{
    // The bar rests at 0; the lower arrow takes it above, the upper arrow below.
    if (bar->value() > 0) {
        datepicker::stepDateField(field, -1);
        bar->setValue(0);
    }
    if (bar->value() < 0) {
        datepicker::stepDateField(field, 1);
        bar->setValue(0);
    }
}

void form1::selectWeek(int weeksOfAmenorrhea)
{
    const int row = weeksOfAmenorrhea - dating::firstListedWeek;
    if (dating::isListedWeek(weeksOfAmenorrhea) && row < m_ui.ListeSA->count()) {
        m_ui.ListeSA->setCurrentRow(row);
    } else {
        m_ui.ListeSA->clearSelection();
        m_ui.ListeSA->setCurrentRow(-1);
    }
}

void form1::dateAPDoubleClicked()
{
    if (const auto &results = m_pregnancy->results())
        QMessageBox::information(this, texts::deliveryTitle, longText(results->delivery));
}

void form1::labelListClicked(const SchedulePair &pair)
{
    const int row = pair.labels->currentRow();
    const auto &results = m_pregnancy->results();
    if (!results || row < 0 || row >= pair.dates->count())
        return;
    pair.dates->setCurrentRow(row);
    const dating::ScheduledDate &date = results->datesOf(pair.kind).at(std::size_t(row));
    setMessage(texts::scheduleMessage(pair.kind, pair.labels->item(row)->text(), longText(date.start),
        date.end ? longText(*date.end) : QString()));
}

void form1::weeksListPressed(const QListWidgetItem *item)
{
    const int weeks = item->text().toInt();
    const auto conception = m_dateDGReads ? m_pregnancy->conception() : std::nullopt;
    if (const auto date = conception ? dating::ruleR3(weeks, *conception) : std::nullopt) {
        m_ui.dateSA->setText(shortText(*date));
        m_ui.TXTsa->setText(texts::chosenWeek(weeks));
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

void form1::setMessage(const QString &message)
{
    const QString shown = texts::toDisplay(message);
    if (m_ui.msg->text() != shown)
        m_ui.msg->setText(shown);
}
