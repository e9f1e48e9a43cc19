#include "capture/Calibration.h"

#include <cmath>

namespace {

bool Positive(double value) {
    return std::isfinite(value) && value > 0;
}

} // namespace

bool Calibration::IsValid() const {
    return !name.isEmpty() && Positive(micrometresPerPixel) && size.width() > 0 &&
           size.height() > 0;
}

double Calibration::MicrometresPerPixelAt(int width) const {
    if (!IsValid() || width <= 0) {
        return 0;
    }
    return micrometresPerPixel * size.width() / width;
}

std::optional<Calibration> MeasuredCalibration(const QString& name, double micrometres,
                                               double framePixels, QSize frameSize) {
    Calibration calibration{name.trimmed(), micrometres / framePixels, frameSize};
    if (!Positive(micrometres) || !Positive(framePixels) || !calibration.IsValid()) {
        return std::nullopt;
    }
    return calibration;
}
