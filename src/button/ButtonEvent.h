#pragma once

#include <QEvent>

// The button message: one for each press, posted by the reader thread to the hidden button
// window.
class ButtonEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 101);
    ButtonEvent() : QEvent(kType) {}
};
