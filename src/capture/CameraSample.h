#pragma once

#include <QSize>
#include <gst/gst.h>

// Whether the sample's caps are the camera's MJPEG stream.
bool IsJpegSample(GstSample* sample);

// Whether a JPEG frame whose header says `size` can be the sample's: no larger than
// kMaxFrameSide a side and the size its caps give, when they give one. A corrupt header
// claiming some other size must not make the decoder allocate for it.
bool IsSampleFrameSize(GstSample* sample, QSize size);
inline constexpr int kMaxFrameSide = 16384;

// A sample's buffer mapped for reading while this lives.
class MappedSample {
public:
    explicit MappedSample(GstSample* sample);
    ~MappedSample();
    MappedSample(const MappedSample&) = delete;
    MappedSample& operator=(const MappedSample&) = delete;

    bool IsMapped() const { return m_buffer != nullptr; }
    const unsigned char* Data() const { return m_map.data; }
    size_t Size() const { return m_map.size; }

private:
    GstBuffer* m_buffer = nullptr;
    GstMapInfo m_map{};
};
