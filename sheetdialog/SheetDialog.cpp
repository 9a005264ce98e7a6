#include "SheetDialog.h"

#include "datepicker/datefield.h"
#include "datingdialog/DatingDialog.h"
#include "formkit/conversions.h"
#include "formkit/entryfield.h"
#include "formkit/savefile.h"
#include "pregnancy/pregnancy.h"
#include "savefolder.h"
#include "sheet/sheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString askFileName(QWidget *parent, const QString &caption, const QString &suggested, const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

// The desktop's calendar application for .ics files, if the user has one.
bool hasCalendarApplication()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
        { QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/calendar") });
    return query.waitForFinished(2000) && query.exitCode() == 0
        && !query.readAllStandardOutput().trimmed().isEmpty();
}

void offerCalendarApplication(QWidget *parent, const QString &path)
{
    if (!hasCalendarApplication())
        return;
    const auto answer = QMessageBox::question(parent, QStringLiteral("Agenda"),
        QStringLiteral("Ouvrir « %1 » avec l'application d'agenda ?").arg(QDir::toNativeSeparators(path)));
    if (answer == QMessageBox::Yes)
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace

SheetDialog::SheetDialog(Pregnancy &pregnancy, const dating::Clock &clock, QWidget *parent)
    : QDialog(parent)
    , m_pregnancy(pregnancy)
    , m_clock(clock)
    , m_today(clock.now().date)
    , m_chooseFile(askFileName)
    , m_offerCalendar(offerCalendarApplication)
{
    setObjectName(QStringLiteral("FicheGrossesse"));
    setWindowTitle(sheet::title);
    setLocale(QLocale(QLocale::French));
    buildControls();
    connect(&m_pregnancy, &Pregnancy::changed, this, &SheetDialog::refresh);
    refresh();
}

SheetDialog::~SheetDialog() = default;

void SheetDialog::buildControls()
{
    m_patient = new QLineEdit(this);
    m_patient->setObjectName(QStringLiteral("patiente"));
    m_patient->setPlaceholderText(QStringLiteral("facultatif, imprimé mais jamais enregistré"));
    m_children = new QComboBox(this);
    m_children->setObjectName(QStringLiteral("enfants"));
    m_children->addItems({ QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2 ou plus") });
    m_fetuses = new QComboBox(this);
    m_fetuses->setObjectName(QStringLiteral("foetus"));
    m_fetuses->addItems({ QStringLiteral("1"), QStringLiteral("2 (jumeaux)"), QStringLiteral("3 ou plus") });

    m_rhesusNegative = new QCheckBox(QStringLiteral("&Rhésus négatif"), this);
    m_rhesusNegative->setObjectName(QStringLiteral("rhesus"));
    m_rhesusNegative->setAccessibleName(QStringLiteral("Rhésus négatif"));
    m_birth = new EntryField(this);
    m_birth->setObjectName(QStringLiteral("accouchement"));
    m_birth->setAccessibleName(QStringLiteral("Date d'accouchement"));
    m_birth->setPlaceholderText(
        QStringLiteral("facultative : les dates d'après la naissance partent de la DPA"));
    datepicker::connectDateGestures(m_birth, QStringLiteral("Date d'accouchement"), m_clock);

    auto *form = new QFormLayout;
    m_dating = new QPushButton(QStringLiteral("Da&tation…"), this);
    m_dating->setObjectName(QStringLiteral("datation"));
    m_dating->setToolTip(QStringLiteral("Datation de la grossesse (Ctrl+D) : échographie, cycle, AMP"));
    m_datingLine = new QLabel(this);
    m_datingLine->setObjectName(QStringLiteral("datationRetenue"));
    m_datingLine->setWordWrap(true);
    auto *dating = new QHBoxLayout;
    dating->addWidget(m_datingLine, 1);
    dating->addWidget(m_dating);
    form->addRow(QStringLiteral("Début de grossesse :"), dating);
    form->addRow(QStringLiteral("&Patiente :"), m_patient);
    form->addRow(QStringLiteral("&Enfants déjà à charge :"), m_children);
    form->addRow(QStringLiteral("&Nombre de fœtus :"), m_fetuses);
    form->addRow(QString(), m_rhesusNegative);
    form->addRow(QStringLiteral("Date d'acc&ouchement :"), m_birth);

    m_preview = new QTextBrowser(this);
    m_preview->setObjectName(QStringLiteral("apercu"));
    m_preview->setMinimumSize(720, 480);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("etat"));
    m_status->setWordWrap(true);

    m_print = new QPushButton(QStringLiteral("&Imprimer…"), this);
    m_pdf = new QPushButton(QStringLiteral("Enregistrer en P&DF…"), this);
    m_copy = new QPushButton(QStringLiteral("&Copier"), this);
    m_copySummary = new QPushButton(QStringLiteral("Copier le rés&umé"), this);
    m_copySummary->setObjectName(QStringLiteral("resume"));
    m_calendar = new QPushButton(QStringLiteral("Exporter l'&agenda (.ics)…"), this);
    auto *close = new QPushButton(QStringLiteral("&Fermer"), this);
    m_print->setObjectName(QStringLiteral("imprimer"));
    m_pdf->setObjectName(QStringLiteral("pdf"));
    m_copy->setObjectName(QStringLiteral("copier"));
    m_calendar->setObjectName(QStringLiteral("agenda"));
    close->setObjectName(QStringLiteral("fermer"));
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : { m_print, m_pdf, m_copy, m_copySummary, m_calendar })
        buttons->addWidget(button);
    buttons->addStretch();
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_preview, 1);
    layout->addWidget(m_status);
    layout->addLayout(buttons);

    connect(m_patient, &QLineEdit::textChanged, this, &SheetDialog::refresh);
    connect(m_children, &QComboBox::currentIndexChanged, this, &SheetDialog::refresh);
    connect(m_fetuses, &QComboBox::currentIndexChanged, this, &SheetDialog::refresh);
    connect(m_rhesusNegative, &QCheckBox::toggled, this, &SheetDialog::refresh);
    connect(m_birth, &QLineEdit::textChanged, this, &SheetDialog::refresh);
    connect(m_copySummary, &QPushButton::clicked, this, &SheetDialog::copySummary);
    connect(m_print, &QPushButton::clicked, this, &SheetDialog::print);
    connect(m_pdf, &QPushButton::clicked, this, &SheetDialog::savePdf);
    connect(m_copy, &QPushButton::clicked, this, &SheetDialog::copy);
    connect(m_calendar, &QPushButton::clicked, this, &SheetDialog::exportCalendar);
    connect(m_dating, &QPushButton::clicked, this,
        [this] { datingdialog::openDating(this, m_pregnancy, m_clock); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void SheetDialog::refresh()
{
    const dating::Situation situation { m_children->currentIndex(), m_fetuses->currentIndex() + 1 };
    const auto conception = m_pregnancy.conception();
    m_datingLine->setText(conception ? QStringLiteral("%1, %2").arg(
                              formkit::shortText(*conception), sheet::datingText(m_pregnancy.dating()))
                                     : QString());
    const QString birthText = m_birth->text().trimmed();
    const auto birth = dating::readsAsDate(formkit::toStd(birthText));
    const auto request = conception
        ? std::optional(sheet::Request { *conception, m_pregnancy.dating(), m_today, situation,
            m_patient->text().trimmed(), m_rhesusNegative->isChecked(), birth })
        : std::nullopt;
    const bool birthUnread = !birthText.isEmpty() && !birth;
    auto made = request && !birthUnread ? sheet::makeSheet(*request) : std::nullopt;
    m_sheet = made ? std::make_unique<sheet::Sheet>(std::move(*made)) : nullptr;
    for (QPushButton *button : { m_print, m_pdf, m_copy, m_copySummary, m_calendar })
        button->setEnabled(m_sheet != nullptr);
    if (!m_sheet) {
        const QString why = birthUnread
            ? QStringLiteral("la date d'accouchement « %1 » n'est pas une date").arg(birthText)
            : request ? sheet::refusalText(sheet::refusalOf(*request), *request)
                      : QStringLiteral("aucune date de début de grossesse n'a été saisie");
        m_preview->setPlainText(QStringLiteral("Il n'y a pas de fiche à établir : %1. Corrigez la date des "
                                               "dernières règles ou du début de grossesse dans la fenêtre "
                                               "principale.")
                                    .arg(why));
        return;
    }
    const int scrolled = m_preview->verticalScrollBar() ? m_preview->verticalScrollBar()->value() : 0;
    m_preview->document()->addResource(
        QTextDocument::ImageResource, QUrl(QStringLiteral("frise.png")), sheet::timelinePicture(*m_sheet));
    m_preview->setHtml(sheet::toHtml(*m_sheet, QStringLiteral("frise.png")));
    m_preview->verticalScrollBar()->setValue(scrolled);
}

QString SheetDialog::suggestedPath(const QString &extension) const
{
    const auto &delivery = m_sheet->guidance.delivery;
    const QString name = QStringLiteral("fiche-grossesse-dpa-%1-%2-%3.%4")
                             .arg(int(delivery.year()))
                             .arg(unsigned(delivery.month()), 2, 10, QLatin1Char('0'))
                             .arg(unsigned(delivery.day()), 2, 10, QLatin1Char('0'))
                             .arg(extension);
    return QDir(sheetdialog::thisRunsSaveFolder().startingFolder()).filePath(name);
}

bool SheetDialog::save(const QString &path, const QByteArray &bytes)
{
    const QString problem = formkit::saveWholeFile(path, bytes);
    if (problem.isEmpty()) {
        sheetdialog::thisRunsSaveFolder().remember(path);
        return true;
    }
    tell(QStringLiteral("Impossible d'écrire « %1 » : %2").arg(QDir::toNativeSeparators(path), problem));
    return false;
}

void SheetDialog::tell(const QString &message)
{
    m_status->setText(message);
}

void SheetDialog::print()
{
    if (!m_sheet)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(sheet::title);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Imprimer la fiche"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    sheet::toDocument(*m_sheet)->print(&printer);
    tell(QStringLiteral("Fiche envoyée à l'impression."));
}

void SheetDialog::savePdf()
{
    if (!m_sheet)
        return;
    const QString path = m_chooseFile(this, QStringLiteral("Enregistrer la fiche en PDF"),
        suggestedPath("pdf"), QStringLiteral("PDF (*.pdf)"));
    if (!path.isEmpty() && save(path, sheet::toPdf(*m_sheet)))
        tell(QStringLiteral("Fiche enregistrée : %1").arg(QDir::toNativeSeparators(path)));
}

void SheetDialog::copy()
{
    if (!m_sheet)
        return;
    auto *data = new QMimeData;
    data->setText(sheet::toText(*m_sheet));
    data->setHtml(sheet::toHtml(*m_sheet, sheet::timelineDataUrl(*m_sheet)));
    QGuiApplication::clipboard()->setMimeData(data);
    tell(QStringLiteral("Fiche copiée (texte et HTML), prête à coller dans le dossier."));
}

void SheetDialog::copySummary()
{
    if (!m_sheet)
        return;
    QGuiApplication::clipboard()->setText(sheet::toSummary(*m_sheet));
    tell(QStringLiteral("Résumé copié, prêt à coller dans le dossier."));
}

void SheetDialog::exportCalendar()
{
    if (!m_sheet)
        return;
    const QString path = m_chooseFile(
        this, QStringLiteral("Exporter l'agenda"), suggestedPath("ics"), QStringLiteral("iCalendar (*.ics)"));
    if (path.isEmpty() || !save(path, sheet::toICalendar(*m_sheet, m_today)))
        return;
    tell(QStringLiteral("Agenda exporté : %1").arg(QDir::toNativeSeparators(path)));
    m_offerCalendar(this, path);
}
