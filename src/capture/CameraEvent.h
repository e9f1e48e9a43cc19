#pragma once

#include <QEvent>
#include <cstdint>

// The camera event: graph notifications (wParam 0, lParam 0) and delivered still frames
// (wParam the frame's length, lParam the address of its bytes in the still-frame slot; 0 and 0
// from the movie graph). graphNotification tells the graph's own notifications from a still
// frame of the movie graph, which carries the same parameters.
class CameraEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 1);
    CameraEvent(std::uintptr_t wParam, std::intptr_t lParam, bool graphNotification = false)
        : QEvent(kType), wParam(wParam), lParam(lParam), graphNotification(graphNotification) {}
    const std::uintptr_t wParam;
    const std::intptr_t lParam;
    const bool graphNotification;
};
