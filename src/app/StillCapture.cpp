#include "app/CKestrelDlg.h"

#include "capture/FrameCapture.h"
#include "library/ImageList.h"
#include "platform/clock/Clock.h"
#include "platform/paths/TimeStampedName.h"
#include "platform/prompts/Prompts.h"

#include <QFileInfo>

void CKestrelDlg::CaptureStill() {
    // Without a running graph there is no picture to take.
    if (RefuseWithoutCamera()) {
        return;
    }
    if (m_viewState == 0) {
        m_prompts.MessageBox(QStringLiteral("ERROR: no live picture to capture!"));
        return;
    }
    const std::optional<QString> path =
        TimeStampedPath(m_saveFolder, m_clock.Now(), QStringLiteral(".jpg"));
    if (!path) {
        m_prompts.MessageBox(QStringLiteral("ERROR: no free file name for this second!"));
        return;
    }
    if (const std::optional<QString> failed = CreateFoldersOf(*path)) {
        m_prompts.MessageBox(
            QStringLiteral("保存フォルダーの作成に失敗しました。[%1]").arg(*failed));
        return;
    }
    const Calibration* calibration = m_calibrations.Current();
    std::optional<Calibration> burnIn;
    if (calibration && m_overlay.scaleBarInPictures) {
        burnIn = *calibration;
    }
    const SavedFrame saved = SaveCurrentFrame(*path, burnIn);
    if (QFileInfo(*path).isFile()) {
        m_settingsPath = ReplaceLastThree(*path, "ini");
        std::optional<PictureCalibration> own;
        if (calibration && saved.picture.isValid()) {
            own = CalibrationOfPicture(*calibration, saved.frame, saved.picture);
        }
        // The picture is kept without them; the user is to know that it cannot be recalled.
        if (!saveUSBProperty(m_settingsPath, own)) {
            m_prompts.MessageBox(Text("settings.notsaved").arg(*path));
        }
    }
}

void CKestrelDlg::OnCapture() {
    UpdateData(true);
    if (m_fullScreenClick != 0 && m_viewState == 1) {
        EnterStillView();
    }
    m_live = 0;
    UpdateData(false);
    CaptureStill();
    ResetImageList();
    if (m_mainActive == 0 && m_compDlg.isVisible()) {
        m_compDlg.PictureStored();
    }
    if (m_fullScreenClick != 0 && m_viewState == 2) {
        ReturnToLive();
    }
    m_live = 1;
    UpdateData(false);
    // What the classic repaint after the capture did, once the command has run.
    ApplyViewState();
}
