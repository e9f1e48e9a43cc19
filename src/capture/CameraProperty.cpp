#include "capture/CameraProperty.h"

#include "capture/CaptureGraph.h"
#include "platform/trace/Trace.h"
#include "platform/video/CameraControls.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace {

constexpr CameraPropertyTable kStartValues = {{
    {"Brightness", 0, 0, 70, 2},
    {"Contrast", 0, 1, 2, 2},
    {"Hue", 0, 2, 2, 2},
    {"Saturation", 0, 3, 50, 2},
    {"Sharpness", 0, 4, 2, 2},
    {"Gamma", 0, 5, 3, 2},
    {"ColorEnable", 0, 6, 3, 2},
    {"WhiteBalance", 0, 7, 1, 2},
    {"BacklightCompensation", 0, 8, -1, 2},
    {"Gain", 0, 9, -1, 2},
    {"PowerLine", 0, 13, -1, 2},
    {"Pan", 1, 0, 70, 2},
    {"Tilt", 1, 1, 2, 2},
    {"Roll", 1, 2, 2, 2},
    {"Zoom", 1, 3, 50, 2},
    {"Exposure", 1, 4, 2, 2},
    {"Iris", 1, 5, 3, 2},
    {"Focus", 1, 6, 3, 2},
    {"AutoExposure", 1, 19, 3, 2},
}};

struct PendingRestore {
    QByteArray cameraName;
    QList<CameraProperty> entries;
};

PendingRestore& Pending() {
    static PendingRestore pending;
    return pending;
}

// One "%d" of sscanf: blanks, a sign, digits; the end of the number in *end.
bool ReadInt(const char* text, int* out, const char** end) {
    char* stop = nullptr;
    errno = 0;
    const long number = std::strtol(text, &stop, 10);
    if (stop == text || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        return false;
    }
    *out = int(number);
    *end = stop;
    return true;
}

} // namespace

CameraPropertyTable& CameraProperties() {
    static CameraPropertyTable table = kStartValues;
    return table;
}

const CameraPropertyTable& CameraPropertyStartValues() {
    return kStartValues;
}

void ResetCameraProperties() {
    CameraProperties() = kStartValues;
    Pending() = PendingRestore();
}

CameraControls* GraphCameraControls() {
    return CaptureGraph::Instance().Controls();
}

RunningGraphControls::RunningGraphControls()
    : m_generation(CaptureGraph::Instance().ControlsGeneration()) {
}

CameraControls* RunningGraphControls::Target() const {
    const CaptureGraph& g = CaptureGraph::Instance();
    return g.ControlsGeneration() == m_generation ? g.Controls() : nullptr;
}

bool RunningGraphControls::Get(int kind, int propertyId, int* value, int* flags) {
    CameraControls* target = Target();
    return target && target->Get(kind, propertyId, value, flags);
}

bool RunningGraphControls::Set(int kind, int propertyId, int value, int flags) {
    CameraControls* target = Target();
    return target && target->Set(kind, propertyId, value, flags);
}

QList<ControlInfo> RunningGraphControls::Controls() {
    CameraControls* target = Target();
    return target ? target->Controls() : QList<ControlInfo>();
}

bool RunningGraphControls::SetAuto(int kind, int propertyId, bool on) {
    CameraControls* target = Target();
    return target && target->SetAuto(kind, propertyId, on);
}

bool RunningGraphControls::SetValue(int kind, int propertyId, int value) {
    CameraControls* target = Target();
    return target && target->SetValue(kind, propertyId, value);
}

bool GetCameraProperty(CameraProperty& entry) {
    CameraControls* controls = GraphCameraControls();
    return controls && controls->Get(entry.kind, entry.propertyId, &entry.value, &entry.flags);
}

bool SetCameraProperty(const CameraProperty& entry) {
    CameraControls* controls = GraphCameraControls();
    return controls && controls->Set(entry.kind, entry.propertyId, entry.value, entry.flags);
}

void TraceGet(const CameraProperty& entry, bool ok) {
    qCDebug(veldorTrace, "get::%s[%s] %d/ %d", ok ? " " : "x", entry.name, entry.value,
            entry.flags);
}

void TraceSet(const CameraProperty& entry, bool ok) {
    qCDebug(veldorTrace, "set::%s[%s] %d/ %d", ok ? " " : "x", entry.name, entry.value,
            entry.flags);
}

bool ParsePropertyText(const QByteArray& text, int* value, int* flags) {
    // The files' values are read into 32-byte buffers.
    const QByteArray bytes = text.left(31);
    const char* p = bytes.constData();
    int v = 0;
    int f = 0;
    if (!ReadInt(p, &v, &p) || *p != '/' || !ReadInt(p + 1, &f, &p)) {
        return false;
    }
    *value = v;
    *flags = f;
    return true;
}

QByteArray PropertyText(const CameraProperty& entry) {
    return QByteArray::number(entry.value) + '/' + QByteArray::number(entry.flags);
}

int ApplyPropertiesTo(CameraControls* controls, const QList<CameraProperty>& entries) {
    std::vector<bool> modeSwitched(size_t(entries.size()), false);
    if (controls) {
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const CameraProperty& e = entries[i];
            if (e.flags == kPropertyFlagAuto || e.flags == kPropertyFlagManual) {
                // False also for a control without automatic mode; its Set below writes it.
                modeSwitched[size_t(i)] =
                    controls->SetAuto(e.kind, e.propertyId, e.flags == kPropertyFlagAuto);
            }
        }
    }
    int result = 0;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const CameraProperty& e = entries[i];
        if (e.flags == kNoValueFlags) {
            continue;
        }
        bool ok = false;
        if (controls) {
            if (!modeSwitched[size_t(i)]) {
                ok = controls->Set(e.kind, e.propertyId, e.value, e.flags);
            } else if (e.flags == kPropertyFlagAuto) {
                ok = true; // the camera keeps the value itself
            } else {
                ok = controls->SetValue(e.kind, e.propertyId, e.value);
            }
        }
        TraceSet(e, ok);
        result = ok ? 1 : 0;
    }
    return result;
}

int ApplyCameraProperties() {
    const CameraPropertyTable& table = CameraProperties();
    return ApplyPropertiesTo(GraphCameraControls(),
                             QList<CameraProperty>(table.begin(), table.end()));
}

void RestoreWhenStarted(const QByteArray& cameraName, const QList<CameraProperty>& entries) {
    Pending() = PendingRestore{cameraName, entries};
}

void ApplyPendingRestore(const QByteArray& cameraName) {
    PendingRestore pending = std::move(Pending());
    Pending() = PendingRestore();
    if (pending.cameraName.isEmpty() || pending.cameraName != cameraName) {
        return;
    }
    qCDebug(veldorTrace, "restoring the stored settings of %s", pending.cameraName.constData());
    ApplyPropertiesTo(GraphCameraControls(), pending.entries);
}
