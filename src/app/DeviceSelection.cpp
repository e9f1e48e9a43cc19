#include "app/CKestrelDlg.h"

#include "app/ControlIds.h"
#include "button/ButtonDetection.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoFormats.h"
#include "capture/VideoOutput.h"
#include "platform/paths/Paths.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"
#include "platform/video/CameraPages.h"
#include "platform/video/VideoDevice.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QStandardItemModel>

void CKestrelDlg::SelectDevice(int n, QWidget* videoWnd) {
    CaptureGraph& graph = CaptureGraph::Instance();
    if (m_viewState == 1 || m_viewState == 2) {
        saveVideoProperty();
        ReleaseGraph();
        m_viewState = 0;
    }
    videoWnd->hide();
    // The temporary folder's work file goes whenever a camera is chosen.
    if (const QString temp = TempPath(); !temp.isEmpty()) {
        QFile::remove(temp + QStringLiteral("/zz_Workfile.jpg"));
    }
    const DeviceRecord* record = DeviceAt(m_deviceList.get(), n);
    m_cameraName = record ? QString::fromUtf8(record->name) : QString();
    if (m_cameraName != m_lastQ7Name) {
        FormatResetProbe();
    }
    m_calibrations = CameraCalibrations::Load(m_iniPath, m_cameraName);
    ApplyOverlays();
    if (loadVideoProperty() == 1) {
        graph.SetRequestedSize(m_formatWidth, m_formatHeight);
    } else {
        graph.SetRequestedSize(0, 0);
    }
    if (n < 0) {
        return;
    }
    int outWidth = 0;
    int outHeight = 0;
    if (StartCameraGraph(n, &outWidth, &outHeight) != 1) {
        // Another program holding the camera is said by name, not left as an empty view.
        if (graph.Failure() == GraphFailure::Busy) {
            m_cameraLost = true;
            m_cameraBusy = true;
            m_prompts.MessageBox(CameraUnavailableText());
            update();
        }
        return;
    }
    m_cameraLost = false;
    m_cameraBusy = false;
    m_deviceCombo->setCurrentIndex(n);
    m_graphDeviceIndex = n;
    if (record) {
        ButtonCameraChanged(record->device);
    }
    m_viewState = 1;
    videoWnd->show();
    m_deviceIndex = n;
    if (m_cameraName == QLatin1String("Orvane Q7")) {
        m_lastQ7Name = m_cameraName;
    }
    saveVideoProperty();
    if (outWidth >= 1 && outWidth <= 3999 && outHeight >= 1) {
        m_resolutionText = QStringLiteral("%1 x %2").arg(outWidth).arg(outHeight);
    } else {
        m_resolutionText = QStringLiteral("---");
    }
    m_formatWidth = outWidth;
    m_formatHeight = outHeight;
    UpdateData(false);
}

int CKestrelDlg::StartCameraGraph(int n, int* outWidth, int* outHeight) {
    // The movie window takes the graph's news itself.
    if (m_movieDlg.isVisible()) {
        return m_movieDlg.CameraReturned(n, outWidth, outHeight);
    }
    const int result = StartVideo(n, m_videoOutput, outWidth, outHeight);
    if (result == 1) {
        SetNotifyWindow(this);
    }
    return result;
}

QString CKestrelDlg::CameraUnavailableText() const {
    if (m_cameraBusy) {
        return Text("camera.busy").arg(m_cameraName);
    }
    return Text("camera.notconnected");
}

bool CKestrelDlg::RefuseWithoutCamera() {
    if (!m_cameraLost || m_viewState != 0) {
        return false;
    }
    const QString text = CameraUnavailableText();
    qCDebug(veldorTrace, "refused: %s", qUtf8Printable(text));
    m_prompts.MessageBox(text);
    return true;
}

void CKestrelDlg::OnDevicesChanged() {
    const QList<VideoDeviceInfo> present = EnumerateVideoDevices();
    const DeviceChanges changes = MergeDevices(m_deviceList, present);
    for (int n : changes.added) {
        m_deviceCombo->addItem(QString::fromUtf8(DeviceAt(m_deviceList.get(), n)->name));
    }
    // An unplugged camera keeps its entry, greyed out, so every index keeps its camera.
    if (auto* model = qobject_cast<QStandardItemModel*>(m_deviceCombo->model())) {
        int i = 0;
        for (const DeviceRecord* d = m_deviceList.get(); d; d = d->next.get(), ++i) {
            if (QStandardItem* item = model->item(i)) {
                item->setEnabled(d->present);
            }
        }
    }
    const int current = m_deviceIndex;
    if (changes.removed.contains(current)) {
        CloseCameraDialogs();
        if (GraphRuns()) {
            // Handled as the camera's own error is, by whichever window the graph reports to;
            // a movie being recorded is completed on the way.
            ReportCameraRemoved();
        } else if (m_viewState != 0 && m_mainActive) {
            LiveEnded(); // the graph is down for the format page
        }
    }
    if (changes.returned.contains(current) && m_cameraLost) {
        // The movie window shows the camera's picture itself; the compare window waits.
        if (m_mainActive || m_movieDlg.isVisible()) {
            ReconnectCamera();
        } else {
            m_reconnectPending = true;
        }
    }
}

void CKestrelDlg::CloseCameraDialogs() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<CameraPagesDialog*>(widget);
        if (dialog && dialog->isVisible()) {
            qCDebug(veldorTrace, "the camera's %s closes: the camera is gone",
                    qUtf8Printable(dialog->objectName()));
            dialog->reject();
        }
    }
}

void CKestrelDlg::LiveEnded() {
    const bool busy = CaptureGraph::Instance().Failure() == GraphFailure::Busy;
    qCDebug(veldorTrace, "the live view ends: %s %s", qUtf8Printable(m_cameraName),
            busy ? "is used by another program" : "is not connected");
    CloseCameraDialogs();
    // Nothing of the lost camera stays: no frozen frame, no waiting still frame, no controls.
    ReleaseGraph();
    m_viewState = 0;
    m_cameraLost = true;
    m_cameraBusy = busy;
    m_videoWindow->hide();
    if (busy) {
        m_prompts.MessageBox(CameraUnavailableText());
    }
    ApplyViewState();
}

void CKestrelDlg::ReconnectCamera() {
    m_reconnectPending = false;
    qCDebug(veldorTrace, "the camera is back: %s", qUtf8Printable(m_cameraName));
    SelectDevice(m_deviceIndex, m_videoWindow);
    // A picture shown meanwhile stays shown; the live view waits behind it.
    ApplyViewState();
}

void CKestrelDlg::CheckCamera() {
    if (!m_mainActive) {
        return;
    }
    if (m_viewState != 0 && !GraphRuns()) {
        LiveEnded();
    }
    const DeviceRecord* current = DeviceAt(m_deviceList.get(), m_deviceIndex);
    if (m_reconnectPending && m_cameraLost && current && current->present) {
        ReconnectCamera();
    }
    m_reconnectPending = false;
}
