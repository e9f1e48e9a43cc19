#pragma once

#include "platform/video/V4l2Io.h"
#include "platform/video/VideoCapability.h"

#include <QString>
#include <optional>

// The capture format a V4L2 device has now (VIDIOC_G_FMT), or nothing when it cannot be read.
std::optional<VideoCapability> QueryV4l2Format(const QString& devicePath,
                                               const V4l2Io& io = RealV4l2Io());

// Makes cap the device's format (VIDIOC_S_FMT), which it keeps for the next stream; false when
// the device cannot be opened or does not take exactly that format.
bool SetV4l2Format(const QString& devicePath, const VideoCapability& cap,
                   const V4l2Io& io = RealV4l2Io());

// The FOURCC-style name of a V4L2 pixel format ("YUY2" for YUYV, "MJPG", ...).
QString V4l2FormatName(unsigned pixelFormat);
// The V4L2 pixel format of such a name; 0 for a name that is no FOURCC.
unsigned V4l2PixelFormat(const QString& name);
