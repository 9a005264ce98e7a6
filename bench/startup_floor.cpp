#include "firstpaint.h"
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

QWidget *plainWidget(layout::Kind kind, const QString &caption, QWidget *parent)
{
    switch (kind) {
    case layout::Kind::TextBox:
    case layout::Kind::LockedTextBox:
        return new QLineEdit(caption, parent);
    case layout::Kind::Label:
        return new QLabel(caption, parent);
    case layout::Kind::ListBox:
        return new QListWidget(parent);
    case layout::Kind::ScrollBar:
        return new QScrollBar(Qt::Vertical, parent);
    case layout::Kind::Button:
        return new QPushButton(caption, parent);
    case layout::Kind::Frame:
        return new QGroupBox(caption, parent);
    }
    return nullptr;
}

} // namespace

// The floor of a start-up: a bare Qt program with the calendar's widgets, of the same kinds,
// captions and rectangles, and its timer, but no fonts, colours, rules or list rows.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(layout::clientWidth / 15, layout::clientHeight / 15);
    for (const layout::Control &control : layout::controls()) {
        QWidget *parent = control.container
            ? window.findChild<QWidget *>(QString::fromLatin1(control.container))
            : &window;
        QWidget *widget = plainWidget(control.kind, QString::fromUtf8(control.caption), parent);
        widget->setObjectName(QString::fromLatin1(control.name));
        widget->setGeometry(control.left / 15, control.top / 15, control.width / 15, control.height / 15);
    }
    QTimer timer;
    timer.start(1000);
    const QuitAfterFirstPaint quit(&window);
    window.show();
    return app.exec();
}
