#pragma once

#include <QTimer>
#include <functional>

// The poll of the camera button's pressed flag (the one StartButtonPressDetection registers):
// every 300 ms the window in front looks at the flag, and a set flag is cleared and acted on
// once, however many presses came since the last look. One poll serves the program; the window
// in front says what a press does there. UI thread only.
class ButtonPoll {
public:
    static constexpr int kPeriodMs = 300;

    explicit ButtonPoll(int& pressedFlag);

    // From now on a press does onPress, in place of what it did before; the first look comes
    // one period from now.
    void Start(std::function<void()> onPress);
    // No look at the flag until the next Start.
    void Stop();
    bool IsActive() const { return m_timer.isActive(); }
    const QTimer& timer() const { return m_timer; }

private:
    void OnTimer();

    int& m_pressed;
    std::function<void()> m_onPress;
    QTimer m_timer;
    // Changes with every Start and Stop, so that a look whose action started or stopped the
    // poll does not start it again.
    unsigned m_generation = 0;
};
