#pragma once

#include <QSize>
#include <cstddef>
#include <optional>

// The picture size a JPEG frame's start-of-frame segment gives; nothing when the frame has no
// such segment before its scan, or the segment is cut.
std::optional<QSize> JpegFrameSize(const unsigned char* data, size_t size);
