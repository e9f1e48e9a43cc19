#pragma once

// The format record of a grabbed frame: 24-bit BGR rows, each padded to a multiple of 4 bytes,
// bottom row first.
struct FrameFormat {
    int width = 0;
    int height = 0;
    int bitCount = 24;
    int imageSize = 0;
};
