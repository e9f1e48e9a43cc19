#include "capture/FocusMeasure.h"
#include "capture/CameraFrames.h"
#include "capture/PreviewDecoder.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A focusing chart in mid tones (so that a gain of 1.4 clips nothing): line pairs of several
// widths, rings, a checkerboard and text.
QImage Chart(QSize size) {
    QImage chart(size, QImage::Format_RGB32);
    chart.fill(QColor(110, 110, 110));
    QPainter painter(&chart);
    const QColor dark(35, 35, 35);
    const QColor light(175, 175, 175);
    int x = 40;
    for (int width : {1, 2, 3, 5, 8}) {
        for (int i = 0; i < 8; ++i, x += 2 * width) {
            painter.fillRect(x, 60, width, 260, dark);
            painter.fillRect(x + width, 60, width, 260, light);
        }
        x += 20;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    for (int r = 20; r < 200; r += 14) {
        painter.setPen(QPen(r % 28 ? light : dark, 5));
        painter.drawEllipse(QPoint(size.width() * 3 / 4, size.height() / 3), r, r);
    }
    for (int cy = 0; cy < 8; ++cy) {
        for (int cx = 0; cx < 16; ++cx) {
            painter.fillRect(60 + cx * 24, 400 + cy * 24, 24, 24, (cx + cy) % 2 ? dark : light);
        }
    }
    QFont font = painter.font();
    font.setPixelSize(28);
    painter.setFont(font);
    painter.setPen(dark);
    painter.drawText(QRect(520, 420, 700, 260), Qt::TextWordWrap,
                     QStringLiteral("0.01 mm stage micrometer 顕微鏡 ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    return chart;
}

// Separable Gaussian blur of standard deviation sigma pixels, edges repeated.
QImage Blurred(const QImage& image, double sigma) {
    const int radius = int(std::ceil(3 * sigma));
    std::vector<double> kernel(2 * radius + 1);
    double sum = 0;
    for (int i = -radius; i <= radius; ++i) {
        sum += kernel[i + radius] = std::exp(-i * i / (2 * sigma * sigma));
    }
    for (double& k : kernel) {
        k /= sum;
    }
    const int w = image.width();
    const int h = image.height();
    auto pass = [&](const QImage& in, bool across) {
        QImage out(in.size(), QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            auto* target = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < w; ++x) {
                double r = 0, g = 0, b = 0;
                for (int i = -radius; i <= radius; ++i) {
                    const int sx = across ? std::clamp(x + i, 0, w - 1) : x;
                    const int sy = across ? y : std::clamp(y + i, 0, h - 1);
                    const QRgb p = reinterpret_cast<const QRgb*>(in.constScanLine(sy))[sx];
                    const double k = kernel[i + radius];
                    r += k * qRed(p);
                    g += k * qGreen(p);
                    b += k * qBlue(p);
                }
                target[x] = qRgb(int(std::lround(r)), int(std::lround(g)), int(std::lround(b)));
            }
        }
        return out;
    };
    return pass(pass(image, true), false);
}

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
    const QImage chart = Chart(QSize(1280, 720));
    double previous = LiveMeasure(chart);
    for (double sigma : {0.7, 1.0, 1.5, 2.0, 3.0, 4.5, 7.0, 10.0}) {
        const double measure = LiveMeasure(Blurred(chart, sigma));
        EXPECT_LT(measure, previous * 0.95) << "Gaussian radius " << sigma;
        previous = measure;
    }
    // A gain on the whole picture (half the exposure, 1.4 times) moves it by at most 5 %, in
    // focus and out of it; the blur steps above move it by more.
    for (const QImage& picture : {chart, Blurred(chart, 2.0)}) {
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
