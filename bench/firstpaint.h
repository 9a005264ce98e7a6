#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

// Ends the event loop once the window has finished its first paint, so a start-up is timed
// up to the moment the user sees the window. Both start-up programs quit this same way.
class QuitAfterFirstPaint final : public QObject
{
public:
    explicit QuitAfterFirstPaint(QWidget *window)
        : QObject(window)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            // Queued, so the children's paint and the flush of this frame still happen.
            QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_painted = false;
};
