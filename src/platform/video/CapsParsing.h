#pragma once

#include "platform/video/VideoCapability.h"

#include <QList>
#include <QString>
#include <gst/gst.h>
#include <optional>

// Capture formats as GStreamer caps and back. Format names are FOURCC-style: "YUY2" for
// video/x-raw YUY2, "MJPG" for image/jpeg, "H264" for video/x-h264, "HEVC" for video/x-h265;
// every other raw format keeps its GStreamer name ("NV12", "I420", "GRAY8", ...).

// One capability per distinct format and size of caps, in order of first appearance. Only
// structures with a fixed width and height and a known video media type count; frame rates of
// duplicate entries are united. Rates are distinct and highest first; a rate range gives its
// maximum and minimum. Null, empty or ANY caps give nothing.
QList<VideoCapability> CapabilitiesFromCaps(const GstCaps* caps);

// caps with each format and size once, in order of first appearance; the frame rates of
// duplicate entries are united, distinct and highest first.
QList<VideoCapability> UniteDuplicateFormats(const QList<VideoCapability>& caps);

// The same for caps in their text form; text that does not parse, or nests brackets more than
// 16 deep (which GStreamer's parser takes exponential time for), gives nothing.
QList<VideoCapability> CapabilitiesFromCapsString(const QString& caps);

// Fixed caps for a capsfilter selecting cap: media type, raw format, width, height and, with
// withRate, the capability's highest frame rate. Null (nothing to unref) when the format is
// unknown or the size is not positive. The caller owns the result.
GstCaps* CapsForCapability(const VideoCapability& cap, bool withRate);

std::optional<Fraction> HighestFrameRate(const VideoCapability& cap);

// "MJPG 1280x720 30/1 15/1", for trace lines.
QString CapabilityToString(const VideoCapability& cap);

// True when the live view can show frames of this format: YUY2, MJPG and the raw formats that
// videoconvert accepts. Compressed video streams (H264, HEVC) are not shown.
bool IsDisplayable(const VideoCapability& cap);
