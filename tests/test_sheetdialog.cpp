#include "fixedclock.h"
#include "mainwindow/form1.h"
#include "sheetdialog/SheetDialog.h"
#include "sheetdialog/sheethook.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
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

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A window with the controls the hook works with, laid out as in the calendar: a frame holding
// the entry fields, a label, the weeks list.
struct Window
{
    QWidget widget;
    QGroupBox *frame = new QGroupBox(QStringLiteral("Dates"), &widget);
    QLineEdit *dateDR = new QLineEdit(QStringLiteral("01/03/2026"), frame);
    QLineEdit *dateDG = new QLineEdit(QStringLiteral("15/03/2026"), frame);
    QLineEdit *nbreSA = new QLineEdit(QStringLiteral("40 S.A"), frame);
    QLineEdit *DateDTT = new QLineEdit(QStringLiteral("27/12/2026"), frame);
    QLabel *label = new QLabel(QStringLiteral("Dern.Règles"), &widget);
    QListWidget *ListeSA = new QListWidget(&widget);

    Window()
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
    sheetdialog::WindowFields fields() const { return { dateDG, dateDR, nbreSA, DateDTT }; }
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
    void noDateNoSheet();
    void ctrlPOpensTheSheetForTheWindowsFields();
    void contextMenuOnFramesAndLabelsOnly();
    void tooltipsFollowDG();
    void theCalendarWindowOpensTheSheet();

private:
    QTemporaryDir m_dir;
};

void TestSheetDialog::initTestCase()
{
    // The dialog proposes files in the user's documents: a home of the test's own.
    qputenv("HOME", m_dir.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
}

void TestSheetDialog::init()
{
    QVERIFY(m_dir.isValid());
    QApplication::clipboard()->clear();
}

void TestSheetDialog::previewFollowsTheSituation()
{
    const FixedClock clock(tuesdayAfternoon);
    SheetDialog dialog(QStringLiteral("15/03/2026"), QStringLiteral("01/03/2026"), clock);
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
    SheetDialog dialog(QStringLiteral("15/03/2026"), QStringLiteral("01/03/2026"), clock);
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
    SheetDialog dialog(QStringLiteral("15/03/2026"), QStringLiteral("01/03/2026"), clock);
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
    SheetDialog dialog(QStringLiteral("15/03/2026"), QStringLiteral("01/03/2026"), clock);
    dialog.show();
    // The system's print dialog, answered as a user would, with a PDF file as the printer.
    const QString path = m_dir.filePath(QStringLiteral("imprime.pdf"));
    bool answered = false;
    QTimer::singleShot(0, this, [&] {
        if (auto *printDialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget())) {
            // No printer on the test machine: the dialog offers a PDF file, named in its field.
            auto *fileName = printDialog->findChild<QLineEdit *>(QStringLiteral("filename"));
            if (!fileName)
                return;
            fileName->selectAll();
            QTest::keyClicks(fileName, path);
            printDialog->accept();
            answered = true;
        }
    });
    QTest::mouseClick(button(dialog, "imprimer"), Qt::LeftButton);
    QVERIFY(answered);
    const QByteArray pdf = contentOf(path);
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(pdf.size() > 10000);
}

void TestSheetDialog::exportsTheCalendarThenOffersToOpenIt()
{
    const FixedClock clock(tuesdayAfternoon);
    SheetDialog dialog(QStringLiteral("15/03/2026"), QStringLiteral("01/03/2026"), clock);
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

void TestSheetDialog::noDateNoSheet()
{
    const FixedClock clock(tuesdayAfternoon);
    SheetDialog dialog(QStringLiteral("15/03/"), QStringLiteral(""), clock);
    dialog.show();
    QVERIFY(previewOf(dialog).contains(QStringLiteral("ne contient pas une date")));
    for (const char *name : { "imprimer", "pdf", "copier", "agenda" })
        QVERIFY2(!button(dialog, name)->isEnabled(), name);
}

void TestSheetDialog::ctrlPOpensTheSheetForTheWindowsFields()
{
    const FixedClock clock(tuesdayAfternoon);
    Window window;
    window.dateDG->setText(QStringLiteral("20/03/2026")); // entered directly, DR no longer agrees
    sheetdialog::installSheetHook(&window.widget, window.fields(), clock);
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
    Window window;
    sheetdialog::installSheetHook(&window.widget, window.fields(), clock);
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
    Window window;
    sheetdialog::installSheetHook(&window.widget, window.fields(), clock);
    QCOMPARE(window.nbreSA->toolTip(), QStringLiteral("40 SA + 2 j révolues depuis les dernières règles"));
    QCOMPARE(window.DateDTT->toolTip(),
        QStringLiteral("Terme dépassé (42 SA + 0 j) le 20/12/2026, selon le CNGOF (2011)"));

    // The window rewrites nbreSA after every change of DG.
    window.dateDG->setText(QStringLiteral("05/12/2026"));
    window.nbreSA->setText(QStringLiteral("3 S.A"));
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
