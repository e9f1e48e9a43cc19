#pragma once

#include <QEvent>
#include <cstdint>

// The camera event, posted to the window that takes the graph's news (SetNotifyWindow).
class CameraEvent : public QEvent {
public:
    enum class Kind {
        // The live graph's camera delivered a still frame, which waits in the still-frame slot;
        // wParam is its length and lParam the address of its bytes there.
        StillFrame,
        // The graph queued an error, a warning or the end of its stream (DrainGraphEvents).
        GraphNotification,
        // The movie graph's camera delivered a still frame: its button was pressed.
        Press,
    };
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 1);
    explicit CameraEvent(Kind kind, std::uintptr_t wParam = 0, std::intptr_t lParam = 0)
        : QEvent(kType), kind(kind), wParam(wParam), lParam(lParam) {}
    const Kind kind;
    const std::uintptr_t wParam;
    const std::intptr_t lParam;
};
