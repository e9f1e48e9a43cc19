#pragma once

#include "platform/video/GstHandles.h"
#include "platform/video/VideoDevice.h"

// The capture format of a bound camera: what it offers, what it has, and the change to
// another of its formats. A format none of its capabilities has is refused and the camera
// keeps the one it has, so the graph never fails to negotiate.
class StreamConfig {
public:
    StreamConfig(VideoDeviceInfo device, GstElement* source, GstElement* capsFilter);

    // The formats the program can show, in the camera's order.
    const QList<VideoCapability>& Capabilities() const { return m_capabilities; }
    const VideoCapability& Format() const { return m_format; }
    bool Valid() const { return m_format.width > 0; }
    bool SetFormat(const VideoCapability& format);

private:
    void Apply();

    VideoDeviceInfo m_device;
    GstElementPtr m_source;
    GstElementPtr m_capsFilter;
    QList<VideoCapability> m_capabilities;
    VideoCapability m_format;
};
