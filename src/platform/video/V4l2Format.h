#pragma once

#include "platform/video/VideoCapability.h"

#include <QString>
#include <optional>

// The capture format a V4L2 device has now (VIDIOC_G_FMT), or nothing when it cannot be read.
std::optional<VideoCapability> QueryV4l2Format(const QString& devicePath);

// The FOURCC-style name of a V4L2 pixel format ("YUY2" for YUYV, "MJPG", ...).
QString V4l2FormatName(unsigned pixelFormat);
