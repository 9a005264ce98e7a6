#include "layout.h"

#include "formkit/entryfield.h"
#include "formkit/fonts.h"
#include "formkit/geometry.h"
#include "formkit/palette.h"
#include "texts.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <vector>

namespace layout {

namespace {

using C = Controls;

constexpr Rgb own;
constexpr Rgb grey { 192, 192, 192 };
constexpr Rgb darkGrey { 64, 64, 64 };
constexpr Rgb white { 255, 255, 255 };
constexpr Rgb black { 0, 0, 0 };
constexpr Rgb blue { 0, 0, 255 };

constexpr Font windowFont;
constexpr Font resultFont { "MS Sans Serif", 9.75, true };
// A date must show whole in the part of an entry field its scroll bar leaves uncovered.
constexpr Font entryFont { "Liberation Sans Narrow", 9.75, true };
constexpr Font countFont { "MS Sans Serif", 8.25, true };
constexpr Font converterFont { "Arial", 9.75, true };
constexpr Font helpLineFont { "Verdana", 8.25, true };
constexpr Font quitFont { "Arial", 12, true };
// The date ranges and the leave dates need a narrow face to show whole in their width.
constexpr Font narrowFont { "Liberation Sans Narrow", 8.25, false };
// TXTsa's lower edge lies under dateSA, so its caption keeps to the top (AlignTop).

// clang-format off
constexpr Control table[] {
    { "VScroll2", &C::VScroll2, nullptr, 1320, 480, 255, 375, "", "Changer la date des dernières règles", own, own, windowFont, Plain, 21, nullptr },
    { "dateDR", &C::dateDR, nullptr, 240, 480, 1200, 360, "", "Dernières règles", darkGrey, white, entryFont, Plain, 22, texts::helpDR },
    { "VScroll1", &C::VScroll1, nullptr, 3360, 480, 255, 375, "", "Changer la date de début de grossesse", own, own, windowFont, Plain, 20, nullptr },
    { "nbreJours", &C::nbreJours, nullptr, 4200, 240, 1215, 285, "Jours", "Jours de grossesse", grey, blue, countFont, Plain, 19, texts::hoverNbreJours },
    { "DateDTT", &C::DateDTT, nullptr, 4200, 1200, 1215, 375, "dtt", "Dépassement", grey, own, windowFont, Plain, 18, nullptr },
    { "dateTERME", &C::dateTERME, nullptr, 240, 1200, 1335, 375, "terme", "Maturité", grey, own, windowFont, Plain, 17, nullptr },
    { "Command2", &C::Command2, nullptr, 5760, 120, 855, 735, "&? Aide", "Aide", own, own, windowFont, Plain, 16, nullptr },
    { "CMDquitter", &C::CMDquitter, nullptr, 5640, 5640, 975, 855, "&Quitter", "Quitter", own, own, quitFont, Plain, 15, nullptr },
    { "ListeBIO", &C::ListeBIO, nullptr, 1320, 3120, 1215, 450, "", "Dates de biologie", own, own, windowFont, Plain, 14, nullptr },
    { "listeBIO0", &C::listeBIO0, nullptr, 120, 3120, 1215, 450, "", "Biologie", grey, own, windowFont, Plain, 13, nullptr },
    { "listePN0", &C::listePN0, nullptr, 2880, 2160, 1215, 1815, "", "Visites prénatales", grey, own, windowFont, Plain, 12, nullptr },
    { "listeUS0", &C::listeUS0, nullptr, 120, 2160, 1215, 645, "", "Echographies", grey, own, windowFont, Plain, 11, nullptr },
    { "listeCONGES0", &C::listeCONGES0, nullptr, 120, 4440, 1215, 645, "", "Congés 1G1P", grey, own, windowFont, Plain, 10, nullptr },
    { "ListeCONGES", &C::ListeCONGES, nullptr, 1320, 4440, 1215, 645, "ListeCONGES", "Dates des congés", white, own, narrowFont, Columns, 9, nullptr },
    { "listeUS", &C::listeUS, nullptr, 1320, 2160, 1215, 645, "", "Dates des échographies", white, own, windowFont, Plain, 8, nullptr },
    { "listePN", &C::listePN, nullptr, 4080, 2160, 2175, 1815, "", "Dates des visites prénatales", white, own, narrowFont, Plain, 7, nullptr },
    { "nbreSA", &C::nbreSA, nullptr, 4200, 600, 1215, 285, "sa", "Semaines d'aménorrhée", grey, blue, countFont, Locked, 6, texts::hoverNbreSA },
    { "Command1", &C::Command1, nullptr, 5760, 1080, 855, 735, "No&tes", "Notes", own, own, windowFont, Plain, 5, nullptr },
    { "ListeSA", &C::ListeSA, nullptr, 2880, 4440, 1215, 645, "", "Conversion, semaines d'aménorrhée", blue, white, windowFont, HelpPointer, 4, texts::hoverListeSA },
    { "dateSA", &C::dateSA, nullptr, 5040, 4680, 1245, 360, "", "Date de la semaine choisie", blue, white, converterFont, AlignCentre, 3, nullptr },
    { "dateAP", &C::dateAP, nullptr, 2400, 1200, 1200, 360, "", "Accouchement", darkGrey, white, resultFont, Locked | AlignRight, 2, texts::hoverDateAP },
    { "dateDG", &C::dateDG, nullptr, 2400, 480, 1200, 375, "", "Début de grossesse", black, white, entryFont, Plain, 1, texts::helpDG },
    { "Frame1", &C::Frame1, nullptr, 0, 4200, 2655, 975, "Congés 1G1P", "Congés 1G1P", own, own, windowFont, Plain, 0, nullptr },
    { "Frame2", &C::Frame2, nullptr, 0, 1920, 2655, 975, "Echographie", "Echographie", own, own, windowFont, Plain, 0, nullptr },
    { "Frame3", &C::Frame3, nullptr, 2760, 1920, 3615, 2175, "Visites Prénatales", "Visites prénatales", own, own, windowFont, Plain, 0, nullptr },
    { "Frame4", &C::Frame4, nullptr, 0, 2880, 2655, 855, "Biologie", "Biologie", own, own, windowFont, Plain, 0, nullptr },
    { "Frame5", &C::Frame5, nullptr, 2760, 4200, 3615, 975, "Conversion Auto", "Conversion automatique", own, own, windowFont, Plain, 0, nullptr },
    { "TXTsa", &C::TXTsa, &C::Frame5, 1320, 240, 1215, 375, "xx Sa le...", "Semaine choisie", own, blue, countFont, AlignTop, 0, nullptr },
    { "Frame6", &C::Frame6, nullptr, 0, 0, 5655, 1815, "Dates", "Dates", own, own, windowFont, Plain, 0, nullptr },
    { "Frame12", &C::Frame12, &C::Frame6, 4080, 960, 1455, 735, "Dépassement", "Dépassement", own, own, windowFont, Plain, 0, nullptr },
    { "Frame11", &C::Frame11, &C::Frame6, 2280, 960, 1455, 735, "Accouchement", "Accouchement", own, own, windowFont, Plain, 0, nullptr },
    { "Frame9", &C::Frame9, &C::Frame6, 120, 960, 1575, 735, "Maturité", "Maturité", own, own, windowFont, Plain, 0, nullptr },
    { "Frame10", &C::Frame10, &C::Frame9, 1560, 600, 15, 135, "Frame10", "", own, own, windowFont, Plain, 0, nullptr },
    { "Frame8", &C::Frame8, &C::Frame6, 2280, 240, 1455, 735, "Début Gross.", "Début de grossesse", own, own, windowFont, Plain, 0, nullptr },
    { "Frame7", &C::Frame7, &C::Frame6, 120, 240, 1575, 735, "Dern.Règles", "Dernières règles", own, own, windowFont, Plain, 0, nullptr },
    { "msg", &C::msg, nullptr, 0, 5400, 5535, 1335, "Message", "Aide", grey, darkGrey, helpLineFont, Boxed | Wrapped, 0, nullptr },
};
// clang-format on

// build() makes the controls in one pass, so a frame must come before every control it holds.
constexpr bool containersComeFirst()
{
    for (std::size_t row = 0; row < std::size(table); ++row) {
        if (!table[row].container)
            continue;
        bool madeBefore = false;
        for (std::size_t earlier = 0; earlier < row; ++earlier) {
            const auto *frame = std::get_if<Slot<QGroupBox>>(&table[earlier].slot);
            madeBefore = madeBefore || (frame && *frame == table[row].container);
        }
        if (!madeBefore)
            return false;
    }
    return true;
}
static_assert(containersComeFirst(), "a control is listed before the frame that holds it");

bool isSet(const Rgb &colour)
{
    return colour.red >= 0;
}

QColor toQColor(const Rgb &colour)
{
    return QColor(colour.red, colour.green, colour.blue);
}

bool isInFront(const Control &front, const Control &row)
{
    return &front < &row && front.container == row.container;
}

// Twips of the row's right end that a control in front of it covers: text stays clear of them.
int coveredOnTheRight(const Control &row)
{
    int covered = 0;
    for (const Control &front : table) {
        if (!isInFront(front, row))
            continue;
        const bool overlapsHeight = front.top < row.top + row.height && row.top < front.top + front.height;
        const int right = row.left + row.width;
        if (overlapsHeight && front.left > row.left && front.left < right)
            covered = std::max(covered, right - front.left);
    }
    return covered;
}

// What each kind of control makes of its row.
void setUp(QLineEdit *edit, const Control &row, const QString &caption)
{
    edit->setText(caption);
    edit->setTextMargins(0, 0, formkit::pixels(coveredOnTheRight(row)), 0);
    edit->setReadOnly(row.settings & Locked);
    if (row.settings & AlignRight)
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (row.settings & AlignCentre)
        edit->setAlignment(Qt::AlignCenter);
}

void setUp(QLabel *label, const Control &row, const QString &caption)
{
    label->setText(caption);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter | (row.settings & AlignTop ? Qt::AlignTop : Qt::AlignVCenter));
    label->setFocusPolicy(Qt::NoFocus);
    if (row.settings & Boxed) {
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setLineWidth(1);
    }
    label->setWordWrap(row.settings & Wrapped);
}

void setUp(QListWidget *list, const Control &row, const QString &caption)
{
    if (!caption.isEmpty())
        list->addItem(caption);
    if (row.settings & HelpPointer)
        list->viewport()->setCursor(Qt::WhatsThisCursor);
    // Each row shows whole or not at all; nothing scrolls sideways.
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The rows' colours are the list's; its scroll bar keeps the window's, so that its arrows
    // stand out from their buttons whatever colours the rows have.
    list->verticalScrollBar()->setPalette(formkit::fixedPalette());
    if (row.settings & Columns) {
        // A column is as wide as a date, since half the list's width would cut every date short.
        list->setFlow(QListView::TopToBottom);
        list->setWrapping(true);
        list->setResizeMode(QListView::Adjust);
        list->setUniformItemSizes(true);
        const QFontMetrics metrics(list->font());
        list->setGridSize(
            QSize(metrics.horizontalAdvance(QStringLiteral("00/00/0000")) + 8, metrics.height()));
    }
}

void setUp(QScrollBar *bar, const Control &, const QString &)
{
    // The bar rests at 0; an arrow moves it one step off, and the window puts it back.
    bar->setRange(-1, 31);
    bar->setSingleStep(1);
    bar->setPageStep(30);
    bar->setValue(0);
    bar->setFocusPolicy(Qt::StrongFocus);
}

void setUp(QPushButton *button, const Control &, const QString &caption)
{
    button->setText(caption);
    button->setAutoDefault(false);
}

void setUp(QGroupBox *frame, const Control &, const QString &caption)
{
    frame->setTitle(caption);
    frame->setFocusPolicy(Qt::NoFocus);
}

void colour(QWidget *widget, const Control &row)
{
    QPalette palette = widget->palette();
    if (isSet(row.background)) {
        palette.setColor(QPalette::Base, toQColor(row.background));
        palette.setColor(QPalette::Window, toQColor(row.background));
        widget->setAutoFillBackground(true);
    }
    if (isSet(row.text)) {
        palette.setColor(QPalette::Text, toQColor(row.text));
        palette.setColor(QPalette::WindowText, toQColor(row.text));
    }
    widget->setPalette(palette);
}

// Creates the control of a row, of the kind its slot holds, and puts it in its slot.
QWidget *create(Controls &made, const Control &row, QWidget *parent)
{
    return std::visit(
        [&](auto slot) -> QWidget * {
            using Widget = std::remove_pointer_t<std::remove_reference_t<decltype(made.*slot)>>;
            auto *widget = new Widget(parent);
            made.*slot = widget;
            widget->setObjectName(QLatin1String(row.name));
            widget->setGeometry(formkit::rect(row.left, row.top, row.width, row.height));
            widget->setAccessibleName(QString::fromUtf8(row.accessibleName));
            if (row.font.family)
                widget->setFont(
                    formkit::font(QLatin1String(row.font.family), row.font.points, row.font.bold));
            colour(widget, row);
            setUp(widget, row, QString::fromUtf8(row.caption));
            return widget;
        },
        row.slot);
}

} // namespace

std::span<const Control> controls()
{
    return table;
}

Controls build(QWidget *window)
{
    Controls made {};
    // Containers come before their contents in the table, so one pass in order finds them.
    std::vector<QWidget *> created;
    std::vector<std::pair<int, QWidget *>> tabChain;
    for (const Control &row : table) {
        QWidget *widget = create(made, row, row.container ? made.*(row.container) : window);
        if (row.help) {
            const QString help = texts::toDisplay(row.help());
            widget->setStatusTip(help);
            // A screen reader announces the same help as the help line.
            widget->setAccessibleDescription(help);
        }
        if (row.tabOrder > 0)
            tabChain.emplace_back(row.tabOrder, widget);
        created.push_back(widget);
    }
    // Raising from the back of the table to its front leaves the first control on top.
    for (auto it = created.rbegin(); it != created.rend(); ++it)
        (*it)->raise();

    std::sort(tabChain.begin(), tabChain.end());
    for (std::size_t i = 1; i < tabChain.size(); ++i)
        QWidget::setTabOrder(tabChain[i - 1].second, tabChain[i].second);
    return made;
}

} // namespace layout
