#include "app/CKestrelDlg.h"

#include "capture/CaptureGraph.h"

#include <QComboBox>

void CKestrelDlg::SelectDevice(int n, QWidget* videoWnd) {
    if (m_viewState == 1 || m_viewState == 2) {
        saveVideoProperty();
        ReleaseGraph();
        m_viewState = 0;
    }
    videoWnd->hide();
    const DeviceRecord* record = DeviceAt(m_deviceList.get(), n);
    m_cameraName = record ? QString::fromUtf8(record->name) : QString();
    if (n < 0 || !record) {
        return;
    }
    m_deviceCombo->setCurrentIndex(n);
    m_graphDeviceIndex = n;
    m_viewState = 1;
    videoWnd->show();
    m_deviceIndex = n;
}
