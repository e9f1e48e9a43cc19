#pragma once

#include "capture/CaptureGraph.h"

#include <optional>

// The full frame of a sample in the grabber's format (24-bit BGR rows padded to 4 bytes, bottom
// row first): MJPEG decoded at full size with the accurate DCT, YUY2 converted with the colours
// its caps give, BGR/BGRx copied. Nothing for a corrupt frame or another format.
std::optional<GrabbedFrame> FrameFromSample(GstSample* sample);
