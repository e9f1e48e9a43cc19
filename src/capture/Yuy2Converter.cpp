#include "capture/Yuy2Converter.h"

#include <libyuv.h>

namespace {

const libyuv::YuvConstants* Matrix(const GstVideoColorimetry& colours) {
    const bool full = colours.range == GST_VIDEO_COLOR_RANGE_0_255;
    switch (colours.matrix) {
    case GST_VIDEO_COLOR_MATRIX_BT709:
        return full ? &libyuv::kYuvF709Constants : &libyuv::kYuvH709Constants;
    case GST_VIDEO_COLOR_MATRIX_BT2020:
        return full ? &libyuv::kYuvV2020Constants : &libyuv::kYuv2020Constants;
    default:
        // BT.601, and what GStreamer itself takes for an unknown matrix of a camera's YUY2.
        return full ? &libyuv::kYuvJPEGConstants : &libyuv::kYuvI601Constants;
    }
}

} // namespace

void Yuy2Converter::Planes::Resize(QSize size) {
    yStride = size.width();
    uvStride = (size.width() + 1) / 2;
    const size_t ySize = static_cast<size_t>(yStride) * size.height();
    const size_t uvSize = static_cast<size_t>(uvStride) * size.height();
    bytes.resize(ySize + 2 * uvSize);
    y = bytes.data();
    u = y + ySize;
    v = u + uvSize;
}

bool Yuy2Converter::Split(const uint8_t* yuy2, int stride, QSize frame) {
    if (!yuy2 || frame.isEmpty() || stride < 2 * frame.width()) {
        return false;
    }
    m_full.Resize(frame);
    return libyuv::YUY2ToI422(yuy2, stride, m_full.y, m_full.yStride, m_full.u, m_full.uvStride,
                              m_full.v, m_full.uvStride, frame.width(), frame.height()) == 0;
}

bool Yuy2Converter::ToBgrx(const uint8_t* yuy2, int stride, QSize frame,
                           const GstVideoColorimetry& colours, uint8_t* out, int pitch,
                           QSize size) {
    if (size.isEmpty() || size.width() > frame.width() || size.height() > frame.height() ||
        !Split(yuy2, stride, frame)) {
        return false;
    }
    const Planes* planes = &m_full;
    if (size != frame) {
        m_scaled.Resize(size);
        if (libyuv::I422Scale(m_full.y, m_full.yStride, m_full.u, m_full.uvStride, m_full.v,
                              m_full.uvStride, frame.width(), frame.height(), m_scaled.y,
                              m_scaled.yStride, m_scaled.u, m_scaled.uvStride, m_scaled.v,
                              m_scaled.uvStride, size.width(), size.height(),
                              libyuv::kFilterBox) != 0) {
            return false;
        }
        planes = &m_scaled;
    }
    // libyuv's ARGB is B, G, R, A in memory: BGRX with an opaque fourth byte.
    return libyuv::I422ToARGBMatrix(planes->y, planes->yStride, planes->u, planes->uvStride,
                                    planes->v, planes->uvStride, out, pitch, Matrix(colours),
                                    size.width(), size.height()) == 0;
}

bool Yuy2Converter::ToBottomUpBgr(const uint8_t* yuy2, int stride, QSize frame,
                                  const GstVideoColorimetry& colours, uint8_t* out, int pitch) {
    if (!Split(yuy2, stride, frame)) {
        return false;
    }
    // libyuv's RGB24 is B, G, R in memory; a negative height writes the rows bottom up.
    return libyuv::I422ToRGB24Matrix(m_full.y, m_full.yStride, m_full.u, m_full.uvStride, m_full.v,
                                     m_full.uvStride, out, pitch, Matrix(colours), frame.width(),
                                     -frame.height()) == 0;
}
