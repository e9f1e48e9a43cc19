#include "platform/video/StreamConfig.h"

#include "platform/trace/Trace.h"
#include "platform/video/CapsParsing.h"
#include "platform/video/VideoSource.h"

StreamConfig::StreamConfig(VideoDeviceInfo device, GstElement* source, GstElement* capsFilter)
    : m_device(std::move(device)), m_source(Ref(source)), m_capsFilter(Ref(capsFilter)) {
    for (const VideoCapability& cap : m_device.capabilities) {
        if (IsDisplayable(cap)) {
            m_capabilities.append(cap);
        }
    }
    if (const std::optional<VideoCapability> current = CurrentDeviceFormat(m_device)) {
        m_format = *current;
        Apply();
    }
}

bool StreamConfig::SetFormat(const VideoCapability& format) {
    for (const VideoCapability& cap : m_capabilities) {
        if (cap.SameFormat(format)) {
            m_format = cap;
            Apply();
            RememberDeviceFormat(m_device, m_format);
            return true;
        }
    }
    qCDebug(veldorTrace, "format refused: %s %d x %d", qUtf8Printable(format.format), format.width,
            format.height);
    return false;
}

void StreamConfig::Apply() {
    GstCapsPtr caps(CapsForCapability(m_format, true));
    if (m_capsFilter) {
        g_object_set(m_capsFilter.get(), "caps", caps.get(), nullptr);
    }
    SetSourceFormat(m_source.get(), m_format);
}
