#include "layout.h"

#include "formkit/fonts.h"
#include "formkit/geometry.h"

#include <QColor>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include <array>

namespace layout {

namespace {

using K = Kind;

constexpr std::array<Control, 36> table { {
    { "VScroll2", K::ScrollBar, nullptr, 1320, 480, 255, 375, "", "Changer la date des dernières règles" },
    { "dateDR", K::TextBox, nullptr, 240, 480, 1200, 360, "", "Dernières règles" },
    { "VScroll1", K::ScrollBar, nullptr, 3360, 480, 255, 375, "", "Changer la date de début de grossesse" },
    { "nbreJours", K::TextBox, nullptr, 4200, 240, 1215, 285, "Jours", "Jours de grossesse" },
    { "DateDTT", K::TextBox, nullptr, 4200, 1200, 1215, 375, "dtt", "Dépassement" },
    { "dateTERME", K::TextBox, nullptr, 240, 1200, 1335, 375, "terme", "Maturité" },
    { "Command2", K::Button, nullptr, 5760, 120, 855, 735, "&? Aide", "Aide" },
    { "CMDquitter", K::Button, nullptr, 5640, 5640, 975, 855, "&Quitter", "Quitter" },
    { "ListeBIO", K::ListBox, nullptr, 1320, 3120, 1215, 450, "", "Dates de biologie" },
    { "listeBIO0", K::ListBox, nullptr, 120, 3120, 1215, 450, "", "Biologie" },
    { "listePN0", K::ListBox, nullptr, 2880, 2160, 1215, 1815, "", "Visites prénatales" },
    { "listeUS0", K::ListBox, nullptr, 120, 2160, 1215, 645, "", "Echographies" },
    { "listeCONGES0", K::ListBox, nullptr, 120, 4440, 1215, 645, "", "Congés 1G1P" },
    { "ListeCONGES", K::ListBox, nullptr, 1320, 4440, 1215, 645, "ListeCONGES", "Dates des congés" },
    { "listeUS", K::ListBox, nullptr, 1320, 2160, 1215, 645, "", "Dates des échographies" },
    { "listePN", K::ListBox, nullptr, 4080, 2160, 2175, 1815, "", "Dates des visites prénatales" },
    { "nbreSA", K::LockedTextBox, nullptr, 4200, 600, 1215, 285, "sa", "Semaines d'aménorrhée" },
    { "Command1", K::Button, nullptr, 5760, 1080, 855, 735, "No&tes", "Notes" },
    { "ListeSA", K::ListBox, nullptr, 2880, 4440, 1215, 645, "", "Conversion, semaines d'aménorrhée" },
    { "dateSA", K::TextBox, nullptr, 5040, 4680, 1245, 360, "", "Date de la semaine choisie" },
    { "dateAP", K::LockedTextBox, nullptr, 2400, 1200, 1200, 360, "", "Accouchement" },
    { "dateDG", K::TextBox, nullptr, 2400, 480, 1200, 375, "", "Début de grossesse" },
    { "Frame1", K::Frame, nullptr, 0, 4200, 2655, 975, "Congés 1G1P", "Congés 1G1P" },
    { "Frame2", K::Frame, nullptr, 0, 1920, 2655, 975, "Echographie", "Echographie" },
    { "Frame3", K::Frame, nullptr, 2760, 1920, 3615, 2175, "Visites Prénatales", "Visites prénatales" },
    { "Frame4", K::Frame, nullptr, 0, 2880, 2655, 855, "Biologie", "Biologie" },
    { "Frame5", K::Frame, nullptr, 2760, 4200, 3615, 975, "Conversion Auto", "Conversion automatique" },
    { "TXTsa", K::Label, "Frame5", 1320, 240, 1215, 375, "xx Sa le...", "Semaine choisie" },
    { "Frame6", K::Frame, nullptr, 0, 0, 5655, 1815, "Dates", "Dates" },
    { "Frame12", K::Frame, "Frame6", 4080, 960, 1455, 735, "Dépassement", "Dépassement" },
    { "Frame11", K::Frame, "Frame6", 2280, 960, 1455, 735, "Accouchement", "Accouchement" },
    { "Frame9", K::Frame, "Frame6", 120, 960, 1575, 735, "Maturité", "Maturité" },
    { "Frame10", K::Frame, "Frame9", 1560, 600, 15, 135, "Frame10", "" },
    { "Frame8", K::Frame, "Frame6", 2280, 240, 1455, 735, "Début Gross.", "Début de grossesse" },
    { "Frame7", K::Frame, "Frame6", 120, 240, 1575, 735, "Dern.Règles", "Dernières règles" },
    { "msg", K::Label, nullptr, 0, 5400, 5535, 1335, "Message", "Aide" },
} };

// Tab goes from each control to the next, and from the last back to the first.
constexpr std::array<const char *, 22> tabChain { "dateDG", "dateAP", "dateSA", "ListeSA", "Command1",
    "nbreSA", "listePN", "listeUS", "ListeCONGES", "listeCONGES0", "listeUS0", "listePN0", "listeBIO0",
    "ListeBIO", "CMDquitter", "Command2", "dateTERME", "DateDTT", "nbreJours", "VScroll1", "VScroll2",
    "dateDR" };

struct Look
{
    const char *name;
    QColor background; // invalid: the toolkit's own
    QColor text;
    const char *fontFamily; // nullptr: the window's font
    qreal points;
    bool bold;
};

const QColor grey(192, 192, 192);
const QColor darkGrey(64, 64, 64);
const QColor white(255, 255, 255);
const QColor black(0, 0, 0);
const QColor blue(0, 0, 255);

const Look looks[] = {
    { "dateDR", darkGrey, white, "MS Sans Serif", 9.75, true },
    { "dateDG", black, white, "MS Sans Serif", 9.75, true },
    { "dateAP", darkGrey, white, "MS Sans Serif", 9.75, true },
    { "dateTERME", grey, {}, nullptr, 0, false },
    { "DateDTT", grey, {}, nullptr, 0, false },
    { "nbreJours", grey, blue, "MS Sans Serif", 8.25, true },
    { "nbreSA", grey, blue, "MS Sans Serif", 8.25, true },
    { "dateSA", blue, white, "Arial", 9.75, true },
    { "listeUS0", grey, {}, nullptr, 0, false },
    { "listePN0", grey, {}, nullptr, 0, false },
    { "listeBIO0", grey, {}, nullptr, 0, false },
    { "listeCONGES0", grey, {}, nullptr, 0, false },
    { "listeUS", white, {}, nullptr, 0, false },
    { "listePN", white, {}, nullptr, 0, false },
    { "ListeCONGES", white, {}, nullptr, 0, false },
    { "ListeSA", blue, white, nullptr, 0, false },
    { "TXTsa", {}, blue, "MS Sans Serif", 8.25, true },
    { "msg", grey, darkGrey, "Verdana", 8.25, true },
    { "CMDquitter", {}, {}, "Arial", 12, true },
};

QWidget *create(const Control &control, QWidget *parent)
{
    const QString caption = QString::fromUtf8(control.caption);
    switch (control.kind) {
    case K::TextBox:
    case K::LockedTextBox: {
        auto *edit = new QLineEdit(caption, parent);
        edit->setReadOnly(control.kind == K::LockedTextBox);
        return edit;
    }
    case K::Label: {
        auto *label = new QLabel(caption, parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
        return label;
    }
    case K::ListBox: {
        auto *list = new QListWidget(parent);
        if (!caption.isEmpty())
            list->addItem(caption);
        return list;
    }
    case K::ScrollBar: {
        auto *bar = new QScrollBar(Qt::Vertical, parent);
        bar->setRange(-1, 31);
        bar->setSingleStep(1);
        bar->setPageStep(30);
        bar->setValue(0);
        bar->setFocusPolicy(Qt::StrongFocus);
        return bar;
    }
    case K::Button: {
        auto *button = new QPushButton(caption, parent);
        button->setAutoDefault(false);
        return button;
    }
    case K::Frame:
        return new QGroupBox(caption, parent);
    }
    return nullptr;
}

void applyLook(QWidget *widget, const Look &look)
{
    QPalette palette = widget->palette();
    if (look.background.isValid()) {
        palette.setColor(QPalette::Base, look.background);
        palette.setColor(QPalette::Window, look.background);
        widget->setAutoFillBackground(true);
    }
    if (look.text.isValid()) {
        palette.setColor(QPalette::Text, look.text);
        palette.setColor(QPalette::WindowText, look.text);
    }
    widget->setPalette(palette);
    if (look.fontFamily)
        widget->setFont(formkit::font(QString::fromLatin1(look.fontFamily), look.points, look.bold));
}

// The settings that only some controls have.
void applySpecialSettings(QWidget *window)
{
    window->findChild<QLineEdit *>(QStringLiteral("dateAP"))->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    window->findChild<QLineEdit *>(QStringLiteral("dateSA"))->setAlignment(Qt::AlignCenter);

    // The date ranges and the leave dates need a narrow face to show whole in their width.
    const QFont narrow = formkit::font(QStringLiteral("Liberation Sans Narrow"), 8.25, false);
    auto *visits = window->findChild<QListWidget *>(QStringLiteral("listePN"));
    visits->setFont(narrow);
    visits->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // Rows flow into side-by-side columns; a column is as wide as a date, since half the
    // list's width would cut every date short.
    auto *leave = window->findChild<QListWidget *>(QStringLiteral("ListeCONGES"));
    leave->setFont(narrow);
    leave->setFlow(QListView::TopToBottom);
    leave->setWrapping(true);
    leave->setResizeMode(QListView::Adjust);
    leave->setUniformItemSizes(true);
    leave->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QFontMetrics metrics(narrow);
    leave->setGridSize(QSize(metrics.horizontalAdvance(QStringLiteral("00/00/0000")) + 8, metrics.height()));

    window->findChild<QListWidget *>(QStringLiteral("ListeSA"))->viewport()->setCursor(Qt::WhatsThisCursor);

    auto *help = window->findChild<QLabel *>(QStringLiteral("msg"));
    help->setFrameStyle(QFrame::Box | QFrame::Plain);
    help->setLineWidth(1);
    help->setWordWrap(true);
}

} // namespace

std::span<const Control> controls()
{
    return table;
}

void build(QWidget *window)
{
    // Containers come before their contents in the table, so one pass in order finds them.
    std::vector<QWidget *> created;
    created.reserve(table.size());
    for (const Control &control : table) {
        QWidget *parent = control.container
            ? window->findChild<QWidget *>(QString::fromLatin1(control.container))
            : window;
        QWidget *widget = create(control, parent);
        widget->setObjectName(QString::fromLatin1(control.name));
        widget->setGeometry(formkit::rect(control.left, control.top, control.width, control.height));
        widget->setAccessibleName(QString::fromUtf8(control.accessibleName));
        if (control.kind == K::Label || control.kind == K::Frame)
            widget->setFocusPolicy(Qt::NoFocus);
        created.push_back(widget);
    }
    // Raising from the back of the table to its front leaves the first control on top.
    for (auto it = created.rbegin(); it != created.rend(); ++it)
        (*it)->raise();

    for (const Look &look : looks)
        applyLook(window->findChild<QWidget *>(QString::fromLatin1(look.name)), look);
    applySpecialSettings(window);

    QWidget *previous = nullptr;
    for (const char *name : tabChain) {
        QWidget *next = window->findChild<QWidget *>(QString::fromLatin1(name));
        if (previous)
            QWidget::setTabOrder(previous, next);
        previous = next;
    }
}

} // namespace layout
