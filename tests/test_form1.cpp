#include "fixedclock.h"
#include "mainwindow/form1.h"
#include "pickerdriver.h"
#include "scrollarrows.h"

#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

struct AnsweredBox
{
    QString title;
    QString text;
};

// Answers the next modal message box, whenever it opens within two seconds, and tells what it said.
std::shared_ptr<AnsweredBox> answerNextMessageBox()
{
    auto answered = std::make_shared<AnsweredBox>();
    auto *poll = new QTimer;
    poll->setInterval(10);
    auto *deadline = new QElapsedTimer;
    deadline->start();
    QObject::connect(poll, &QTimer::timeout, [answered, poll, deadline] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box) {
            answered->title = box->windowTitle();
            answered->text = box->text();
            box->accept();
        }
        if (box || deadline->hasExpired(2000)) {
            poll->deleteLater();
            delete deadline;
        }
    });
    poll->start();
    return answered;
}

QPoint scrollArrowCentre(QScrollBar *bar, QStyle::SubControl arrow)
{
    return scrollArrowRect(bar, arrow).center();
}

void clickRow(QListWidget *list, int row, Qt::MouseButton button = Qt::LeftButton)
{
    QListWidgetItem *item = list->item(row);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), button, {}, list->visualItemRect(item).center());
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startUpState();
    void controlsLieInsideTheClientArea();
    void scrollBarsAndFieldsAreInFrontOfWhatTheyOverlap();
    void tabGoesRoundInOrder();
    void clockCaption();
    void midnightRefreshesTheCounts();
    void helpBox();
    void accessKeys();
    void accessibleNamesAndDescriptions();

    void typingALastPeriodOneCharacterAtATime();
    void editingConceptionLeavesLastPeriod();
    void plusAndMinusStepOneDay();
    void plusAndMinusOnTextThatIsNoDate();
    void scrollArrowsStepOneDayPerClick();
    void rightClickWritesToday();
    void enterRewritesAndMovesFocus();
    void helpLineOnFocusAndHover();
    void labelClickMessages_data();
    void labelClickMessages();
    void weeksConverter_data();
    void weeksConverter();
    void weeksListFollowsTheCount_data();
    void weeksListFollowsTheCount();
    void deliveryBox();
    void notesThatCannotBeWrittenSaySo();
    void doubleClickOpensThePickerOnTheFieldsDate_data();
    void doubleClickOpensThePickerOnTheFieldsDate();
    void okFromDGRecomputesTheWindowBeforeClosing();
    void okFromDRRunsTheCascade();

private:
    template<class Widget> Widget *child(const char *name) const
    {
        auto *widget = m_window->findChild<Widget *>(QString::fromLatin1(name));
        // Fails the test in a Release build too, where an assertion would be compiled out.
        if (!widget)
            qFatal("form1 has no control named %s", name);
        return widget;
    }
    QString text(const char *name) const { return child<QLineEdit>(name)->text(); }

    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<form1> m_window;
    QString m_titleWhenShown;
    QTemporaryDir m_windows;
};

void TestForm1::initTestCase()
{
    // The Notes button must never touch a real journal nor start a real editor: a directory
    // in the journal's place leaves nothing to stamp and nothing to open.
    QVERIFY(m_windows.isValid());
    QVERIFY(QDir().mkdir(m_windows.filePath(QStringLiteral("gestiva.txt"))));
    qputenv("windir", QFile::encodeName(m_windows.path()));
}

void TestForm1::init()
{
    m_clock = std::make_unique<FixedClock>(tuesdayAfternoon);
    m_window = std::make_unique<form1>(*m_clock);
    m_window->show();
    // Before any event is processed: the clock's first tick may come while the window is being
    // activated, which takes more than a second under Wine.
    m_titleWhenShown = m_window->windowTitle();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestForm1::cleanup()
{
    m_window.reset();
    m_clock.reset();
}

void TestForm1::startUpState()
{
    QCOMPARE(text("dateDR"), QStringLiteral("27/10/2026"));
    QCOMPARE(text("dateDG"), QStringLiteral("10/11/2026"));
    QCOMPARE(text("dateAP"), QStringLiteral("10/08/2027"));
    QCOMPARE(text("nbreSA"), QStringLiteral("6 S.A"));
    QCOMPARE(text("nbreJours"), QStringLiteral("28 jours"));
    QCOMPARE(child<QListWidget>("ListeSA")->count(), 42);
    QCOMPARE(child<QListWidget>("ListeSA")->currentItem()->text(), QStringLiteral("6"));
    QCOMPARE(child<QListWidget>("ListeSA")->selectedItems().size(), 1);
    for (const auto &[labels, dates, rows] :
        { std::tuple { "listeBIO0", "ListeBIO", 2 }, { "listePN0", "listePN", 9 },
            { "listeUS0", "listeUS", 3 }, { "listeCONGES0", "ListeCONGES", 3 } }) {
        QCOMPARE(child<QListWidget>(labels)->count(), rows);
        QCOMPARE(child<QListWidget>(dates)->count(), rows);
    }
    QCOMPARE(child<QListWidget>("ListeCONGES")->item(0)->text(), QStringLiteral("15/06/2027"));
    QCOMPARE(child<QLabel>("TXTsa")->text(), QStringLiteral("xx Sa le..."));
    QCOMPARE(QApplication::focusWidget(), child<QLineEdit>("dateDG"));
    QCOMPARE(m_titleWhenShown, QStringLiteral("Calendrier Obstétrical pour CLINORAM"));
}

void TestForm1::controlsLieInsideTheClientArea()
{
    const QRect client = m_window->rect();
    QCOMPARE(client.size(), QSize(447, 453));
    const auto widgets = m_window->findChildren<QWidget *>();
    int checked = 0;
    for (QWidget *widget : widgets) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QRect area(widget->mapTo(m_window.get(), QPoint(0, 0)), widget->size());
        QVERIFY2(client.contains(area), qPrintable(widget->objectName()));
        ++checked;
    }
    QCOMPARE(checked, 36);
}

void TestForm1::scrollBarsAndFieldsAreInFrontOfWhatTheyOverlap()
{
    const auto topmostAt = [this](const char *name, QPoint offsetFromTopRight) {
        QWidget *field = child<QWidget>(name);
        return m_window->childAt(field->geometry().topRight() + offsetFromTopRight);
    };
    // The bars cover the right end of their fields: 8 and 16 pixels of it.
    QCOMPARE(topmostAt("dateDR", QPoint(-3, 10)), child<QWidget>("VScroll2"));
    QCOMPARE(topmostAt("dateDG", QPoint(-10, 10)), child<QWidget>("VScroll1"));

    for (const char *name :
        { "dateDR", "dateDG", "dateAP", "dateTERME", "DateDTT", "nbreSA", "nbreJours", "dateSA" })
        QCOMPARE(m_window->childAt(child<QWidget>(name)->geometry().center() - QPoint(10, 0)),
            child<QWidget>(name));
    for (const char *name : { "listeUS0", "listeUS", "listeBIO0", "ListeBIO", "listePN0", "listePN",
             "listeCONGES0", "ListeCONGES", "ListeSA" }) {
        auto *list = child<QListWidget>(name);
        QWidget *hit = m_window->childAt(list->geometry().center());
        QVERIFY2(hit == list->viewport() || hit == list, name);
    }
}

void TestForm1::tabGoesRoundInOrder()
{
    const QStringList order = { "dateDG", "dateAP", "dateSA", "ListeSA", "Command1", "nbreSA", "listePN",
        "listeUS", "ListeCONGES", "listeCONGES0", "listeUS0", "listePN0", "listeBIO0", "ListeBIO",
        "CMDquitter", "Command2", "dateTERME", "DateDTT", "nbreJours", "VScroll1", "VScroll2", "dateDR" };
    QStringList forward;
    for (int i = 0; i <= order.size(); ++i) {
        forward << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(forward, order + QStringList { "dateDG" });

    child<QWidget>("dateDG")->setFocus();
    QStringList backward;
    for (int i = 0; i <= order.size(); ++i) {
        backward.prepend(QApplication::focusWidget()->objectName());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    }
    QCOMPARE(backward, order + QStringList { "dateDG" });
}

void TestForm1::clockCaption()
{
    QTRY_COMPARE_WITH_TIMEOUT(
        m_window->windowTitle(), QStringLiteral("Gestiva1.1 mardi 08/12/2026 à 14:05:09"), 2000);
    m_clock->set({ ymd(2026, 12, 8), { 9, 0, 1 } });
    QTRY_COMPARE_WITH_TIMEOUT(
        m_window->windowTitle(), QStringLiteral("Gestiva1.1 mardi 08/12/2026 à 09:00:01"), 2000);
}

void TestForm1::midnightRefreshesTheCounts()
{
    // DG 10/11/2026 is a Tuesday: on Sunday 15/11 a Sunday is passed, so the weeks move too.
    m_clock->set({ ymd(2026, 12, 13), { 0, 0, 0 } });
    QTRY_COMPARE_WITH_TIMEOUT(text("nbreJours"), QStringLiteral("33 jours"), 2000);
    QCOMPARE(text("nbreSA"), QStringLiteral("7 S.A"));
    QCOMPARE(child<QListWidget>("ListeSA")->currentItem()->text(), QStringLiteral("7"));
    QCOMPARE(text("dateDR"), QStringLiteral("27/10/2026"));
}

void TestForm1::helpBox()
{
    const auto box = answerNextMessageBox();
    QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
    QCOMPARE(box->title, QStringLiteral("AIDE"));
    const QStringList lines = box->text.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[0],
        QStringLiteral("Il suffit d'entrer la Date des Dernières règles ou la date de conception "));
    QCOMPARE(lines[4], QString(80, QLatin1Char('-')));
    QCOMPARE(
        lines[5], QStringLiteral("Mais le TOP c'est d'ouvrir le Calendrier en double-cliquant sur le Champ"));
}

void TestForm1::accessKeys()
{
    QSignalSpy notes(child<QPushButton>("Command1"), &QPushButton::clicked);
    QTest::keyClick(m_window.get(), Qt::Key_T, Qt::AltModifier);
    QTRY_COMPARE(notes.size(), 1);

    const auto box = answerNextMessageBox();
    QTest::keyClick(m_window.get(), Qt::Key_Question, Qt::AltModifier);
    QTRY_COMPARE(box->title, QStringLiteral("AIDE"));

    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::keyClick(m_window.get(), Qt::Key_Q, Qt::AltModifier);
    QTRY_VERIFY(!m_window->isVisible());
}

void TestForm1::accessibleNamesAndDescriptions()
{
    const auto accessible = [this](const char *name, QAccessible::Text what) {
        QAccessibleInterface *interface = QAccessible::queryAccessibleInterface(child<QWidget>(name));
        return interface ? interface->text(what) : QString();
    };
    QCOMPARE(accessible("dateDR", QAccessible::Name), QStringLiteral("Dernières règles"));
    QCOMPARE(accessible("dateAP", QAccessible::Name), QStringLiteral("Accouchement"));
    QCOMPARE(accessible("nbreSA", QAccessible::Name), QStringLiteral("Semaines d'aménorrhée"));
    QVERIFY(accessible("dateDG", QAccessible::Description).startsWith(QStringLiteral("Entrez ou Corrigez")));
    QCOMPARE(
        accessible("nbreJours", QAccessible::Description), QStringLiteral("Nombre de Jour de Grossesse"));

    // Every control that takes the focus has a name of its own.
    for (QWidget *widget : m_window->findChildren<QWidget *>()) {
        if (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty()
            || widget->objectName().startsWith(QLatin1String("qt_")))
            continue;
        QVERIFY2(!QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name).isEmpty(),
            qPrintable(widget->objectName()));
    }
}

void TestForm1::typingALastPeriodOneCharacterAtATime()
{
    auto *dateDR = child<QLineEdit>("dateDR");
    dateDR->setFocus();
    dateDR->selectAll();
    QTest::keyClick(dateDR, Qt::Key_Backspace);
    QCOMPARE(text("dateDG"), QStringLiteral("10/11/2026"));

    const QString typed = QStringLiteral("01/03/2026");
    for (const QChar c : typed) {
        QTest::keyClick(dateDR, c.toLatin1());
        // "01/03/20" already reads as a date, with its two-digit year.
        const QString expected = dateDR->text() == QLatin1String("01/03/2026") ? QStringLiteral("15/03/2026")
            : dateDR->text().size() >= 8                                       ? QStringLiteral("15/03/2020")
                                                                               : QStringLiteral("10/11/2026");
        QCOMPARE(text("dateDG"), expected);
        QCOMPARE(text("dateAP"),
            expected == QLatin1String("10/11/2026")       ? QStringLiteral("10/08/2027")
                : expected == QLatin1String("15/03/2020") ? QStringLiteral("15/12/2020")
                                                          : QStringLiteral("15/12/2026"));
    }
    QCOMPARE(text("dateDR"), typed);
    QCOMPARE(text("dateTERME"), QStringLiteral("15/11/2026"));
    QCOMPARE(text("DateDTT"), QStringLiteral("27/12/2026"));
    QCOMPARE(child<QListWidget>("ListeBIO")->item(1)->text(), QStringLiteral("30/08/2026"));
}

void TestForm1::editingConceptionLeavesLastPeriod()
{
    auto *dateDG = child<QLineEdit>("dateDG");
    dateDG->selectAll();
    QTest::keyClicks(dateDG, QStringLiteral("31/05/2026"));
    QCOMPARE(text("dateAP"), QStringLiteral("28/02/2027"));
    QCOMPARE(text("dateDR"), QStringLiteral("27/10/2026"));
}

void TestForm1::plusAndMinusStepOneDay()
{
    auto *dateDR = child<QLineEdit>("dateDR");
    dateDR->setText(QStringLiteral("28/02/2026"));
    dateDR->setFocus();
    QTest::keyClick(dateDR, '+');
    QCOMPARE(text("dateDR"), QStringLiteral("01/03/2026"));
    QCOMPARE(text("dateDG"), QStringLiteral("15/03/2026"));
    QCOMPARE(text("dateAP"), QStringLiteral("15/12/2026"));

    auto *dateDG = child<QLineEdit>("dateDG");
    QTest::keyClick(dateDG, '-');
    QTest::keyClick(dateDG, '-');
    QCOMPARE(text("dateDG"), QStringLiteral("13/03/2026"));
    QCOMPARE(text("dateDR"), QStringLiteral("01/03/2026"));
}

void TestForm1::plusAndMinusOnTextThatIsNoDate()
{
    auto *dateDG = child<QLineEdit>("dateDG");
    dateDG->setText(QStringLiteral("12/13"));
    const QString delivery = text("dateAP");
    for (char key : { '+', '-' }) {
        QTest::keyClick(dateDG, key);
        QCOMPARE(text("dateDG"), QStringLiteral("12/13"));
    }
    auto *bar = child<QScrollBar>("VScroll1");
    QTest::mouseClick(bar, Qt::LeftButton, {}, scrollArrowCentre(bar, QStyle::SC_ScrollBarSubLine));
    QCOMPARE(text("dateDG"), QStringLiteral("12/13"));
    QCOMPARE(bar->value(), 0);
    QCOMPARE(text("dateAP"), delivery);
}

void TestForm1::scrollArrowsStepOneDayPerClick()
{
    auto *bar = child<QScrollBar>("VScroll1");
    child<QLineEdit>("dateDG")->setText(QStringLiteral("15/03/2026"));
    const QPoint upper = scrollArrowCentre(bar, QStyle::SC_ScrollBarSubLine);
    for (int i = 0; i < 10; ++i)
        QTest::mouseClick(bar, Qt::LeftButton, {}, upper);
    QCOMPARE(text("dateDG"), QStringLiteral("25/03/2026"));
    QCOMPARE(bar->value(), 0);

    QTest::mouseClick(bar, Qt::LeftButton, {}, scrollArrowCentre(bar, QStyle::SC_ScrollBarAddLine));
    QCOMPARE(text("dateDG"), QStringLiteral("24/03/2026"));
    QCOMPARE(bar->value(), 0);

    auto *drBar = child<QScrollBar>("VScroll2");
    child<QLineEdit>("dateDR")->setText(QStringLiteral("28/02/2026"));
    QTest::mouseClick(drBar, Qt::LeftButton, {}, scrollArrowCentre(drBar, QStyle::SC_ScrollBarSubLine));
    QCOMPARE(text("dateDR"), QStringLiteral("01/03/2026"));
    QCOMPARE(text("dateDG"), QStringLiteral("15/03/2026"));
    QCOMPARE(drBar->value(), 0);
}

void TestForm1::rightClickWritesToday()
{
    auto *dateDG = child<QLineEdit>("dateDG");
    QTest::mouseClick(dateDG, Qt::LeftButton);
    QCOMPARE(text("dateDG"), QStringLiteral("10/11/2026"));
    QTest::mouseClick(dateDG, Qt::RightButton);
    QCOMPARE(text("dateDG"), QStringLiteral("08/12/2026"));
    QCOMPARE(text("nbreSA"), QStringLiteral("2 S.A"));
    QCOMPARE(QApplication::activePopupWidget(), nullptr);

    QTest::mouseClick(child<QLineEdit>("dateDR"), Qt::RightButton);
    QCOMPARE(text("dateDR"), QStringLiteral("08/12/2026"));
    QCOMPARE(text("dateDG"), QStringLiteral("22/12/2026"));
}

void TestForm1::enterRewritesAndMovesFocus()
{
    auto *dateDR = child<QLineEdit>("dateDR");
    dateDR->setFocus();
    dateDR->setText(QStringLiteral("1-3-26"));
    QTest::keyClick(dateDR, Qt::Key_Return);
    QCOMPARE(text("dateDR"), QStringLiteral("01/03/2026"));
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("dateDG"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("dateAP"));

    child<QLineEdit>("dateDG")->setText(QStringLiteral("15/03"));
    child<QLineEdit>("dateDG")->setFocus();
    QTest::keyClick(child<QLineEdit>("dateDG"), Qt::Key_Return);
    QCOMPARE(text("dateDG"), QStringLiteral("15/03"));
}

void TestForm1::helpLineOnFocusAndHover()
{
    auto *msg = child<QLabel>("msg");
    // The window opened with the focus on dateDG.
    QVERIFY(msg->text().startsWith(QStringLiteral("Entrez ou Corrigez la Date de Conception\n")));
    child<QLineEdit>("dateDR")->setFocus();
    QCOMPARE(msg->text().split(QLatin1Char('\n')).size(), 6);
    QVERIFY(msg->text().startsWith(QStringLiteral("Entrez la date des DR \n\nPour Changer")));

    QTest::mouseMove(child<QWidget>("nbreJours"));
    QTRY_COMPARE(msg->text(), QStringLiteral("Nombre de Jour de Grossesse"));
    QTest::mouseMove(child<QWidget>("nbreSA"));
    QTRY_COMPARE(msg->text(), QStringLiteral("Nombre de Semaines D'aménorhée"));
    QTest::mouseMove(child<QWidget>("dateAP"));
    QTRY_COMPARE(msg->text(), QStringLiteral("Date Calculée de l'accouchement"));
    QTest::mouseMove(child<QListWidget>("ListeSA")->viewport());
    QTRY_VERIFY(
        msg->text().startsWith(QStringLiteral("Choisissez un Nombre de Semaines avec les Ascenceurs\nPuis")));
    QTest::mouseMove(child<QWidget>("dateDG"));
    QTRY_VERIFY(msg->text().startsWith(QStringLiteral("Entrez ou Corrigez")));
}

void TestForm1::labelClickMessages_data()
{
    QTest::addColumn<QString>("labels");
    QTest::addColumn<QString>("dates");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("message");
    QTest::newRow("ultrasound") << "listeUS0"
                                << "listeUS" << 1
                                << "Echographie du 2° Trim.(22sa)\n\nA faire vers le dimanche 02 août 2026";
    QTest::newRow("biology") << "listeBIO0"
                             << "ListeBIO" << 1
                             << "BIOLOGIE: -->> O'Sull. (26sa)\n\nVers le dimanche 30 août 2026";
    QTest::newRow("leave")
        << "listeCONGES0"
        << "ListeCONGES" << 0
        << "Date de Début des Congés\n\nPour 15j patho\n\nA partir du  mardi 20 octobre 2026";
    QTest::newRow("prenatal visit")
        << "listePN0"
        << "listePN" << 0
        << "Visite Prénatale du 1° mois\n\nDu dimanche 15 mars 2026\nau mercredi 15 avril 2026";
    QTest::newRow("last prenatal visit")
        << "listePN0"
        << "listePN" << 8
        << "Visite Prénatale du 9° mois\n\nDu dimanche 15 novembre 2026\nau mardi 15 "
           "décembre 2026";
}

void TestForm1::labelClickMessages()
{
    QFETCH(QString, labels);
    QFETCH(QString, dates);
    QFETCH(int, row);
    QFETCH(QString, message);
    // The date lists are rebuilt after a change of DG; the labels stay.
    child<QLineEdit>("dateDG")->setText(QStringLiteral("15/03/2026"));
    auto *labelList = child<QListWidget>(labels.toLatin1().constData());
    auto *dateList = child<QListWidget>(dates.toLatin1().constData());
    clickRow(labelList, row);
    QCOMPARE(child<QLabel>("msg")->text(), message);
    QCOMPARE(dateList->currentRow(), row);

    // Clicked again after another change, the same row tells the new date.
    child<QLineEdit>("dateDG")->setText(QStringLiteral("16/03/2026"));
    clickRow(labelList, row);
    QVERIFY(child<QLabel>("msg")->text() != message);
}

void TestForm1::weeksConverter_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("dateSA");
    QTest::addColumn<QString>("TXTsa");
    QTest::newRow("2 weeks: DG itself") << 0 << "15/03/2026"
                                        << "2 S.A le...";
    QTest::newRow("12 weeks") << 10 << "24/05/2026"
                              << "12 S.A le...";
    QTest::newRow("43 weeks: the overdue date") << 41 << "27/12/2026"
                                                << "43 S.A le...";
}

void TestForm1::weeksConverter()
{
    QFETCH(int, row);
    QFETCH(QString, dateSA);
    QFETCH(QString, TXTsa);
    child<QLineEdit>("dateDG")->setText(QStringLiteral("15/03/2026"));
    clickRow(child<QListWidget>("ListeSA"), row, Qt::RightButton);
    QCOMPARE(text("dateSA"), dateSA);
    QCOMPARE(child<QLabel>("TXTsa")->text(), TXTsa);
}

void TestForm1::weeksListFollowsTheCount_data()
{
    QTest::addColumn<QString>("dateDG");
    QTest::addColumn<QString>("nbreSA");
    QTest::addColumn<QString>("row"); // empty: none selected
    QTest::newRow("14 S.A selects 14") << "15/09/2026"
                                       << "14 S.A"
                                       << "14";
    QTest::newRow("6 S.A selects 6") << "10/11/2026"
                                     << "6 S.A"
                                     << "6";
    QTest::newRow("-1 S.A selects none") << "29/12/2026"
                                         << "-1 S.A"
                                         << "";
}

void TestForm1::weeksListFollowsTheCount()
{
    QFETCH(QString, dateDG);
    QFETCH(QString, nbreSA);
    QFETCH(QString, row);
    child<QLineEdit>("dateDG")->setText(QStringLiteral("01/01/2026"));
    child<QLineEdit>("dateDG")->setText(dateDG);
    QCOMPARE(text("nbreSA"), nbreSA);
    const auto selected = child<QListWidget>("ListeSA")->selectedItems();
    QCOMPARE(selected.isEmpty() ? QString() : selected.first()->text(), row);
}

void TestForm1::deliveryBox()
{
    child<QLineEdit>("dateDG")->setText(QStringLiteral("15/03/2026"));
    const auto box = answerNextMessageBox();
    QTest::mouseDClick(child<QLineEdit>("dateAP"), Qt::LeftButton);
    QCOMPARE(box->title, QStringLiteral("Date Prévisible de l'Accouchement"));
    QCOMPARE(box->text, QStringLiteral("mardi 15 décembre 2026"));
}

void TestForm1::doubleClickOpensThePickerOnTheFieldsDate_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("date");
    QTest::newRow("last period") << "dateDR"
                                 << "Dernières Règles"
                                 << "27/10/2026";
    QTest::newRow("conception") << "dateDG"
                                << "Début de Grossesse"
                                << "10/11/2026";
}

void TestForm1::doubleClickOpensThePickerOnTheFieldsDate()
{
    QFETCH(QString, field);
    QFETCH(QString, caption);
    QFETCH(QString, date);
    QString seenCaption;
    QDate seenDate;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        seenCaption = dialog->windowTitle();
        seenDate = dialog->findChild<QCalendarWidget *>(QStringLiteral("Calendar1"))->selectedDate();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QTest::mouseDClick(child<QLineEdit>(field.toLatin1().constData()), Qt::LeftButton);
    QCOMPARE(seenCaption, caption);
    QCOMPARE(seenDate.toString(QStringLiteral("dd/MM/yyyy")), date);
    QCOMPARE(text(field.toLatin1().constData()), date);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestForm1::okFromDGRecomputesTheWindowBeforeClosing()
{
    auto *dateDG = child<QLineEdit>("dateDG");
    auto *dateAP = child<QLineEdit>("dateAP");
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
    QTest::mouseDClick(dateDG, Qt::LeftButton);
    QVERIFY(opened);
    QCOMPARE(dateDG->text(), QStringLiteral("20/06/2026"));
    QCOMPARE(dateAPWhileOpen, QStringLiteral("20/03/2027"));
    QCOMPARE(dateAP->text(), QStringLiteral("20/03/2027"));
}

void TestForm1::okFromDRRunsTheCascade()
{
    auto *dateDR = child<QLineEdit>("dateDR");
    auto *dateDG = child<QLineEdit>("dateDG");
    dateDR->setText(QStringLiteral("31/01/2026"));
    QSignalSpy writesToDG(dateDG, &QLineEdit::textChanged);
    bool opened = false;
    whenPickerOpens(
        [](Form2 *picker) {
            typeOn(picker, QStringLiteral("+"));
            QTest::mouseClick(button(picker, "cmdOK"), Qt::LeftButton);
        },
        &opened);
    QTest::mouseDClick(dateDR, Qt::LeftButton);
    QVERIFY(opened);
    QCOMPARE(dateDR->text(), QStringLiteral("28/02/2026"));
    QCOMPARE(dateDG->text(), QStringLiteral("14/03/2026"));
    // Once, through R1; the picker never writes dateDG itself.
    QCOMPARE(writesToDG.count(), 1);
}

void TestForm1::notesThatCannotBeWrittenSaySo()
{
    const QString journal = m_windows.filePath(QStringLiteral("gestiva.txt"));
    QTest::keyClick(m_window.get(), Qt::Key_T, Qt::AltModifier);
    QTRY_VERIFY(child<QLabel>("msg")->text().contains(QDir::toNativeSeparators(journal)));
    QVERIFY(QFileInfo(journal).isDir());
    QVERIFY(QDir(journal).isEmpty());
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
