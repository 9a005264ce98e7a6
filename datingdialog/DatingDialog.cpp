#include "DatingDialog.h"

#include "datepicker/datefield.h"
#include "formkit/conversions.h"
#include "formkit/entryfield.h"
#include "pregnancy/pregnancy.h"
#include "sheet/sheet.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

using formkit::shortText;
using formkit::toQString;
using formkit::toStd;

const QString title = QStringLiteral("Datation de la grossesse");

// A sentence of the dating core's problems, capitalised and closed.
QString sentence(const QString &text)
{
    return text.isEmpty() ? text : text.at(0).toUpper() + text.mid(1) + QLatin1Char('.');
}

EntryField *dateField(QWidget *parent, const QString &name, const dating::Clock &clock)
{
    auto *field = new EntryField(parent);
    field->setObjectName(name);
    field->setAccessibleName(name);
    field->setPlaceholderText(QStringLiteral("jj/mm/aaaa"));
    datepicker::connectDateGestures(field, name, clock);
    return field;
}

QSpinBox *daysBox(QWidget *parent, const QString &name, int least, int most, int value)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(name);
    box->setRange(least, most);
    box->setValue(value);
    return box;
}

// A result keeps the room of its longest text, so that the fields above do not move as it changes.
void reserveLines(QLabel *label, int lines)
{
    label->setMinimumHeight(label->fontMetrics().lineSpacing() * lines);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

bool isReproduction(const dating::ConceptionDating &dating)
{
    return std::holds_alternative<dating::RetrievalDating>(dating)
        || std::holds_alternative<dating::TransferDating>(dating);
}

} // namespace

DatingDialog::DatingDialog(const Pregnancy &pregnancy, const dating::Clock &clock, QWidget *parent)
    : QDialog(parent)
    , m_pregnancy(pregnancy)
    , m_clock(clock)
    , m_datedByReproduction(isReproduction(pregnancy.dating()))
{
    setObjectName(QStringLiteral("DatationGrossesse"));
    setWindowTitle(title);
    setLocale(QLocale(QLocale::French));
    buildControls();
    setMinimumWidth(fontMetrics().averageCharWidth() * 80);
    refresh();
}

void DatingDialog::buildControls()
{
    m_methods = new QButtonGroup(this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(periodSection());
    layout->addWidget(scanSection());
    layout->addWidget(reproductionSection());
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("resultat"));
    m_result->setWordWrap(true);
    reserveLines(m_result, 3);
    layout->addWidget(m_result);
    layout->addWidget(converterSection());

    auto *buttons = new QDialogButtonBox(this);
    m_apply = buttons->addButton(QStringLiteral("&Appliquer au calendrier"), QDialogButtonBox::AcceptRole);
    m_apply->setObjectName(QStringLiteral("appliquer"));
    m_apply->setAccessibleName(QStringLiteral("Appliquer au calendrier"));
    QPushButton *cancel = buttons->addButton(QStringLiteral("A&nnuler"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("annuler"));
    layout->addWidget(buttons);
    connect(m_apply, &QPushButton::clicked, this, &DatingDialog::apply);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_methods, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            refresh();
    });
    m_byPeriod->setChecked(true);
}

QWidget *DatingDialog::periodSection()
{
    auto *box = new QGroupBox(this);
    m_byPeriod = new QRadioButton(QStringLiteral("&Dernières règles"), box);
    m_byPeriod->setAccessibleName(QStringLiteral("Dernières règles"));
    m_methods->addButton(m_byPeriod, ByPeriod);
    const auto lastPeriod = m_pregnancy.lastPeriod();
    auto *known = new QLabel(lastPeriod ? QStringLiteral("DR : %1").arg(shortText(*lastPeriod))
                                        : QStringLiteral("DR : non saisies dans la fenêtre"),
        box);
    known->setObjectName(QStringLiteral("dr"));
    m_cycle = daysBox(box, QStringLiteral("Durée du cycle (jours)"), dating::shortestCycle,
        dating::longestCycle, dating::usualCycle);
    auto *form = new QFormLayout(box);
    form->addRow(m_byPeriod, known);
    form->addRow(QStringLiteral("Durée du c&ycle (jours) :"), m_cycle);
    whenEdited(m_cycle, ByPeriod);
    m_byPeriod->setEnabled(lastPeriod.has_value());
    return box;
}

QWidget *DatingDialog::scanSection()
{
    auto *box = new QGroupBox(this);
    m_byScan = new QRadioButton(QStringLiteral("É&chographie du 1er trimestre"), box);
    m_byScan->setAccessibleName(QStringLiteral("Échographie du 1er trimestre"));
    m_methods->addButton(m_byScan, ByScan);
    m_scanDate = dateField(box, QStringLiteral("Date de l'échographie"), m_clock);
    m_crl = new QLineEdit(box);
    m_crl->setObjectName(QStringLiteral("Longueur cranio-caudale (mm)"));
    m_crl->setAccessibleName(QStringLiteral("Longueur cranio-caudale (mm)"));
    m_crl->setPlaceholderText(QStringLiteral("60 ou 60,5"));
    m_formula = new QComboBox(box);
    m_formula->setObjectName(QStringLiteral("Formule"));
    m_formula->setAccessibleName(QStringLiteral("Formule"));
    for (const auto formula : { dating::CrlFormula::Robinson1975, dating::CrlFormula::Intergrowth2014 })
        m_formula->addItem(toQString(dating::crlFormulaName(formula)), int(formula));
    m_policy = new QComboBox(box);
    m_policy->setObjectName(QStringLiteral("Recaler le terme"));
    m_policy->setAccessibleName(QStringLiteral("Recaler le terme"));
    m_policy->addItem(QStringLiteral("toujours"), int(dating::RedatePolicy::Always));
    m_policy->addItem(QStringLiteral("si l'écart dépasse 5 jours"), int(dating::RedatePolicy::GapOver5));
    m_policy->addItem(QStringLiteral("si l'écart dépasse 7 jours"), int(dating::RedatePolicy::GapOver7));
    m_scanResult = new QLabel(box);
    m_scanResult->setObjectName(QStringLiteral("echographie"));
    m_scanResult->setWordWrap(true);
    reserveLines(m_scanResult, 3);

    // The result wraps below the form: a wrapped label inside a form row gets too little height.
    auto *column = new QVBoxLayout(box);
    auto *form = new QFormLayout;
    column->addLayout(form);
    column->addWidget(m_scanResult);
    form->addRow(m_byScan);
    form->addRow(QStringLiteral("Date de l'éc&hographie :"), m_scanDate);
    form->addRow(QStringLiteral("&Longueur cranio-caudale (mm) :"), m_crl);
    form->addRow(QStringLiteral("&Formule :"), m_formula);
    form->addRow(QStringLiteral("&Recaler le terme :"), m_policy);
    for (QObject *field : std::initializer_list<QObject *> { m_scanDate, m_crl, m_formula, m_policy })
        whenEdited(field, ByScan);
    if (m_datedByReproduction) {
        // ACOG Committee Opinion 700 (2017): the dates of assisted reproduction fix the term.
        m_byScan->setEnabled(false);
        m_scanResult->setText(QStringLiteral("Grossesse datée par l'AMP : elle n'est pas redatée par "
                                             "l'échographie (ACOG, avis n° 700, 2017)."));
    }
    return box;
}

QWidget *DatingDialog::reproductionSection()
{
    auto *box = new QGroupBox(this);
    m_byReproduction = new QRadioButton(QStringLiteral("Assistance &médicale à la procréation"), box);
    m_byReproduction->setAccessibleName(QStringLiteral("Assistance médicale à la procréation"));
    m_methods->addButton(m_byReproduction, ByReproduction);
    m_byRetrieval = new QRadioButton(QStringLiteral("Ponction ou insémination"), box);
    m_byTransfer = new QRadioButton(QStringLiteral("Transfert d'embryon"), box);
    auto *which = new QButtonGroup(box);
    which->addButton(m_byRetrieval);
    which->addButton(m_byTransfer);
    m_byTransfer->setChecked(true);
    m_retrievalDate = dateField(box, QStringLiteral("Date de ponction ou d'insémination"), m_clock);
    m_transferDate = dateField(box, QStringLiteral("Date du transfert"), m_clock);
    m_embryoAge = daysBox(box, QStringLiteral("Âge de l'embryon (jours)"), dating::youngestEmbryoDays,
        dating::oldestEmbryoDays, 5);

    auto *form = new QFormLayout(box);
    form->addRow(m_byReproduction);
    form->addRow(m_byRetrieval, m_retrievalDate);
    form->addRow(m_byTransfer, m_transferDate);
    form->addRow(QStringLiteral("Âge de l'&embryon (jours) :"), m_embryoAge);
    whenEdited(m_retrievalDate, ByReproduction);
    whenEdited(m_transferDate, ByReproduction);
    whenEdited(m_embryoAge, ByReproduction);
    connect(
        m_retrievalDate, &QLineEdit::textEdited, m_byRetrieval, [this] { m_byRetrieval->setChecked(true); });
    connect(m_transferDate, &QLineEdit::textEdited, m_byTransfer, [this] { m_byTransfer->setChecked(true); });
    connect(m_embryoAge, &QSpinBox::valueChanged, m_byTransfer, [this] { m_byTransfer->setChecked(true); });
    connect(which, &QButtonGroup::buttonToggled, this, [this](QAbstractButton *, bool on) {
        if (on) {
            m_byReproduction->setChecked(true);
            refresh();
        }
    });
    return box;
}

QWidget *DatingDialog::converterSection()
{
    auto *box = new QGroupBox(QStringLiteral("Conversion, depuis le début de grossesse retenu"), this);
    box->setObjectName(QStringLiteral("conversion"));
    m_ageDate = dateField(box, QStringLiteral("Âge gestationnel le"), m_clock);
    m_ageDate->setText(shortText(m_clock.now().date));
    m_ageResult = new QLabel(box);
    m_ageResult->setObjectName(QStringLiteral("age"));
    m_weeks = daysBox(box, QStringLiteral("Semaines d'aménorrhée"), 0, 45, 12);
    m_days = daysBox(box, QStringLiteral("Jours"), 0, 6, 0);
    m_dateResult = new QLabel(box);
    m_dateResult->setObjectName(QStringLiteral("date"));

    auto *age = new QHBoxLayout;
    age->addWidget(m_ageDate);
    age->addWidget(m_ageResult, 1);
    auto *date = new QHBoxLayout;
    date->addWidget(m_weeks);
    date->addWidget(new QLabel(QStringLiteral("SA +"), box));
    date->addWidget(m_days);
    date->addWidget(new QLabel(QStringLiteral("j :"), box));
    date->addWidget(m_dateResult, 1);
    auto *form = new QFormLayout(box);
    auto *ageLabel = new QLabel(QStringLiteral("Â&ge gestationnel le :"), box);
    ageLabel->setBuddy(m_ageDate);
    auto *dateLabel = new QLabel(QStringLiteral("Date à :"), box);
    form->addRow(ageLabel, age);
    form->addRow(dateLabel, date);
    connect(m_ageDate, &QLineEdit::textChanged, this, &DatingDialog::convert);
    connect(m_weeks, &QSpinBox::valueChanged, this, &DatingDialog::convert);
    connect(m_days, &QSpinBox::valueChanged, this, &DatingDialog::convert);
    return box;
}

// Typing into a method's field selects the method, and every edit recomputes.
void DatingDialog::whenEdited(QObject *field, Method method)
{
    const auto chosen = [this, method] {
        if (QAbstractButton *button = m_methods->button(method); button->isEnabled() && !button->isChecked())
            button->setChecked(true); // which refreshes
        else
            refresh();
    };
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        connect(edit, &QLineEdit::textChanged, this, chosen);
    else if (auto *box = qobject_cast<QSpinBox *>(field))
        connect(box, &QSpinBox::valueChanged, this, chosen);
    else if (auto *combo = qobject_cast<QComboBox *>(field))
        connect(combo, &QComboBox::currentIndexChanged, this, chosen);
}

std::optional<dating::Date> DatingDialog::fieldDate(
    const QLineEdit *field, const QString &name, QString &problem) const
{
    const auto date = dating::readsAsDate(toStd(field->text()));
    if (!date && problem.isEmpty())
        problem = QStringLiteral("« %1 » n'est pas une date (jj/mm/aaaa).").arg(name);
    return date;
}

dating::Dated DatingDialog::currentDating(QString &problem) const
{
    const auto lastPeriod = m_pregnancy.lastPeriod();
    switch (m_methods->checkedId()) {
    case ByPeriod:
        if (!lastPeriod)
            break;
        return dating::datedByPeriod(*lastPeriod, m_cycle->value());
    case ByScan: {
        const auto scan = fieldDate(m_scanDate, QStringLiteral("Date de l'échographie"), problem);
        const auto crl = dating::readsAsLength(toStd(m_crl->text()));
        if (!crl && problem.isEmpty())
            problem = QStringLiteral(
                "La longueur cranio-caudale n'est pas un nombre de millimètres (60 ou 60,5).");
        if (!scan || !crl)
            break;
        const auto period = lastPeriod ? std::optional(dating::PeriodDating { *lastPeriod, m_cycle->value() })
                                       : std::nullopt;
        return dating::datedByScan(*scan, *crl, dating::CrlFormula(m_formula->currentData().toInt()), period,
            dating::RedatePolicy(m_policy->currentData().toInt()));
    }
    case ByReproduction:
        if (m_byRetrieval->isChecked()) {
            const auto day
                = fieldDate(m_retrievalDate, QStringLiteral("Date de ponction ou d'insémination"), problem);
            if (day)
                return dating::datedByRetrieval(*day);
        } else {
            const auto day = fieldDate(m_transferDate, QStringLiteral("Date du transfert"), problem);
            if (day)
                return dating::datedByTransfer(*day, m_embryoAge->value());
        }
        break;
    }
    return {};
}

void DatingDialog::refresh()
{
    QString problem;
    const dating::Dated dated = currentDating(problem);
    if (problem.isEmpty() && dated.problem != dating::DatingProblem::None)
        problem = sentence(
            sheet::datingProblemText(dated.problem, dating::CrlFormula(m_formula->currentData().toInt())));
    m_retained = dated.conception ? std::optional(dated) : std::nullopt;
    if (!m_datedByReproduction)
        describeScan(dated);
    if (m_retained) {
        const auto delivery = dating::add(dating::Interval::Month, 9, *dated.conception);
        m_result->setText(
            QStringLiteral("Début de grossesse retenu : %1, %2 ; DPA %3")
                .arg(shortText(*dated.conception), sheet::datingText(dated.dating),
                    delivery ? shortText(*delivery) : QStringLiteral("hors des années prises en charge")));
    } else {
        m_result->setText(
            problem.isEmpty() ? QStringLiteral("Remplissez les champs de la méthode choisie.") : problem);
    }
    m_apply->setEnabled(m_retained.has_value());
    convert();
}

void DatingDialog::describeScan(const dating::Dated &dated)
{
    const auto *scan = std::get_if<dating::ScanDating>(&dated.dating);
    if (!scan) {
        m_scanResult->clear();
        return;
    }
    QString text = QStringLiteral("%1 à l'échographie (%2 jours), DG par l'échographie : %3")
                       .arg(toQString(dating::completedWeeksText(scan->completedDays).value_or("")),
                           QLocale(QLocale::French).toString(scan->gestationalDays, 'f', 2),
                           shortText(scan->conceptionByScan));
    if (scan->conceptionByPeriod) {
        text += QStringLiteral(" ; DG par les DR : %1 ; écart %2 : %3")
                    .arg(shortText(*scan->conceptionByPeriod), toQString(dating::gapText(scan->gapDays)),
                        scan->scanRetained ? QStringLiteral("le terme est recalé sur l'échographie")
                                           : QStringLiteral("les DR sont gardées"));
    }
    m_scanResult->setText(text);
}

void DatingDialog::convert()
{
    const auto conception = m_retained ? m_retained->conception : m_pregnancy.conception();
    if (!conception) {
        m_ageResult->clear();
        m_dateResult->clear();
        return;
    }
    if (const auto day = dating::readsAsDate(toStd(m_ageDate->text()))) {
        const int days = dating::amenorrheaDays(*conception, *day);
        const auto weeks = dating::completedWeeksText(days);
        const auto pregnancy = dating::pregnancyWeeksText(days);
        m_ageResult->setText(!weeks ? QStringLiteral("avant les dernières règles")
                : pregnancy         ? QStringLiteral("%1 (%2)").arg(toQString(*weeks), toQString(*pregnancy))
                            : QStringLiteral("%1 (avant le début de grossesse)").arg(toQString(*weeks)));
    } else {
        m_ageResult->setText(QStringLiteral("pas une date"));
    }
    const auto date = dating::dateAtAmenorrhea(*conception, m_weeks->value(), m_days->value());
    m_dateResult->setText(
        date ? formkit::longText(*date) : QStringLiteral("hors des années prises en charge"));
}

void DatingDialog::apply()
{
    if (!m_retained)
        return;
    emit datingChosen(m_retained->dating);
    accept();
}

namespace datingdialog {

void openDating(QWidget *parent, Pregnancy &pregnancy, const dating::Clock &clock)
{
    auto *dialog = new DatingDialog(pregnancy, clock, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &DatingDialog::datingChosen, &pregnancy, &Pregnancy::applyDating);
    dialog->open();
}

} // namespace datingdialog
