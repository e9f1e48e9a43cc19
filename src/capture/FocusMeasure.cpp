#include "capture/FocusMeasure.h"

#include <cstdint>

namespace {

constexpr int kRows = 128;

// Brightness of a BGRX pixel, 0 to 1020: blue + 2 green + red.
inline int Luma(const uint8_t* p) {
    return p[0] + 2 * p[1] + p[2];
}

} // namespace

double FocusMeasure(const QImage& frame) {
    const int width = frame.width();
    const int height = frame.height();
    const QImage::Format format = frame.format();
    if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32) || width < 2 ||
        height < 2) {
        return 0;
    }
    const int step = std::max(1, (height - 1) / kRows);
    uint64_t energy = 0;
    uint64_t sum = 0;
    uint64_t count = 0;
    for (int y = 0; y + 1 < height; y += step) {
        const uint8_t* row = frame.constScanLine(y);
        const uint8_t* below = frame.constScanLine(y + 1);
        uint64_t rowEnergy = 0;
        uint64_t rowSum = 0;
        int left = Luma(row);
        for (int x = 0; x + 1 < width; ++x) {
            const int right = Luma(row + 4 * (x + 1));
            const int down = Luma(below + 4 * x);
            const int dx = right - left;
            const int dy = down - left;
            rowEnergy += uint64_t(dx * dx + dy * dy);
            rowSum += uint64_t(left);
            left = right;
        }
        energy += rowEnergy;
        sum += rowSum;
        count += uint64_t(width - 1);
    }
    if (count == 0 || sum == 0) {
        return 0;
    }
    const double mean = double(sum) / double(count);
    return double(energy) / double(count) / (mean * mean);
}
