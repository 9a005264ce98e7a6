#include "sheethook.h"

#include "SheetDialog.h"
#include "sheet/sheet.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>

namespace sheetdialog {

namespace {

// Right-clicks on frames and labels, which have no menu of their own, reach the window; the
// controls whose right button does something (the entry fields, the lists) are left alone.
bool offersSheetMenu(const QWidget *window, const QWidget *under)
{
    return under == nullptr || under == window || qobject_cast<const QGroupBox *>(under)
        || qobject_cast<const QLabel *>(under);
}

void updateTips(const WindowFields &fields, const dating::Clock &clock)
{
    fields.nbreSA->setToolTip(sheet::completedWeeksTip(fields.dateDG->text(), clock.now().date));
    fields.DateDTT->setToolTip(sheet::overdueTip(fields.dateDG->text()));
}

} // namespace

void openSheet(QWidget *window, const WindowFields &fields, const dating::Clock &clock)
{
    auto *dialog = new SheetDialog(fields.dateDG->text(), fields.dateDR->text(), clock, window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void installSheetHook(QWidget *window, const WindowFields &fields, const dating::Clock &clock)
{
    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), window);
    shortcut->setObjectName(QStringLiteral("ficheGrossesse"));
    QObject::connect(
        shortcut, &QShortcut::activated, window, [=, &clock] { openSheet(window, fields, clock); });

    window->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        window, &QWidget::customContextMenuRequested, window, [=, &clock](const QPoint &position) {
            if (!offersSheetMenu(window, window->childAt(position)))
                return;
            QMenu menu(window);
            menu.addAction(QStringLiteral("Fiche de grossesse…"), QKeySequence(Qt::CTRL | Qt::Key_P), window,
                [=, &clock] { openSheet(window, fields, clock); });
            menu.exec(window->mapToGlobal(position));
        });

    // R2 rewrites nbreSA whenever DG changes, and again past midnight.
    QObject::connect(
        fields.nbreSA, &QLineEdit::textChanged, window, [=, &clock] { updateTips(fields, clock); });
    updateTips(fields, clock);
}

} // namespace sheetdialog
