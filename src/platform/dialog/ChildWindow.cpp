#include "platform/dialog/ChildWindow.h"

#include <QApplication>

int ChildWindow::DoModal() {
    if (!OnInitDialog()) {
        return 0;
    }
    qApp->installEventFilter(this);
    return exec();
}

void ChildWindow::done(int r) {
    // What runs for the window and its key rule end with it, so that the main window's are its
    // own again.
    OnClose();
    qApp->removeEventFilter(this);
    QDialog::done(r);
}

void ChildWindow::reject() {
    done(IDCANCEL);
}

bool ChildWindow::PreTranslateMessage(QObject*, QEvent* event) {
    return event->type() == QEvent::KeyPress;
}

bool ChildWindow::Sees(QWidget* widget, QEvent::Type) const {
    return widget->window() == this;
}

bool ChildWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress ||
        type == QEvent::MouseButtonDblClick) {
        // The dialogs the window opens keep their own keys and clicks.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && Sees(widget, type)) {
            return PreTranslateMessage(watched, event);
        }
    }
    return Dialog::eventFilter(watched, event);
}
