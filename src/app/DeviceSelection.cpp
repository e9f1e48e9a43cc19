#include "app/CKestrelDlg.h"

#include "button/ButtonDetection.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoFormats.h"

#include <QComboBox>
#include <QFile>

void CKestrelDlg::SelectDevice(int n, QWidget* videoWnd) {
    CaptureGraph& graph = CaptureGraph::Instance();
    if (m_viewState == 1 || m_viewState == 2) {
        saveVideoProperty();
        ReleaseGraph();
        m_viewState = 0;
    }
    videoWnd->hide();
    if (!m_workFilePath.isEmpty()) {
        QFile::remove(m_workFilePath);
    }
    const DeviceRecord* record = DeviceAt(m_deviceList.get(), n);
    m_cameraName = record ? QString::fromUtf8(record->name) : QString();
    if (m_cameraName != m_lastQ7Name) {
        FormatResetProbe();
    }
    if (loadVideoProperty() == 1) {
        graph.requestedWidth = m_formatWidth;
        graph.requestedHeight = m_formatHeight;
    } else {
        graph.requestedWidth = 0;
        graph.requestedHeight = 0;
    }
    if (n < 0) {
        return;
    }
    int outWidth = 0;
    int outHeight = 0;
    if (StartVideo(n, videoWnd, 640, 480, &outWidth, &outHeight) != 1) {
        return;
    }
    SetNotifyWindow(this);
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
