#include "platform/video/SourceControls.h"

#include "platform/trace/Trace.h"
#include "platform/video/SimulatedControls.h"
#include "platform/video/V4l2Controls.h"
#include "platform/video/VideoSource.h"

#include <QHash>

namespace {

QHash<QByteArray, std::shared_ptr<SimulatedControls>>& SimulatedControlSets() {
    static QHash<QByteArray, std::shared_ptr<SimulatedControls>> sets;
    return sets;
}

// The persistent controls of one simulated camera, attached to one source's picture.
class AttachedSimulatedControls : public CameraControls {
public:
    AttachedSimulatedControls(std::shared_ptr<SimulatedControls> controls, GstElement* balance)
        : m_controls(std::move(controls)) {
        m_controls->AttachBalance(balance);
    }
    ~AttachedSimulatedControls() override { m_controls->AttachBalance(nullptr); }

    bool Get(int kind, int propertyId, int* value, int* flags) override {
        return m_controls->Get(kind, propertyId, value, flags);
    }
    bool Set(int kind, int propertyId, int value, int flags) override {
        return m_controls->Set(kind, propertyId, value, flags);
    }
    QList<ControlInfo> Controls() override { return m_controls->Controls(); }
    bool SetAuto(int kind, int propertyId, bool on) override {
        return m_controls->SetAuto(kind, propertyId, on);
    }
    bool SetValue(int kind, int propertyId, int value) override {
        return m_controls->SetValue(kind, propertyId, value);
    }

private:
    std::shared_ptr<SimulatedControls> m_controls;
};

} // namespace

std::unique_ptr<CameraControls> OpenSourceControls(const VideoDeviceInfo& device,
                                                   GstElement* source) {
    if (!source) {
        return nullptr;
    }
    if (device.simulated) {
        std::shared_ptr<SimulatedControls>& controls = SimulatedControlSets()[device.name];
        if (!controls) {
            controls = std::make_shared<SimulatedControls>(device.simulated->controls);
        }
        return std::make_unique<AttachedSimulatedControls>(controls, SourceBalance(source));
    }
    if (!g_object_class_find_property(G_OBJECT_GET_CLASS(source), "device-fd")) {
        qCDebug(veldorTrace, "the camera's source has no device descriptor");
        return std::make_unique<V4l2Controls>(device.devicePath);
    }
    gint fd = -1;
    g_object_get(source, "device-fd", &fd, nullptr);
    if (fd < 0) {
        return std::make_unique<V4l2Controls>(device.devicePath);
    }
    return std::make_unique<V4l2Controls>(V4l2Controls::BorrowedFd{fd});
}

void ResetSimulatedControls() {
    SimulatedControlSets().clear();
}

void ForgetSimulatedControls(const QByteArray& cameraName) {
    SimulatedControlSets().remove(cameraName);
}
