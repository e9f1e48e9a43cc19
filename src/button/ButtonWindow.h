#pragma once

#include <QObject>
#include <functional>

// The hidden object on the user-interface thread that receives the button message and hands
// the press on.
class ButtonWindow : public QObject {
public:
    explicit ButtonWindow(std::function<void()> onPress);

protected:
    bool event(QEvent* e) override;

private:
    std::function<void()> m_onPress;
};
