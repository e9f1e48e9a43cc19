#include "button/ButtonPoll.h"

ButtonPoll::ButtonPoll(int& pressedFlag) : m_pressed(pressedFlag) {
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { OnTimer(); });
}

void ButtonPoll::Start(std::function<void()> onPress) {
    ++m_generation;
    m_onPress = std::move(onPress);
    m_timer.start(kPeriodMs);
}

void ButtonPoll::Stop() {
    ++m_generation;
    m_timer.stop();
}

void ButtonPoll::OnTimer() {
    const unsigned generation = m_generation;
    if (m_pressed != 0) {
        m_pressed = 0;
        // A copy: the action may hand the poll to another window.
        if (const std::function<void()> onPress = m_onPress) {
            onPress();
        }
    }
    if (generation == m_generation) {
        m_timer.start(kPeriodMs);
    }
}
