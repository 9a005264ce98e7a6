#include "sheethook.h"

#include "SheetDialog.h"
#include "datingdialog/DatingDialog.h"
#include "formkit/conversions.h"
#include "pregnancy/pregnancy.h"
#include "sheet/sheet.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace sheetdialog {

namespace {

// Right-clicks on frames and labels, which have no menu of their own, reach the window; the
// controls whose right button does something (the entry fields, the lists) are left alone.
bool offersSheetMenu(const QWidget *window, const QWidget *under)
{
    return under == nullptr || under == window || qobject_cast<const QGroupBox *>(under)
        || qobject_cast<const QLabel *>(under);
}

QString completedWeeksTip(const Pregnancy &pregnancy)
{
    const auto conception = pregnancy.conception();
    const auto text = conception
        ? dating::completedWeeksText(dating::amenorrheaDays(*conception, pregnancy.today()))
        : std::nullopt;
    return text ? QStringLiteral("%1 révolues depuis les dernières règles").arg(formkit::toQString(*text))
                : QString();
}

QString overdueTip(const Pregnancy &pregnancy)
{
    const auto conception = pregnancy.conception();
    const auto overdue = conception ? dating::dateAtAmenorrhea(*conception, 42, 0) : std::nullopt;
    if (!overdue)
        return {};
    return QStringLiteral("Terme dépassé (42 SA + 0 j) le %1, selon le CNGOF (2011)")
        .arg(formkit::shortText(*overdue));
}

// dateDG's tooltip names how the conception date was fixed, once it was by more than typing.
QString conceptionTip(const Pregnancy &pregnancy)
{
    if (std::holds_alternative<dating::EnteredDating>(pregnancy.dating())
        || std::holds_alternative<dating::PeriodDating>(pregnancy.dating()))
        return {};
    return QStringLiteral("Début de grossesse %1").arg(sheet::datingText(pregnancy.dating()));
}

void updateTips(const WindowTips &tips, const Pregnancy &pregnancy)
{
    tips.nbreSA->setToolTip(completedWeeksTip(pregnancy));
    tips.DateDTT->setToolTip(overdueTip(pregnancy));
    tips.dateDG->setToolTip(conceptionTip(pregnancy));
}

QAction *addCommand(QWidget *window, const char *name, const QString &text, QKeySequence shortcut)
{
    auto *action = new QAction(text, window);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
}

} // namespace

void openSheet(QWidget *window, Pregnancy &pregnancy, const dating::Clock &clock)
{
    auto *dialog = new SheetDialog(pregnancy, clock, window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void installSheetHook(
    QWidget *window, Pregnancy &pregnancy, const WindowTips &tips, const dating::Clock &clock)
{
    QAction *sheet = addCommand(
        window, "ficheGrossesse", QStringLiteral("Fiche de grossesse…"), QKeySequence(Qt::CTRL | Qt::Key_P));
    QObject::connect(
        sheet, &QAction::triggered, window, [=, &pregnancy, &clock] { openSheet(window, pregnancy, clock); });
    QAction *dating = addCommand(window, "datationGrossesse", QStringLiteral("Datation de la grossesse…"),
        QKeySequence(Qt::CTRL | Qt::Key_D));
    QObject::connect(dating, &QAction::triggered, window,
        [=, &pregnancy, &clock] { datingdialog::openDating(window, pregnancy, clock); });

    window->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(window, &QWidget::customContextMenuRequested, window, [=](const QPoint &position) {
        if (!offersSheetMenu(window, window->childAt(position)))
            return;
        QMenu menu(window);
        menu.addActions({ sheet, dating });
        menu.exec(window->mapToGlobal(position));
    });

    QObject::connect(
        &pregnancy, &Pregnancy::changed, window, [=, &pregnancy] { updateTips(tips, pregnancy); });
    updateTips(tips, pregnancy);
}

} // namespace sheetdialog
