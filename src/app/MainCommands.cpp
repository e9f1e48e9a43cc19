#include "app/CKestrelDlg.h"

#include "app/ControlIds.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "platform/prompts/Prompts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFrame>

void CKestrelDlg::connectCommands() {
    for (int id : {IDC_CAPTURE,      IDC_DEFAULT,        IDC_EXIT,          IDC_SAVE_FOLDER,
                   IDC_DELETE_IMAGE, IDC_PREV_IMAGE,     IDC_NEXT_IMAGE,    IDC_COMP_VIEW,
                   IDC_LIVE,         IDC_TITLE_BAR,      IDC_ORIGINAL_SIZE, IDC_FIT_WINDOW,
                   IDC_FULL_SCREEN,  IDC_MOVIE_DLG,      IDC_DONT_ASK,      IDC_KEEP_ASPECT,
                   IDC_SHOW_COMMENT, IDC_VIDEO_PROPERTY, IDC_VIDEO_FORMAT,  IDC_COPY_PROPERTY}) {
        auto* button = static_cast<QAbstractButton*>(GetDlgItem(id));
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
    }
    connect(m_deviceCombo, &QComboBox::activated, this, [this] { OnCommand(IDC_CAMERA_SELECT); });
}

void CKestrelDlg::OnCommand(int id) {
    switch (id) {
    case IDC_CAPTURE:
        OnCapture();
        break;
    case IDC_DEFAULT:
        OnDefaultView();
        break;
    case IDC_EXIT:
        OnExit();
        break;
    case IDC_SAVE_FOLDER:
        OnSaveFolder();
        break;
    case IDC_DELETE_IMAGE:
        OnDeleteImage();
        break;
    case IDC_PREV_IMAGE:
        OnPrevImage();
        break;
    case IDC_NEXT_IMAGE:
        OnNextImage();
        break;
    case IDC_COMP_VIEW:
        OnCompView();
        break;
    case IDC_LIVE:
    case IDC_ORIGINAL_SIZE:
    case IDC_FIT_WINDOW:
    case IDC_FULL_SCREEN:
        OnViewMode();
        break;
    case IDC_TITLE_BAR:
        OnTitleBar();
        break;
    case IDC_CAMERA_SELECT:
        OnCameraSelect();
        break;
    case IDC_MOVIE_DLG:
        OnMovieDlg();
        break;
    case IDC_VIDEO_PROPERTY:
        OnVideoProperty();
        break;
    case IDC_VIDEO_FORMAT:
        OnVideoFormat();
        break;
    case IDC_COPY_PROPERTY:
        OnCopyProperty();
        break;
    case IDC_DONT_ASK:
    case IDC_KEEP_ASPECT:
    case IDC_SHOW_COMMENT:
        OnOptionCheck();
        break;
    case IDOK:
    case IDCANCEL:
        done(id);
        break;
    default:
        break;
    }
}

void CKestrelDlg::OnViewMode() {
    if (!UpdateData(true)) {
        return;
    }
    m_strip.SelectSlot(-1);
    if (m_viewMode == 2) {
        m_videoOutput->SetFullScreen(1, m_keepAspect);
        m_fullScreenClick = 0;
    }
    ReturnToLive();
    ApplyViewState();
}

void CKestrelDlg::OnDefaultView() {
    m_viewMode = 1;
    m_live = 1;
    UpdateData(false);
    PostCommand(IDC_ORIGINAL_SIZE);
}

void CKestrelDlg::OnExit() {
    PostQuit();
}

void CKestrelDlg::OnTitleBar() {
    UpdateData(true);
    ApplyCaptionStyle();
    ApplyWindowSize();
    SaveIniFile();
}

void CKestrelDlg::OnOptionCheck() {
    UpdateData(true);
    SaveIniFile();
    ApplyViewState();
}

void CKestrelDlg::OnCameraSelect() {
    const int n = m_deviceCombo->currentIndex();
    const DeviceRecord* record = DeviceAt(m_deviceList.get(), n);
    if (record && !record->present) {
        // An unplugged camera's entry cannot be chosen; the running camera stays.
        m_deviceCombo->setCurrentIndex(m_deviceIndex);
        m_prompts.MessageBox(Text("camera.notconnected"));
        return;
    }
    // A camera whose live view was lost (another program held it, an error stopped it) is
    // tried again by choosing it again.
    if (n != m_deviceIndex || m_cameraLost || CaptureGraph::Instance().Failed()) {
        SelectDevice(n, m_videoWindow);
        // A picture still selected is shown again with the new camera.
        SelectionChanged();
    }
}

void CKestrelDlg::OnTimer(int id) {
    if (id != 2) {
        return;
    }
    m_timer2.stop();
    if (m_fullScreenClick >= -1) {
        update();
        --m_fullScreenClick;
    }
}

void CKestrelDlg::PollButtonHere() {
    m_buttonPoll.Start([this] { OnCameraButton(); });
}

void CKestrelDlg::OnCameraButton() {
    // In live view, or in still view with nothing selected, a picture; with a picture shown,
    // back to the live picture.
    if (m_viewState == 1 || (m_viewState == 2 && m_strip.selSlot() == -1)) {
        PostCommand(IDC_CAPTURE);
    } else if (m_viewState == 2) {
        m_live = 1;
        UpdateData(false);
        OnViewMode();
    }
}

void CKestrelDlg::OnCameraEvent(CameraEvent::Kind kind) {
    DrainGraphEvents();
    if (CaptureGraph::Instance().Failed()) {
        // The camera was unplugged, or another program holds it: nothing of its live view is
        // kept, not even a still frame that came before the error.
        if (m_viewState != 0) {
            LiveEnded();
        }
        return;
    }
    // A delivered still frame is always stored, even when graph notifications were queued
    // beside it: the camera has taken a picture the user asked for.
    if (kind == CameraEvent::Kind::StillFrame) {
        OnCapture();
    }
}

bool CKestrelDlg::event(QEvent* e) {
    if (e->type() == CameraEvent::kType) {
        OnCameraEvent(static_cast<CameraEvent*>(e)->kind);
        return true;
    }
    // The window system decorates a shown window, and may move it doing so.
    if (e->type() == QEvent::Show || e->type() == QEvent::Move) {
        ApplyWindowSize();
    }
    // Back in front after the compare or movie window: the camera may have gone or come back
    // meanwhile. Checked once the handler that showed the window has finished.
    if (e->type() == QEvent::Show) {
        QMetaObject::invokeMethod(this, &CKestrelDlg::CheckCamera, Qt::QueuedConnection);
    }
    return Dialog::event(e);
}
