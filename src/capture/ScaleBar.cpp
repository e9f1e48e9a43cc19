#include "capture/ScaleBar.h"

#include "capture/FrameResample.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <cmath>

namespace {

bool Positive(double value) {
    return std::isfinite(value) && value > 0;
}

} // namespace

QString ScaleBarLabel(int mantissa, int exponent) {
    if (exponent >= 3) {
        return QStringLiteral("%1 mm").arg(mantissa * std::pow(10.0, exponent - 3), 0, 'f', 0);
    }
    if (exponent >= 0) {
        return QStringLiteral("%1 µm").arg(mantissa * std::pow(10.0, exponent), 0, 'f', 0);
    }
    return QStringLiteral("%1 µm").arg(mantissa * std::pow(10.0, exponent), 0, 'f', -exponent);
}

std::optional<ScaleBar> ChooseScaleBar(double micrometresPerPixel, double widthPixels) {
    if (!Positive(micrometresPerPixel) || !Positive(widthPixels)) {
        return std::nullopt;
    }
    const double target = widthPixels / 5 * micrometresPerPixel;
    const int decade = int(std::floor(std::log10(target)));
    int bestMantissa = 0;
    int bestExponent = 0;
    double bestDistance = INFINITY;
    // The decade below and above too, so that rounding in the logarithm cannot miss the nearest.
    for (int exponent = decade - 1; exponent <= decade + 1; ++exponent) {
        for (int mantissa : {1, 2, 5}) {
            const double length = mantissa * std::pow(10.0, exponent);
            const double distance = std::abs(std::log(length / target));
            if (distance < bestDistance) {
                bestDistance = distance;
                bestMantissa = mantissa;
                bestExponent = exponent;
            }
        }
    }
    ScaleBar bar;
    bar.micrometres = bestMantissa * std::pow(10.0, bestExponent);
    bar.pixels = bar.micrometres / micrometresPerPixel;
    bar.label = ScaleBarLabel(bestMantissa, bestExponent);
    return bar;
}

void DrawScaleBar(QPainter& painter, const QRectF& picture, const ScaleBar& bar,
                  std::optional<double> bottom) {
    const double unit = std::max(picture.height(), 120.0);
    const double margin = unit / 40;
    const double thickness = std::max(2.0, unit / 120);
    const double padding = thickness * 1.5;
    QFont font = painter.font();
    font.setPixelSize(std::max(9, int(unit / 32)));
    font.setBold(true);
    const QFontMetricsF metrics(font);
    const double textWidth = metrics.horizontalAdvance(bar.label);
    const double textHeight = metrics.height();

    const double plateWidth = std::max(bar.pixels, textWidth) + 2 * padding;
    const double plateHeight = textHeight + thickness + 3 * padding;
    const double lowest = std::min(picture.bottom(), bottom.value_or(picture.bottom()));
    const QRectF plate(picture.right() - margin - plateWidth, lowest - margin - plateHeight,
                       plateWidth, plateHeight);
    const QRectF barRect(plate.center().x() - bar.pixels / 2, plate.bottom() - padding - thickness,
                         bar.pixels, thickness);
    const QRectF textRect(plate.left(), plate.top() + padding, plate.width(), textHeight);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 150));
    painter.drawRoundedRect(plate, padding, padding);
    painter.fillRect(barRect, Qt::white);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(textRect, Qt::AlignCenter, bar.label);
    painter.restore();
}

bool BurnScaleBar(Picture43& picture, double micrometresPerPixel) {
    const std::optional<ScaleBar> bar = ChooseScaleBar(micrometresPerPixel, picture.width);
    const int stride = FrameStride(picture.width, 24);
    if (!bar || stride <= 0 || picture.height <= 0 ||
        picture.pixels.size() < size_t(stride) * size_t(picture.height)) {
        return false;
    }
    QImage image(picture.pixels.data(), picture.width, picture.height, stride,
                 QImage::Format_BGR888);
    QPainter painter(&image);
    // The rows are stored bottom row first: draw upside down to see it the right way up.
    painter.translate(0, picture.height);
    painter.scale(1, -1);
    DrawScaleBar(painter, QRectF(0, 0, picture.width, picture.height), *bar);
    return true;
}
