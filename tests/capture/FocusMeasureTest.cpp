#include "capture/FocusMeasure.h"
#include "capture/CameraFrames.h"
#include "capture/PreviewDecoder.h"
#include "support/FocusChart.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

QImage Gained(const QImage& image, double gain) {
    QImage out(image.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        auto* target = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            auto scaled = [&](int v) { return std::min(255, int(std::lround(v * gain))); };
            target[x] = qRgb(scaled(qRed(in[x])), scaled(qGreen(in[x])), scaled(qBlue(in[x])));
        }
    }
    return out;
}

// The measure as the live view takes it: the chart sent as a 1280 x 720 camera frame and
// decoded for the 640 x 480 box.
double LiveMeasure(const QImage& frame) {
    PreviewDecoder decoder;
    const QImage decoded =
        decoder.Decode(JpegSample(CameraJpeg(frame), frame.size()).get(), QSize(640, 480));
    EXPECT_EQ(decoded.size(), QSize(960, 540));
    return FocusMeasure(decoded);
}

TEST(FocusMeasure, FallsWithEveryStepOfBlurAndHardlyWithBrightness) {
    ASSERT_TRUE(EnsureGstInit());
    const QImage chart = FocusChart(QSize(1280, 720));
    double previous = LiveMeasure(chart);
    for (double sigma : {0.7, 1.0, 1.5, 2.0, 3.0, 4.5, 7.0, 10.0}) {
        const double measure = LiveMeasure(GaussianBlurred(chart, sigma));
        EXPECT_LT(measure, previous * 0.95) << "Gaussian radius " << sigma;
        previous = measure;
    }
    // A gain on the whole picture (half the exposure, 1.4 times) moves it by at most 5 %, in
    // focus and out of it; the blur steps above move it by more.
    for (const QImage& picture : {chart, GaussianBlurred(chart, 2.0)}) {
        const double base = LiveMeasure(picture);
        for (double gain : {0.5, 1.4}) {
            EXPECT_NEAR(LiveMeasure(Gained(picture, gain)) / base, 1.0, 0.05) << "gain " << gain;
        }
    }
    EXPECT_EQ(FocusMeasure(QImage()), 0);
    QImage black(64, 48, QImage::Format_RGB32);
    black.fill(Qt::black);
    EXPECT_EQ(FocusMeasure(black), 0);
}

} // namespace
