#include "capture/FrameResample.h"

#include "platform/trace/Trace.h"

#include <climits>
#include <cstdint>

int FrameStride(int width, int bitCount) {
    if (width < 0 || bitCount < 0) {
        return -1;
    }
    const int64_t bytes = int64_t(bitCount / 8) * width;
    const int64_t stride = (bytes + 3) / 4 * 4;
    return stride > INT_MAX ? -1 : int(stride);
}

std::optional<Picture43> ResampleTo43(const unsigned char* frame, size_t length,
                                      const FrameFormat& format) {
    const int width = format.width;
    const int height = format.height;
    if (frame == nullptr || width <= 0 || height <= 0 || format.bitCount != 24) {
        qCDebug(veldorTrace) << "ResampleTo43: unusable frame format" << width << height
                             << format.bitCount;
        return std::nullopt;
    }
    const int stride = FrameStride(width, format.bitCount);
    const int outHeight = int(int64_t(3) * width / 4);
    if (stride <= 0 || outHeight <= 0) {
        qCDebug(veldorTrace) << "ResampleTo43: unusable frame size" << width << height;
        return std::nullopt;
    }
    // Both products are at most INT_MAX squared, well inside 64 bits; the limit that matters is
    // what a buffer can hold.
    const uint64_t frameBytes = uint64_t(stride) * uint64_t(height);
    const uint64_t outBytes = uint64_t(stride) * uint64_t(outHeight);
    if (frameBytes > SIZE_MAX || outBytes > SIZE_MAX || outBytes > PTRDIFF_MAX) {
        qCDebug(veldorTrace) << "ResampleTo43: frame too large" << width << height;
        return std::nullopt;
    }
    if (length < frameBytes) {
        qCDebug(veldorTrace) << "ResampleTo43: frame of" << length << "bytes, expected"
                             << frameBytes;
        return std::nullopt;
    }

    Picture43 picture;
    picture.width = width;
    picture.height = outHeight;
    // Appending row by row writes every output byte once, without zero-filling first.
    picture.pixels.reserve(size_t(outBytes));
    for (int j = 0; j < outHeight; ++j) {
        const int64_t sourceRow = int64_t(j) * height / outHeight;
        const unsigned char* row = frame + size_t(sourceRow) * size_t(stride);
        picture.pixels.insert(picture.pixels.end(), row, row + stride);
    }
    return picture;
}
