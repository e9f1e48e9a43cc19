#pragma once

#include "platform/dialog/Dialog.h"

#include <QEvent>

// A window shown modally in the main window's place. It ends with IDOK (back to the main
// window) or IDCANCEL (its EXIT button or the system's close command: the program ends). While
// it is shown it sees the key and mouse presses of its own widgets before they are dispatched
// (PreTranslateMessage), and keeps every key press to itself. UI thread only.
class ChildWindow : public Dialog {
    Q_OBJECT

public:
    using Dialog::Dialog;

    // OnInitDialog, then the modal loop; returns the window's result.
    int DoModal();
    void done(int r) override;
    void reject() override;
    // The window ended with EXIT or the system's close command: the program is to end.
    bool EndsProgram() const { return result() == IDCANCEL; }

protected:
    virtual bool OnInitDialog() = 0;
    // Ends what runs only while the window is shown, such as its timers.
    virtual void OnClose() {}
    // Sees a key or mouse press before it is dispatched; true consumes it. Every key press is
    // consumed: Enter, Escape and all other keys do nothing here.
    virtual bool PreTranslateMessage(QObject* target, QEvent* event);
    // Whether a press on widget is one the window sees first: those of its own widgets.
    virtual bool Sees(QWidget* widget, QEvent::Type type) const;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
