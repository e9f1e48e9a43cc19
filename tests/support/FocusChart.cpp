#include "support/FocusChart.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

QImage FocusChart(QSize size) {
    QImage chart(size, QImage::Format_RGB32);
    chart.fill(QColor(110, 110, 110));
    QPainter painter(&chart);
    const QColor dark(35, 35, 35);
    const QColor light(175, 175, 175);
    const double s = size.height() / 720.0;
    double x = 40 * s;
    for (int width : {1, 2, 3, 5, 8}) {
        for (int i = 0; i < 8; ++i, x += 2 * width * s) {
            painter.fillRect(QRectF(x, 60 * s, width * s, 260 * s), dark);
            painter.fillRect(QRectF(x + width * s, 60 * s, width * s, 260 * s), light);
        }
        x += 20 * s;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    for (int r = 20; r < 200; r += 14) {
        painter.setPen(QPen(r % 28 ? light : dark, 5 * s));
        painter.drawEllipse(QPointF(size.width() * 0.75, size.height() / 3.0), r * s, r * s);
    }
    for (int cy = 0; cy < 8; ++cy) {
        for (int cx = 0; cx < 16; ++cx) {
            painter.fillRect(QRectF((60 + cx * 24) * s, (400 + cy * 24) * s, 24 * s, 24 * s),
                             (cx + cy) % 2 ? dark : light);
        }
    }
    QFont font = painter.font();
    font.setPixelSize(std::max(8, int(28 * s)));
    painter.setFont(font);
    painter.setPen(dark);
    painter.drawText(QRectF(520 * s, 420 * s, size.width() - 540 * s, 260 * s), Qt::TextWordWrap,
                     QStringLiteral("0.01 mm stage micrometer 顕微鏡 ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    return chart;
}

QImage GaussianBlurred(const QImage& image, double sigma) {
    if (sigma <= 0) {
        return image.convertToFormat(QImage::Format_RGB32);
    }
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
    return pass(pass(image.convertToFormat(QImage::Format_RGB32), true), false);
}
