#pragma once

#include <QEvent>
#include <cstdint>

// The camera event: graph notifications (wParam 0, lParam 0) and delivered still frames
// (wParam the frame's length, lParam the address of its bytes in the still-frame slot).
class CameraEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 1);
    CameraEvent(std::uintptr_t wParam, std::intptr_t lParam)
        : QEvent(kType), wParam(wParam), lParam(lParam) {}
    const std::uintptr_t wParam;
    const std::intptr_t lParam;
};
