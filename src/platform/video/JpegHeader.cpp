#include "platform/video/JpegHeader.h"

std::optional<QSize> JpegFrameSize(const unsigned char* data, size_t size) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        return std::nullopt;
    }
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) {
            return std::nullopt;
        }
        const unsigned char marker = data[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        const size_t length = (size_t(data[at + 2]) << 8) | data[at + 3];
        if (length < 2 || marker == 0xDA || marker == 0xD9) {
            return std::nullopt; // the scan (or the end) before any frame header
        }
        // SOF0..SOF15, less DHT (C4), JPG (C8) and DAC (CC).
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            if (length < 7 || at + 9 > size) {
                return std::nullopt;
            }
            const int height = (data[at + 5] << 8) | data[at + 6];
            const int width = (data[at + 7] << 8) | data[at + 8];
            return QSize(width, height);
        }
        at += 2 + length;
    }
    return std::nullopt;
}
