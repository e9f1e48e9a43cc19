#pragma once

#include <QSize>
#include <cstdint>
#include <gst/video/video.h>
#include <vector>

// Converts YUY2 frames with libyuv, with the colour matrix and range their caps give, as
// GStreamer's own conversion does. Keeps its planes from frame to frame; used by one thread at
// a time.
class Yuy2Converter {
public:
    // The frame (frame pixels, stride bytes a row) scaled to size (at most the frame's size),
    // then converted into 32-bit BGRX, pitch bytes a row.
    bool ToBgrx(const uint8_t* yuy2, int stride, QSize frame, const GstVideoColorimetry& colours,
                uint8_t* out, int pitch, QSize size);
    // The frame at full size in 24-bit BGR, bottom row first, pitch bytes a row.
    bool ToBottomUpBgr(const uint8_t* yuy2, int stride, QSize frame,
                       const GstVideoColorimetry& colours, uint8_t* out, int pitch);

private:
    // The frame's planes at full size (m_full) and at the shown size (m_scaled).
    struct Planes {
        std::vector<uint8_t> bytes;
        uint8_t *y = nullptr, *u = nullptr, *v = nullptr;
        int yStride = 0, uvStride = 0;
        void Resize(QSize size);
    };
    bool Split(const uint8_t* yuy2, int stride, QSize frame);
    Planes m_full, m_scaled;
};
