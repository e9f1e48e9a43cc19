#pragma once

#include "capture/FrameFormat.h"

#include <cstddef>
#include <optional>
#include <vector>

// Row stride of a frame: bytesPerPixel * width rounded up to a multiple of 4. -1 when width or
// bitCount is negative or the stride does not fit in an int.
int FrameStride(int width, int bitCount);

// A picture of aspect ratio 4:3 in the frame's own layout (BGR, padded rows, bottom row first).
struct Picture43 {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};

// The 4:3 picture made from a bottom-up frame: output height OH = (3 * W) / 4; output row j is
// source row (j * H) / OH, rows counted from the start of the buffers, so the output stays
// bottom-up. Nothing when the format is unusable (a size <= 0, a bit count other than 24, sizes
// that overflow, an output height of 0) or the frame holds fewer than stride * H bytes.
std::optional<Picture43> ResampleTo43(const unsigned char* frame, size_t length,
                                      const FrameFormat& format);
