#include "app/CKestrelDlg.h"

#include "capture/CameraProperty.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"

void CKestrelDlg::OnVideoProperty() {
    if (RefuseWithoutCamera()) {
        return;
    }
    for (CameraProperty& entry : CameraProperties()) {
        const bool ok = GetCameraProperty(entry);
        if (!ok) {
            entry.flags = kNoValueFlags;
        }
        TraceGet(entry, ok);
    }
    // The dialog may outlive the graph: an unplugged camera's controls then refuse every
    // change instead of being reached after they are gone.
    RunningGraphControls controls;
    if (controls.Valid()) {
        m_prompts.PropertyPages(controls, PropertyFrame{m_cameraName, m_language}, this);
        if (!controls.Valid()) {
            // The camera went away while its pages were open: nothing of it is stored.
            return;
        }
    } else {
        qCDebug(veldorTrace, "OnVideoProperty: no camera runs");
    }
    update();
    saveVideoProperty();
}

void CKestrelDlg::OnCopyProperty() {
    if (RefuseWithoutCamera()) {
        return;
    }
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
