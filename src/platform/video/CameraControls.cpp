#include "platform/video/CameraControls.h"

#include <cstdint>

int FitToRange(int value, int minimum, int maximum, int step) {
    if (minimum >= maximum || value <= minimum) {
        return minimum;
    }
    if (value >= maximum) {
        value = maximum;
    }
    if (step <= 1) {
        return value;
    }
    // 64-bit arithmetic: maximum - minimum can exceed the int range.
    const std::int64_t offset = std::int64_t(value) - minimum;
    std::int64_t fitted = minimum + (offset + step / 2) / step * std::int64_t(step);
    if (fitted > maximum) {
        fitted -= step;
    }
    return int(fitted);
}
