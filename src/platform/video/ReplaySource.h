#pragma once

#include "platform/video/VideoCapability.h"

#include <QString>
#include <gst/gst.h>

// A camera that replays a recording (see ReplayFrames) in format, looping, paced at the format's
// frame rate like a live camera. MJPG sends the recording's frames as they are; YUY2 sends them
// converted, each frame once: the converted recording is kept, up to 800 MiB. The chain: a live
// appsrc named "camera" fed from the recording on its own streaming thread, then clocksync. A
// recording that cannot be read, or a frame that is not of the format's size, fails the stream with
// an error on the bus, as a broken camera does. Returns the chain's last element, added to bin, or
// null.
GstElement* AddReplayChain(GstBin* bin, const QString& path, const VideoCapability& format);
