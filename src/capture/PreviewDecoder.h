#pragma once

#include "capture/JpegDecompressor.h"
#include "capture/Yuy2Converter.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <gst/gst.h>

// The size a preview frame of `frame` pixels is decoded to when shown in a rectangle of `shown`
// pixels: MJPEG ("MJPG"): the smallest TurboJPEG scaling factor whose output covers `shown` in
// both dimensions (the full size when none smaller does); YUY2: `shown` itself, never larger
// than the frame. Any other format: the frame's size.
QSize PreviewDecodeSize(const QString& format, QSize frame, QSize shown);

// Decodes camera frames for the viewfinder. One per viewfinder; used by one thread at a time
// (the streaming thread that delivers preview frames). Holds its TurboJPEG handle and buffers.
class PreviewDecoder {
public:
    PreviewDecoder();
    ~PreviewDecoder();
    // The sample as the camera sent it (MJPEG or YUY2, with its caps) decoded into a BGRX image
    // (QImage::Format_RGB32) of PreviewDecodeSize(...). A null image for a corrupt or cut frame
    // or an unknown format (no message; the caller keeps the last good frame).
    QImage Decode(GstSample* sample, QSize shown);

private:
    QImage DecodeJpeg(GstSample* sample, QSize shown);
    QImage ConvertYuy2(GstSample* sample, QSize shown);

    JpegDecompressor m_jpeg;
    Yuy2Converter m_yuy2;
};
