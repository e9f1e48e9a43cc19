#pragma once

#include "platform/video/CameraControls.h"
#include "platform/video/SimulatedV4l2Device.h"
#include "platform/video/V4l2Controls.h"

#include <QStringList>
#include <gst/gst.h>
#include <memory>

// The simulated camera's picture controls: a V4L2 control table holding only the controls its
// description names (property names such as "Brightness", letter case ignored), behind the same
// V4L2 control code as a real camera. Brightness, contrast, hue and saturation also drive the
// videobalance element of the simulated camera's graph, so their changes show in the picture.
// Runs on the user-interface thread.
class SimulatedControls : public CameraControls {
public:
    explicit SimulatedControls(const QStringList& controlNames);
    ~SimulatedControls() override;

    bool Get(int kind, int propertyId, int* value, int* flags) override;
    bool Set(int kind, int propertyId, int value, int flags) override;
    QList<ControlInfo> Controls() override;
    bool SetAuto(int kind, int propertyId, bool on) override;
    bool SetValue(int kind, int propertyId, int value) override;

    // Takes a reference to the element (nullptr lets go of it) and gives it the current values;
    // the values live on here while no element is attached.
    void AttachBalance(GstElement* videobalance);

private:
    struct ElementUnref {
        void operator()(GstElement* element) const { gst_object_unref(element); }
    };

    void ApplyBalance();

    std::unique_ptr<SimulatedV4l2Device> m_device;
    std::unique_ptr<V4l2Controls> m_controls;
    std::unique_ptr<GstElement, ElementUnref> m_balance; // owns one reference
};
