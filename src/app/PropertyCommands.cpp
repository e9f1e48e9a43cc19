#include "app/CKestrelDlg.h"

#include "capture/CameraProperty.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"

void CKestrelDlg::OnVideoProperty() {
    for (CameraProperty& entry : CameraProperties()) {
        const bool ok = GetCameraProperty(entry);
        if (!ok) {
            entry.flags = kNoValueFlags;
        }
        TraceGet(entry, ok);
    }
    if (CameraControls* controls = GraphCameraControls()) {
        m_prompts.PropertyPages(*controls, PropertyFrame{m_cameraName, m_language}, this);
    } else {
        qCDebug(veldorTrace, "OnVideoProperty: no camera runs");
    }
    update();
    saveVideoProperty();
}

void CKestrelDlg::OnCopyProperty() {
    if (!m_prompts.Question(Text("copyproperty.question"))) {
        return;
    }
    if (m_cameraName != m_shotCameraName) {
        m_prompts.MessageBox(Text("copyproperty.mismatch"));
        return;
    }
    ApplyCameraProperties();
    m_live = 1;
    UpdateData(false);
    OnViewMode();
}
