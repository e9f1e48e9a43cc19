#pragma once

#include "capture/CaptureGraph.h"

#include <optional>

// The frame of a BGR or BGRx sample in the grabber's format: 24-bit BGR rows padded to 4
// bytes, bottom row first. Nothing when the sample is not a frame of those formats.
std::optional<GrabbedFrame> FrameFromSample(GstSample* sample);
