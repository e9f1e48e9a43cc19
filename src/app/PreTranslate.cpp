#include "app/CKestrelDlg.h"

#include "app/ControlIds.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "platform/trace/Trace.h"

#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>

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
        if (m_live == 1) {
            PostCommand(IDC_CAPTURE);
            return true;
        }
        return false;
    }
    if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) {
        return false;
    }
    if (m_mainActive == 0) {
        const bool ownWindow = widget == &m_compDlg || widget == &m_movieDlg;
        if (!parent && !ownWindow) {
            SetFullScreen(0, m_keepAspect);
            if (m_compDlg.isVisible()) {
                m_compDlg.m_timer2.start(500);
            }
        }
        return false;
    }
    if (parent && parent == m_videoWindow) {
        const bool enter = m_viewMode != 2;
        m_selSlot = -1;
        m_live = 1;
        m_viewMode = enter ? 2 : 1;
        UpdateData(false);
        ReturnToLive();
        SetFullScreen(enter ? 1 : 0, m_keepAspect);
        m_fullScreenClick = 1;
        ApplyViewState();
        return true;
    }
    if (m_selSlot == -1) {
        m_fullScreenClick = -1;
        m_selSlot = -1;
        m_viewMode = 1;
        UpdateData(false);
        SetFullScreen(0, m_keepAspect);
        m_timer2.start(500);
    }
    return false;
}
