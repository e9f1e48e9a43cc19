#include "button/ButtonWindow.h"

#include "button/ButtonEvent.h"

ButtonWindow::ButtonWindow(std::function<void()> onPress) : m_onPress(std::move(onPress)) {
}

bool ButtonWindow::event(QEvent* e) {
    if (e->type() == ButtonEvent::kType && m_onPress) {
        m_onPress();
    }
    return QObject::event(e);
}
