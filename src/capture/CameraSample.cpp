#include "capture/CameraSample.h"

bool IsJpegSample(GstSample* sample) {
    GstCaps* caps = sample ? gst_sample_get_caps(sample) : nullptr;
    const GstStructure* s =
        caps && gst_caps_get_size(caps) > 0 ? gst_caps_get_structure(caps, 0) : nullptr;
    return s && gst_structure_has_name(s, "image/jpeg");
}

bool IsSampleFrameSize(GstSample* sample, QSize size) {
    if (size.isEmpty() || size.width() > kMaxFrameSide || size.height() > kMaxFrameSide) {
        return false;
    }
    GstCaps* caps = sample ? gst_sample_get_caps(sample) : nullptr;
    const GstStructure* s =
        caps && gst_caps_get_size(caps) > 0 ? gst_caps_get_structure(caps, 0) : nullptr;
    int width = 0, height = 0;
    if (!s || !gst_structure_get_int(s, "width", &width) ||
        !gst_structure_get_int(s, "height", &height)) {
        return true;
    }
    return size == QSize(width, height);
}

MappedSample::MappedSample(GstSample* sample) {
    GstBuffer* buffer = sample ? gst_sample_get_buffer(sample) : nullptr;
    if (buffer && gst_buffer_map(buffer, &m_map, GST_MAP_READ)) {
        m_buffer = buffer;
    }
}

MappedSample::~MappedSample() {
    if (m_buffer) {
        gst_buffer_unmap(m_buffer, &m_map);
    }
}
