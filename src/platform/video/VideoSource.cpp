#include "platform/video/VideoSource.h"

#include "platform/trace/Trace.h"
#include "platform/video/CapsParsing.h"
#include "platform/video/SimulatedSource.h"
#include "platform/video/V4l2Format.h"

#include <QHash>

namespace {

// The simulated cameras' formats outlive their source elements, as a driver's do.
QHash<QByteArray, VideoCapability>& SimulatedFormats() {
    static QHash<QByteArray, VideoCapability> formats;
    return formats;
}

std::optional<VideoCapability> FirstDisplayable(const QList<VideoCapability>& caps) {
    for (const VideoCapability& cap : caps) {
        if (IsDisplayable(cap)) {
            return cap;
        }
    }
    return std::nullopt;
}

} // namespace

GstElementPtr BindVideoSource(const VideoDeviceInfo& device) {
    if (!EnsureGstInit()) {
        return nullptr;
    }
    if (device.simulated) {
        const std::optional<VideoCapability> format = CurrentDeviceFormat(device);
        if (!format) {
            return nullptr;
        }
        return CreateSimulatedSource(*device.simulated, *format);
    }
    GstElementPtr source(gst_element_factory_make("v4l2src", nullptr));
    if (!source) {
        qCWarning(veldorTrace, "v4l2src is not available");
        return nullptr;
    }
    gst_object_ref_sink(source.get());
    g_object_set(source.get(), "device", device.devicePath.toLocal8Bit().constData(), nullptr);
    return source;
}

bool HasStillPin(GstElement* source) {
    return source && IsSimulatedSource(source) && SimulatedHasStill(source);
}

bool TriggerStill(GstElement* source) {
    return HasStillPin(source) && TriggerSimulatedStill(source);
}

std::optional<VideoCapability> CurrentDeviceFormat(const VideoDeviceInfo& device) {
    if (device.simulated) {
        // A remembered format counts only while the camera still offers it.
        const auto it = SimulatedFormats().constFind(device.name);
        if (it != SimulatedFormats().constEnd()) {
            for (const VideoCapability& cap : device.capabilities) {
                if (cap.SameFormat(*it)) {
                    return cap;
                }
            }
        }
        return FirstDisplayable(device.capabilities);
    }
    if (std::optional<VideoCapability> current = QueryV4l2Format(device.devicePath)) {
        for (const VideoCapability& cap : device.capabilities) {
            if (cap.SameFormat(*current) && IsDisplayable(cap)) {
                return cap;
            }
        }
    }
    return FirstDisplayable(device.capabilities);
}

void RememberDeviceFormat(const VideoDeviceInfo& device, const VideoCapability& fmt) {
    if (device.simulated) {
        SimulatedFormats().insert(device.name, fmt);
    } else if (!device.devicePath.isEmpty() && !SetV4l2Format(device.devicePath, fmt)) {
        // While the device streams it keeps its format; the next stream sets it anyway.
        qCDebug(veldorTrace, "the format was not set on %s", qUtf8Printable(device.devicePath));
    }
}

void ForgetSimulatedFormat(const QByteArray& cameraName) {
    SimulatedFormats().remove(cameraName);
}

void SetSourceFormat(GstElement* source, const VideoCapability& fmt) {
    if (source && IsSimulatedSource(source)) {
        SetSimulatedFormat(source, fmt);
    }
}

GstElement* SourceBalance(GstElement* source) {
    return source && IsSimulatedSource(source) ? SimulatedBalance(source) : nullptr;
}
