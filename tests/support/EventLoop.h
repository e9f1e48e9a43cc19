#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

// Runs what is queued (posted commands and events, and what they post in turn) for a number of
// rounds, without waiting for any timer. A window that keeps scheduling work for itself, such
// as a paint that asks for the next paint, keeps running once per round.
inline void RunPostedEvents(int rounds = 10) {
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

// Counts the events of one type that a widget (or any object) receives.
class EventCounter : public QObject {
public:
    EventCounter(QObject* watched, QEvent::Type type) : m_type(type) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == m_type) {
            ++count;
        }
        return false;
    }
    int count = 0;

private:
    QEvent::Type m_type;
};
