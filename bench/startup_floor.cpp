#include "firstpaint.h"
#include "formkit/entryfield.h"
#include "mainwindow/layout.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace {

// A widget of the row's kind with its caption, and nothing else of the row.
QWidget *plainWidget(layout::Controls &made, const layout::Control &control, QWidget *parent)
{
    return std::visit(
        [&](auto slot) -> QWidget * {
            using Widget = std::remove_pointer_t<std::remove_reference_t<decltype(made.*slot)>>;
            auto *widget = new Widget(parent);
            made.*slot = widget;
            const QString caption = QString::fromUtf8(control.caption);
            if constexpr (std::is_base_of_v<QGroupBox, Widget>)
                widget->setTitle(caption);
            else if constexpr (!std::is_base_of_v<QListWidget,
                                   Widget> && !std::is_base_of_v<QScrollBar, Widget>)
                widget->setText(caption);
            return widget;
        },
        control.slot);
}

} // namespace

// The floor of a start-up: a bare Qt program with the calendar's widgets, of the same kinds,
// captions and rectangles, and its timer, but no fonts, colours, rules or list rows.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(layout::clientWidth / 15, layout::clientHeight / 15);
    layout::Controls made {};
    for (const layout::Control &control : layout::controls()) {
        QWidget *parent = control.container ? made.*(control.container) : &window;
        QWidget *widget = plainWidget(made, control, parent);
        widget->setObjectName(QString::fromLatin1(control.name));
        widget->setGeometry(control.left / 15, control.top / 15, control.width / 15, control.height / 15);
    }
    QTimer timer;
    timer.start(1000);
    const QuitAfterFirstPaint quit(&window);
    window.show();
    return app.exec();
}
