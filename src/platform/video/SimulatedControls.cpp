#include "platform/video/SimulatedControls.h"

#include "platform/trace/Trace.h"

#include <algorithm>
#include <linux/videodev2.h>

namespace {

using Control = SimulatedV4l2Device::Control;

Control Integer(std::uint32_t id, const char* name, int minimum, int maximum, int step,
                int defaultValue, std::uint32_t flags = 0) {
    Control control;
    control.id = id;
    control.name = name;
    control.type = V4L2_CTRL_TYPE_INTEGER;
    control.minimum = minimum;
    control.maximum = maximum;
    control.step = std::uint64_t(step);
    control.defaultValue = defaultValue;
    control.value = defaultValue;
    control.flags = flags;
    return control;
}

Control Boolean(std::uint32_t id, const char* name, bool defaultValue) {
    Control control = Integer(id, name, 0, 1, 1, defaultValue ? 1 : 0);
    control.type = V4L2_CTRL_TYPE_BOOLEAN;
    return control;
}

Control Menu(std::uint32_t id, const char* name, int maximum, int defaultValue,
             std::map<std::uint32_t, QByteArray> items) {
    Control control = Integer(id, name, 0, maximum, 1, defaultValue);
    control.type = V4L2_CTRL_TYPE_MENU;
    control.menu = std::move(items);
    return control;
}

// The controls a property name brings along, with the ranges of a typical UVC microscope camera.
QList<Control> ControlsFor(const QString& property) {
    const auto is = [&property](const char* name) {
        return property.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    if (is("Brightness")) {
        return {Integer(V4L2_CID_BRIGHTNESS, "Brightness", -64, 64, 1, 0)};
    }
    if (is("Contrast")) {
        return {Integer(V4L2_CID_CONTRAST, "Contrast", 0, 64, 1, 32)};
    }
    if (is("Hue")) {
        return {Integer(V4L2_CID_HUE, "Hue", -40, 40, 1, 0)};
    }
    if (is("Saturation")) {
        return {Integer(V4L2_CID_SATURATION, "Saturation", 0, 128, 1, 64)};
    }
    if (is("Sharpness")) {
        return {Integer(V4L2_CID_SHARPNESS, "Sharpness", 0, 6, 1, 3)};
    }
    if (is("Gamma")) {
        return {Integer(V4L2_CID_GAMMA, "Gamma", 72, 500, 1, 100)};
    }
    if (is("WhiteBalance")) {
        return {Boolean(V4L2_CID_AUTO_WHITE_BALANCE, "White Balance, Automatic", true),
                Integer(V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance Temperature", 2800, 6500,
                        10, 4600)};
    }
    if (is("BacklightCompensation")) {
        return {Integer(V4L2_CID_BACKLIGHT_COMPENSATION, "Backlight Compensation", 0, 2, 1, 1)};
    }
    if (is("Gain")) {
        return {Integer(V4L2_CID_GAIN, "Gain", 0, 100, 1, 0)};
    }
    if (is("PowerLine")) {
        return {Menu(V4L2_CID_POWER_LINE_FREQUENCY, "Power Line Frequency", 2, 1,
                     {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}})};
    }
    if (is("Pan")) {
        return {Integer(V4L2_CID_PAN_ABSOLUTE, "Pan, Absolute", -36000, 36000, 3600, 0)};
    }
    if (is("Tilt")) {
        return {Integer(V4L2_CID_TILT_ABSOLUTE, "Tilt, Absolute", -36000, 36000, 3600, 0)};
    }
    if (is("Zoom")) {
        return {Integer(V4L2_CID_ZOOM_ABSOLUTE, "Zoom, Absolute", 100, 500, 1, 100)};
    }
    if (is("Exposure")) {
        return {Menu(V4L2_CID_EXPOSURE_AUTO, "Auto Exposure", 3, V4L2_EXPOSURE_APERTURE_PRIORITY,
                     {{V4L2_EXPOSURE_MANUAL, "Manual Mode"},
                      {V4L2_EXPOSURE_APERTURE_PRIORITY, "Aperture Priority Mode"}}),
                Integer(V4L2_CID_EXPOSURE_ABSOLUTE, "Exposure Time, Absolute", 1, 5000, 1, 157)};
    }
    if (is("Iris")) {
        return {Integer(V4L2_CID_IRIS_ABSOLUTE, "Iris, Absolute", 0, 10, 1, 5)};
    }
    if (is("Focus")) {
        return {Boolean(V4L2_CID_FOCUS_AUTO, "Focus, Automatic Continuous", true),
                Integer(V4L2_CID_FOCUS_ABSOLUTE, "Focus, Absolute", 0, 250, 5, 0)};
    }
    if (is("AutoExposure")) {
        return {Boolean(V4L2_CID_EXPOSURE_AUTO_PRIORITY, "Exposure, Dynamic Framerate", false)};
    }
    return {};
}

struct BalanceProperty {
    std::uint32_t id;
    const char* property;
    double low;
    double high;
};

// videobalance's neutral values (0, 1, 0, 1) sit at the middle of these spans, as the controls'
// defaults sit at the middle of theirs.
constexpr BalanceProperty kBalance[] = {
    {V4L2_CID_BRIGHTNESS, "brightness", -1.0, 1.0},
    {V4L2_CID_CONTRAST, "contrast", 0.0, 2.0},
    {V4L2_CID_HUE, "hue", -1.0, 1.0},
    {V4L2_CID_SATURATION, "saturation", 0.0, 2.0},
};

} // namespace

SimulatedControls::SimulatedControls(const QStringList& controlNames) {
    QList<Control> controls;
    for (const QString& name : controlNames) {
        const QList<Control> offered = ControlsFor(name);
        if (offered.isEmpty()) {
            qCDebug(veldorTrace, "simulated camera: no control \"%s\"", qUtf8Printable(name));
        }
        for (const Control& control : offered) {
            const bool known = std::any_of(controls.begin(), controls.end(),
                                           [&](const Control& c) { return c.id == control.id; });
            if (!known) {
                controls.append(control);
            }
        }
    }
    m_device = std::make_unique<SimulatedV4l2Device>(controls);
    m_controls = std::make_unique<V4l2Controls>(QStringLiteral("simulated"), m_device->Io());
}

SimulatedControls::~SimulatedControls() = default;

bool SimulatedControls::Get(int kind, int propertyId, int* value, int* flags) {
    return m_controls->Get(kind, propertyId, value, flags);
}

bool SimulatedControls::Set(int kind, int propertyId, int value, int flags) {
    const bool done = m_controls->Set(kind, propertyId, value, flags);
    ApplyBalance();
    return done;
}

QList<ControlInfo> SimulatedControls::Controls() {
    return m_controls->Controls();
}

bool SimulatedControls::SetAuto(int kind, int propertyId, bool on) {
    return m_controls->SetAuto(kind, propertyId, on);
}

bool SimulatedControls::SetValue(int kind, int propertyId, int value) {
    const bool done = m_controls->SetValue(kind, propertyId, value);
    ApplyBalance();
    return done;
}

void SimulatedControls::AttachBalance(GstElement* videobalance) {
    m_balance.reset(videobalance ? GST_ELEMENT(gst_object_ref(videobalance)) : nullptr);
    ApplyBalance();
}

void SimulatedControls::ApplyBalance() {
    if (!m_balance) {
        return;
    }
    for (const BalanceProperty& balance : kBalance) {
        const Control* control = m_device->Find(balance.id);
        if (!control || control->maximum <= control->minimum) {
            continue;
        }
        const double position =
            double(control->value - control->minimum) / double(control->maximum - control->minimum);
        const double value = balance.low + position * (balance.high - balance.low);
        g_object_set(m_balance.get(), balance.property, value, nullptr);
    }
}
