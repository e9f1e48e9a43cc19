#include "app/CKestrelDlg.h"

#include "app/ControlIds.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "platform/trace/Trace.h"

#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

// Keys that the classic key-down rule never saw, because the window system delivers them as
// system keys or keeps them for its own shortcuts: a modifier alone, Alt, Ctrl or Meta
// combinations (Alt+Tab, Alt+F4, Ctrl+C) and F10. They take no picture.
bool IsSystemKey(const QKeyEvent& key) {
    switch (key.key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_F10:
        return true;
    default:
        break;
    }
    return (key.modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) != 0;
}

} // namespace

bool CKestrelDlg::IsProgramWindow(QWidget* widget) const {
    QWidget* top = widget->window();
    return top == this || top == &m_compDlg || top == &m_movieDlg ||
           qobject_cast<VideoOutput*>(top) != nullptr;
}

bool CKestrelDlg::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress ||
        type == QEvent::MouseButtonDblClick) {
        auto* widget = qobject_cast<QWidget*>(watched);
        // The dialogs the windows open keep their own keys and clicks.
        if (widget && IsProgramWindow(widget)) {
            const auto* input = static_cast<QInputEvent*>(event);
            // A press that a child leaves to its parents comes by again: act on it once.
            if (input->timestamp() != 0 && input->timestamp() == m_lastFilteredTime &&
                type == m_lastFilteredType) {
                return false;
            }
            m_lastFilteredTime = input->timestamp();
            m_lastFilteredType = type;
            return PreTranslateMessage(watched, event);
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool CKestrelDlg::PreTranslateMessage(QObject* target, QEvent* event) {
    auto* widget = static_cast<QWidget*>(target);
    QWidget* parent = widget->parentWidget();
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        qCDebug(veldorTrace, " WM_KEYDOWN::[%02X/%d] event=%p / parent=%p / cmpdlg=%p / main=%p",
                key->key() & 0xFF, key->nativeScanCode(), static_cast<void*>(widget),
                static_cast<void*>(parent),
                m_compDlg.isVisible() ? static_cast<void*>(&m_compDlg) : nullptr,
                static_cast<void*>(this));
        // The compare and movie windows keep their keys to themselves.
        if (m_mainActive == 0 || widget->window() == &m_compDlg ||
            widget->window() == &m_movieDlg) {
            return false;
        }
        // A held key takes one picture, not one per repeat: a key held down in a dialog that
        // closes would otherwise go on taking pictures behind it.
        if (m_live == 1 && key->isAutoRepeat()) {
            return true;
        }
        if (m_live == 1 && !IsSystemKey(*key)) {
            PostCommand(IDC_CAPTURE);
            return true;
        }
        return false;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (m_videoOutput && widget == m_videoOutput) {
        // While a calibration line is drawn, presses on the live video draw it.
        if (m_videoOutput->Measuring()) {
            return false;
        }
        if (mouse->button() == Qt::RightButton && m_mainActive == 1 && m_viewState == 1) {
            // Not inside the filter: the menu runs an event loop of its own.
            QMetaObject::invokeMethod(
                this, [this, at = mouse->globalPosition().toPoint()] { OnLiveVideoMenu(at); },
                Qt::QueuedConnection);
            return true;
        }
    }
    if (mouse->button() != Qt::LeftButton) {
        return false;
    }
    // The press that ends full screen does only that, wherever it lands. The video ignores
    // presses, and Qt hands an ignored press on to the widget's parent: once the video is back
    // in its window, that would be a thumbnail or the picture area under the press.
    const bool onFullScreenVideo = !parent && qobject_cast<VideoOutput*>(widget) != nullptr;
    if (m_mainActive == 0) {
        if (!onFullScreenVideo) {
            return false;
        }
        static_cast<VideoOutput*>(widget)->SetFullScreen(0, m_keepAspect);
        if (m_compDlg.isVisible()) {
            m_compDlg.FullScreenEnded();
        }
        return true;
    }
    if (parent && parent == m_videoWindow) {
        const bool enter = m_viewMode != 2;
        m_strip.SelectSlot(-1);
        m_live = 1;
        m_viewMode = enter ? 2 : 1;
        UpdateData(false);
        ReturnToLive();
        m_videoOutput->SetFullScreen(enter ? 1 : 0, m_keepAspect);
        m_fullScreenClick = 1;
        ApplyViewState();
        return true;
    }
    if (m_strip.selSlot() == -1) {
        m_fullScreenClick = -1;
        m_viewMode = 1;
        UpdateData(false);
        m_videoOutput->SetFullScreen(0, m_keepAspect);
        m_timer2.start(500);
        return onFullScreenVideo;
    }
    return false;
}
