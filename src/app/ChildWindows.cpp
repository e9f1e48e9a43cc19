#include "app/CKestrelDlg.h"

#include "app/ControlIds.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"

#include <QFrame>

void CKestrelDlg::OnCompView() {
    m_compDlg.m_owner = this;
    RunChildWindow(m_compDlg, [this] { m_compDlg.OnCameraButton(); });
}

void CKestrelDlg::OnMovieDlg() {
    m_movieDlg.m_owner = this;
    RunChildWindow(m_movieDlg, [this] { m_movieDlg.OnCameraButton(); });
}

int CKestrelDlg::RunChildWindow(ChildWindow& child, std::function<void()> onPress) {
    hide();
    m_mainActive = 0;
    m_buttonPoll.Start(std::move(onPress));
    const int result = child.DoModal();
    if (child.EndsProgram()) {
        PostCommand(IDC_EXIT);
    }
    m_mainActive = 1;
    UpdateData(false);
    show();
    // The movie window took the graph's news; the compare window leaves them here.
    if (&child == &m_movieDlg) {
        SetNotifyWindow(this);
    }
    AttachVideoWindow(m_videoOutput);
    ResetImageList();
    ReturnToLive();
    ApplyViewState();
    PollButtonHere();
    return result;
}

int CKestrelDlg::SaveStripTop() const {
    return m_strip.selSlot() != -1 ? m_strip.topIndex() : 0;
}

void CKestrelDlg::SetSaveFolder(const QString& folder) {
    m_saveFolder = folder;
    SaveIniFile();
}

void CKestrelDlg::SetCompareFolder(const QString& folder) {
    m_compFolder = folder;
    SaveIniFile();
}

void CKestrelDlg::SetMovieFolder(const QString& folder) {
    m_movieFolder = folder;
    SaveIniFile();
}

void CKestrelDlg::SetShowComment(int show) {
    m_showComment = show;
    SaveIniFile();
}

void CKestrelDlg::ApplyPictureSettings(const QString& settingsPath) {
    loadUSBProperty(settingsPath);
}

void CKestrelDlg::ReturnLiveVideo() {
    AttachVideoWindow(m_videoOutput);
    // A lost camera is selected again when it is back.
    if (m_cameraLost) {
        return;
    }
    int width = 0;
    int height = 0;
    StartVideo(m_graphDeviceIndex, nullptr, &width, &height);
}
