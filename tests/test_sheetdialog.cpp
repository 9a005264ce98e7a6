#include "fixedclock.h"
#include "formkit/qttranslations.h"
#include "mainwindow/form1.h"
#include "pregnancy/pregnancy.h"
#include "sheetdialog/SheetDialog.h"
#include "sheetdialog/savefolder.h"
#include "sheetdialog/sheethook.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

namespace {

QString previewOf(const SheetDialog &dialog)
{
    return dialog.findChild<QTextBrowser *>(QStringLiteral("apercu"))->toPlainText();
}

QPushButton *button(const SheetDialog &dialog, const char *name)
{
    return dialog.findChild<QPushButton *>(QString::fromLatin1(name));
}

dating::Date dateOf(const char *text)
{
    return dating::readsAsDate(text).value();
}

// The pregnancy of a last period on 01/03/2026: DG 15/03/2026.
struct Dated
{
    explicit Dated(const dating::Clock &clock)
        : pregnancy(clock)
    {
        pregnancy.enterLastPeriod(dateOf("01/03/2026"));
    }
    Pregnancy pregnancy;
};

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A window with the controls the hook works with, laid out as in the calendar: a frame holding
// the entry fields, a label, the weeks list.
struct Window
{
    explicit Window(const dating::Clock &clock)
        : pregnancy(clock)
    {
        pregnancy.enterLastPeriod(dateOf("01/03/2026"));
        lay();
    }
    Pregnancy pregnancy;
    QWidget widget;
    QGroupBox *frame = new QGroupBox(QStringLiteral("Dates"), &widget);
    QLineEdit *dateDR = new QLineEdit(QStringLiteral("01/03/2026"), frame);
    QLineEdit *dateDG = new QLineEdit(QStringLiteral("15/03/2026"), frame);
    QLineEdit *nbreSA = new QLineEdit(QStringLiteral("40 S.A"), frame);
    QLineEdit *DateDTT = new QLineEdit(QStringLiteral("27/12/2026"), frame);
    QLabel *label = new QLabel(QStringLiteral("Dern.Règles"), &widget);
    QListWidget *ListeSA = new QListWidget(&widget);

    void lay()
    {
        widget.resize(600, 400);
        frame->setGeometry(10, 10, 400, 200);
        dateDR->setGeometry(10, 30, 90, 24);
        dateDG->setGeometry(110, 30, 90, 24);
        nbreSA->setGeometry(210, 30, 90, 24);
        DateDTT->setGeometry(310, 30, 80, 24);
        label->setGeometry(10, 220, 100, 20);
        ListeSA->setGeometry(420, 10, 100, 300);
        ListeSA->addItems({ QStringLiteral("2"), QStringLiteral("3") });
        dateDR->setContextMenuPolicy(Qt::NoContextMenu); // as the calendar's: the right button writes today
        dateDG->setContextMenuPolicy(Qt::NoContextMenu);
    }
    sheetdialog::WindowTips tips() const { return { nbreSA, DateDTT, dateDG }; }
};

// A right click's menu request on a control, as the window system sends it.
void rightClick(QWidget *control)
{
    const QPoint inside(5, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside, control->mapToGlobal(inside));
    QApplication::sendEvent(control, &event);
}

// Whether a right click on the control brings up a menu (closed again at once).
bool rightClickShowsAMenu(QWidget *control)
{
    bool shown = false;
    QTimer::singleShot(0, control, [&shown] {
        if (auto *popup = QApplication::activePopupWidget()) {
            shown = true;
            popup->close();
        }
    });
    rightClick(control);
    QCoreApplication::processEvents();
    return shown;
}

} // namespace

class TestSheetDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void previewFollowsTheSituation();
    void copyPutsTextAndHtmlOnTheClipboard();
    void savesAPdf();
    void printsThroughThePrintDialog();
    void exportsTheCalendarThenOffersToOpenIt();
    void saveFolderIsDocumentsThenTheLastOne();
    void saveDialogSpeaksFrenchAndFollowsTheLastSave();
    void noDateNoSheet();
    void ctrlPOpensTheSheetForTheWindowsFields();
    void contextMenuOnFramesAndLabelsOnly();
    void tooltipsFollowDG();
    void theCalendarWindowOpensTheSheet();

private:
    QString documentsFolder() const { return m_dir.filePath(QStringLiteral("Documents")); }

    QTemporaryDir m_dir;
    bool m_qtSpeaksFrench = false;
};

void TestSheetDialog::initTestCase()
{
    // The dialog proposes files in the user's documents: a home of the test's own.
    qputenv("HOME", m_dir.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
    // Qt's own file dialog, the one a desktop without a platform theme gets, and Qt's texts in
    // French as the program loads them.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    m_qtSpeaksFrench = formkit::loadQtTranslations(*QCoreApplication::instance());
}

void TestSheetDialog::init()
{
    QVERIFY(m_dir.isValid());
    QApplication::clipboard()->clear();
    sheetdialog::thisRunsSaveFolder() = {};
}

void TestSheetDialog::previewFollowsTheSituation()
{
    const FixedClock clock(tuesdayAfternoon);
    Dated dated(clock);
    SheetDialog dialog(dated.pregnancy, clock);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(previewOf(dialog).contains(QStringLiteral("40 SA + 2 j")));
    QVERIFY(previewOf(dialog).contains(QStringLiteral("du 03/11/2026 au 22/02/2027")));

    // Twins, chosen with the keyboard as a user would.
    auto *fetuses = dialog.findChild<QComboBox *>(QStringLiteral("foetus"));
    fetuses->setFocus();
    QTest::keyClick(fetuses, Qt::Key_Down);
    QCOMPARE(fetuses->currentIndex(), 1);
    const QString twins = previewOf(dialog);
    QVERIFY2(twins.contains(QStringLiteral("du 22/09/2026 au 17/05/2027 ; reprise du travail le 18/05/2027")),
        qPrintable(twins));
    QVERIFY(!twins.contains(QStringLiteral("du 03/11/2026 au 22/02/2027")));
    QVERIFY(twins.contains(QStringLiteral("12 semaines avant la DPA, 22 après")));

    // Two children already in care do not change a twin pregnancy's leave.
    auto *children = dialog.findChild<QComboBox *>(QStringLiteral("enfants"));
    children->setFocus();
    QTest::keyClick(children, Qt::Key_Down);
    QTest::keyClick(children, Qt::Key_Down);
    QCOMPARE(children->currentIndex(), 2);
    QVERIFY(previewOf(dialog).contains(QStringLiteral("du 22/09/2026 au 17/05/2027")));
}

void TestSheetDialog::copyPutsTextAndHtmlOnTheClipboard()
{
    const FixedClock clock(tuesdayAfternoon);
    Dated dated(clock);
    SheetDialog dialog(dated.pregnancy, clock);
    dialog.show();
    QTest::keyClicks(dialog.findChild<QLineEdit *>(QStringLiteral("patiente")), QStringLiteral("Mme Durand"));
    QTest::mouseClick(button(dialog, "copier"), Qt::LeftButton);

    const QMimeData *copied = QApplication::clipboard()->mimeData();
    QVERIFY(copied && copied->hasText() && copied->hasHtml());
    QVERIFY(copied->text().startsWith(QStringLiteral("Fiche de grossesse\nPatiente : Mme Durand\n")));
    QVERIFY(copied->text().contains(QStringLiteral("- Âge gestationnel le 08/12/2026 : 40 SA + 2 j")));
    QVERIFY(copied->html().contains(QStringLiteral("Mme Durand")));
    QVERIFY(copied->html().contains(QStringLiteral("<img src=\"data:image/png;base64,")));
}

void TestSheetDialog::savesAPdf()
{
    const FixedClock clock(tuesdayAfternoon);
    Dated dated(clock);
    SheetDialog dialog(dated.pregnancy, clock);
    const QString path = m_dir.filePath(QStringLiteral("fiche.pdf"));
    QString suggested;
    dialog.setFileChooser([&](QWidget *, const QString &, const QString &proposed, const QString &) {
        suggested = proposed;
        return path;
    });
    dialog.show();
    QTest::mouseClick(button(dialog, "pdf"), Qt::LeftButton);
    QVERIFY(suggested.endsWith(QStringLiteral("fiche-grossesse-dpa-2026-12-15.pdf")));
    const QByteArray pdf = contentOf(path);
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(pdf.size() > 10000);
    QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("etat"))->text().contains(QStringLiteral("fiche.pdf")));

    // A place that cannot be written: said in the dialog, no file.
    dialog.setFileChooser([&](QWidget *, const QString &, const QString &, const QString &) {
        return m_dir.filePath(QStringLiteral("absent/fiche.pdf"));
    });
    QTest::mouseClick(button(dialog, "pdf"), Qt::LeftButton);
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("absent/fiche.pdf"))));
    QVERIFY(
        dialog.findChild<QLabel *>(QStringLiteral("etat"))->text().startsWith(QStringLiteral("Impossible")));
}

void TestSheetDialog::printsThroughThePrintDialog()
{
    const FixedClock clock(tuesdayAfternoon);
    Dated dated(clock);
    SheetDialog dialog(dated.pregnancy, clock);
    dialog.show();
    // The system's print dialog, answered as a user would, with a PDF file as the printer.
    const QString path = m_dir.filePath(QStringLiteral("imprime.pdf"));
    bool answered = false;
    QStringList printButtons;
    QTimer::singleShot(0, this, [&] {
        if (auto *printDialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget())) {
            // No printer on the test machine: the dialog offers a PDF file, named in its field.
            auto *fileName = printDialog->findChild<QLineEdit *>(QStringLiteral("filename"));
            if (!fileName)
                return;
            fileName->selectAll();
            QTest::keyClicks(fileName, path);
            for (const QAbstractButton *button : printDialog->findChild<QDialogButtonBox *>()->buttons())
                printButtons << button->text().remove(u'&');
            printDialog->accept();
            answered = true;
        }
    });
    QTest::mouseClick(button(dialog, "imprimer"), Qt::LeftButton);
    QVERIFY(answered);
    // Qt's own dialog, in French as the rest of the program.
    QVERIFY2(
        printButtons.contains(QStringLiteral("Imprimer")) && printButtons.contains(QStringLiteral("Annuler")),
        qPrintable(printButtons.join(u", ")));
    const QByteArray pdf = contentOf(path);
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(pdf.size() > 10000);
}

void TestSheetDialog::exportsTheCalendarThenOffersToOpenIt()
{
    const FixedClock clock(tuesdayAfternoon);
    Dated dated(clock);
    SheetDialog dialog(dated.pregnancy, clock);
    const QString path = m_dir.filePath(QStringLiteral("agenda.ics"));
    QString offered;
    dialog.setFileChooser([&](QWidget *, const QString &, const QString &, const QString &) { return path; });
    dialog.setCalendarOffer([&](QWidget *, const QString &file) { offered = file; });
    dialog.show();
    QTest::mouseClick(button(dialog, "agenda"), Qt::LeftButton);
    QCOMPARE(offered, path);
    const QByteArray ics = contentOf(path);
    QVERIFY(ics.startsWith("BEGIN:VCALENDAR\r\n"));
    // 15 for the exams, scans and leave, 11 for the care pathway without rhesus or birth date.
    QCOMPARE(ics.count("BEGIN:VEVENT"), 26);
    QVERIFY(ics.contains("DTSTART;VALUE=DATE:20261215\r\nDTEND;VALUE=DATE:20261216\r\n")); // the DPA

    // Cancelled: nothing written, nothing offered.
    offered.clear();
    QFile::remove(path);
    dialog.setFileChooser(
        [](QWidget *, const QString &, const QString &, const QString &) { return QString(); });
    QTest::mouseClick(button(dialog, "agenda"), Qt::LeftButton);
    QVERIFY(offered.isEmpty());
    QVERIFY(!QFile::exists(path));
}

void TestSheetDialog::saveFolderIsDocumentsThenTheLastOne()
{
    sheetdialog::SaveFolder folder;
    QDir(documentsFolder()).removeRecursively();
    QCOMPARE(folder.startingFolder(), QDir::homePath()); // no documents folder: not the working directory

    QVERIFY(QDir().mkpath(documentsFolder()));
    QCOMPARE(folder.startingFolder(), documentsFolder());

    const QString elsewhere = m_dir.filePath(QStringLiteral("dossiers/Mme D"));
    QVERIFY(QDir().mkpath(elsewhere));
    folder.remember(elsewhere + QStringLiteral("/fiche.pdf"));
    QCOMPARE(folder.startingFolder(), elsewhere);

    // The folder went away since: back to the documents.
    QVERIFY(QDir(elsewhere).removeRecursively());
    QCOMPARE(folder.startingFolder(), documentsFolder());
}

namespace {

// What the user sees of Qt's file dialog: where it opens, the name it proposes, its labels and
// buttons (without their shortcut marks).
struct FileDialogSeen
{
    QString folder;
    QString name;
    QStringList labels;
    QStringList buttons;
};

FileDialogSeen seenIn(QFileDialog &dialog)
{
    FileDialogSeen seen { dialog.directory().absolutePath(),
        dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text(), {}, {} };
    for (const char *name : { "lookInLabel", "fileNameLabel", "fileTypeLabel" })
        seen.labels << dialog.findChild<QLabel *>(QString::fromLatin1(name))->text().remove(u'&');
    for (const QAbstractButton *button : dialog.findChild<QDialogButtonBox *>()->buttons())
        seen.buttons << button->text().remove(u'&');
    return seen;
}

QAbstractButton *dialogButton(QFileDialog &dialog, QDialogButtonBox::StandardButton which)
{
    return dialog.findChild<QDialogButtonBox *>()->button(which);
}

} // namespace

// The dialog behind "Enregistrer en PDF…" is Qt's, in French; it opens in the documents folder,
// and the next one, for the calendar, where the PDF went.
void TestSheetDialog::saveDialogSpeaksFrenchAndFollowsTheLastSave()
{
    QVERIFY2(m_qtSpeaksFrench, "Qt's French catalogue (qtbase_fr.qm, qt6-translations-l10n) is missing");
    QVERIFY(QDir().mkpath(documentsFolder()));
    const QString elsewhere = m_dir.filePath(QStringLiteral("dossier patiente"));
    QVERIFY(QDir().mkpath(elsewhere));
    const QString chosen = elsewhere + QStringLiteral("/fiche.pdf");
    const FixedClock clock(tuesdayAfternoon);
    Dated dated(clock);
    SheetDialog dialog(dated.pregnancy, clock);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    FileDialogSeen pdf;
    QImage picture;
    QTimer::singleShot(0, this, [&] {
        auto *fileDialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!fileDialog || !QTest::qWaitForWindowExposed(fileDialog))
            return;
        pdf = seenIn(*fileDialog);
        picture = fileDialog->grab().toImage();
        // A name typed with its folder, as a user may, then Enregistrer.
        auto *name = fileDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        name->selectAll();
        QTest::keyClicks(name, chosen);
        QTest::mouseClick(dialogButton(*fileDialog, QDialogButtonBox::Save), Qt::LeftButton);
    });
    QTest::mouseClick(button(dialog, "pdf"), Qt::LeftButton);

    QCOMPARE(pdf.folder, documentsFolder());
    QCOMPARE(pdf.name, QStringLiteral("fiche-grossesse-dpa-2026-12-15.pdf"));
    QCOMPARE(pdf.labels,
        QStringList({ QStringLiteral("Voir dans :"), QStringLiteral("Nom de fichier :"),
            QStringLiteral("Fichiers de type :") }));
    QCOMPARE(pdf.buttons, QStringList({ QStringLiteral("Enregistrer"), QStringLiteral("Annuler") }));
    QVERIFY(contentOf(chosen).startsWith("%PDF-"));
    QVERIFY(!picture.isNull());
    if (const QString shots = qEnvironmentVariable("WINDOW_SHOTS"); !shots.isEmpty())
        QVERIFY(picture.save(QDir(shots).filePath(QStringLiteral("save-dialog-fr.png"))));

    FileDialogSeen calendar;
    QTimer::singleShot(0, this, [&] {
        if (auto *fileDialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            calendar = seenIn(*fileDialog);
            QTest::mouseClick(dialogButton(*fileDialog, QDialogButtonBox::Cancel), Qt::LeftButton);
        }
    });
    QTest::mouseClick(button(dialog, "agenda"), Qt::LeftButton);
    QCOMPARE(calendar.folder, elsewhere);
    QCOMPARE(calendar.name, QStringLiteral("fiche-grossesse-dpa-2026-12-15.ics"));
    QVERIFY(!QFile::exists(elsewhere + QStringLiteral("/fiche-grossesse-dpa-2026-12-15.ics")));
}

void TestSheetDialog::noDateNoSheet()
{
    // A real date whose delivery leaves the supported years: the sheet says why, in its own words.
    const FixedClock clock(tuesdayAfternoon);
    Pregnancy pregnancy(clock);
    pregnancy.enterConception(dateOf("01/06/2199"));
    SheetDialog dialog(pregnancy, clock);
    dialog.show();
    QVERIFY(!previewOf(dialog).contains(QStringLiteral("ne contient pas une date")));
    QVERIFY2(
        previewOf(dialog).contains(QStringLiteral("le début de grossesse du 01/06/2199 donne des dates hors "
                                                  "des années prises en charge (1900 à 2199)")),
        qPrintable(previewOf(dialog)));
    for (const char *name : { "imprimer", "pdf", "copier", "agenda" })
        QVERIFY2(!button(dialog, name)->isEnabled(), name);
}

void TestSheetDialog::ctrlPOpensTheSheetForTheWindowsFields()
{
    const FixedClock clock(tuesdayAfternoon);
    Window window(clock);
    window.pregnancy.enterConception(dateOf("20/03/2026")); // entered directly, DR no longer agrees
    sheetdialog::installSheetHook(&window.widget, window.pregnancy, window.tips(), clock);
    window.widget.show();
    QVERIFY(QTest::qWaitForWindowActive(&window.widget));

    QTest::keyClick(&window.widget, Qt::Key_P, Qt::ControlModifier);
    auto *dialog = window.widget.findChild<SheetDialog *>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Fiche de grossesse"));
    QVERIFY(previewOf(*dialog).contains(QStringLiteral("dimanche 20 décembre 2026 (DG + 9 mois)")));
    QVERIFY(previewOf(*dialog).contains(QStringLiteral("DG a été saisi directement")));
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(!window.widget.findChild<SheetDialog *>()); // released when closed
}

void TestSheetDialog::contextMenuOnFramesAndLabelsOnly()
{
    const FixedClock clock(tuesdayAfternoon);
    Window window(clock);
    sheetdialog::installSheetHook(&window.widget, window.pregnancy, window.tips(), clock);
    window.widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.widget));

    for (QWidget *offering :
        { static_cast<QWidget *>(window.label), static_cast<QWidget *>(window.frame), &window.widget }) {
        QString item;
        QTimer::singleShot(0, this, [&item] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                item = menu->actions().value(0)->text();
                menu->actions().value(0)->trigger();
                menu->close();
            }
        });
        rightClick(offering);
        QCOMPARE(item, QStringLiteral("Fiche de grossesse…"));
        auto *dialog = window.widget.findChild<SheetDialog *>();
        QVERIFY2(dialog, qPrintable(offering->metaObject()->className()));
        delete dialog;
    }
    // The entry fields write today with their right button and the weeks list converts: no menu.
    for (QWidget *control : { static_cast<QWidget *>(window.dateDR), static_cast<QWidget *>(window.dateDG),
             window.ListeSA->viewport() }) {
        const bool menuShown = rightClickShowsAMenu(control);
        QVERIFY(!menuShown);
        QVERIFY(!window.widget.findChild<SheetDialog *>());
    }
}

void TestSheetDialog::tooltipsFollowDG()
{
    const FixedClock clock(tuesdayAfternoon);
    Window window(clock);
    sheetdialog::installSheetHook(&window.widget, window.pregnancy, window.tips(), clock);
    QCOMPARE(window.nbreSA->toolTip(), QStringLiteral("40 SA + 2 j révolues depuis les dernières règles"));
    QCOMPARE(window.DateDTT->toolTip(),
        QStringLiteral("Terme dépassé (42 SA + 0 j) le 20/12/2026, selon le CNGOF (2011)"));

    // Every change of the pregnancy, whoever made it.
    window.pregnancy.enterConception(dateOf("05/12/2026"));
    QCOMPARE(window.nbreSA->toolTip(), QStringLiteral("2 SA + 3 j révolues depuis les dernières règles"));
    QCOMPARE(window.DateDTT->toolTip(),
        QStringLiteral("Terme dépassé (42 SA + 0 j) le 11/09/2027, selon le CNGOF (2011)"));
}

void TestSheetDialog::theCalendarWindowOpensTheSheet()
{
    const FixedClock clock(tuesdayAfternoon);
    form1 window(clock);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *dateDR = window.findChild<QLineEdit *>(QStringLiteral("dateDR"));
    dateDR->selectAll();
    QTest::keyClicks(dateDR, QStringLiteral("01/03/2026"));
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("nbreSA"))->toolTip(),
        QStringLiteral("40 SA + 2 j révolues depuis les dernières règles"));
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("DateDTT"))->toolTip(),
        QStringLiteral("Terme dépassé (42 SA + 0 j) le 20/12/2026, selon le CNGOF (2011)"));

    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    auto *dialog = window.findChild<SheetDialog *>();
    QVERIFY(dialog);
    QVERIFY(previewOf(*dialog).contains(QStringLiteral("40 SA + 2 j")));
    QVERIFY(previewOf(*dialog).contains(QStringLiteral("date saisie ; DG = DR + 14 jours")));
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(!window.findChild<SheetDialog *>());

    // The entry fields and the weeks list keep their right button: no menu, no sheet.
    for (QWidget *control : { static_cast<QWidget *>(dateDR),
             static_cast<QWidget *>(window.findChild<QLineEdit *>(QStringLiteral("dateDG"))),
             window.findChild<QListWidget *>(QStringLiteral("ListeSA"))->viewport() }) {
        const bool menuShown = rightClickShowsAMenu(control);
        QVERIFY2(!menuShown, qPrintable(control->objectName()));
        QVERIFY(!window.findChild<SheetDialog *>());
    }
}

QTEST_MAIN(TestSheetDialog)
#include "test_sheetdialog.moc"
