#include "support/TestPicture.h"

#include <QPainter>
#include <cmath>

QImage TestPicture(QSize size, unsigned seed) {
    QImage image(size, QImage::Format_RGB32);
    unsigned noise = seed * 2654435761u + 1;
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = int(noise >> 28) - 8;
            const double fx = double(x) / size.width(), fy = double(y) / size.height();
            const double texture = 24 * std::sin(x * 0.21 + seed) * std::sin(y * 0.17);
            row[x] = qRgb(qBound(0, int(40 + 170 * fx + texture) + grain, 255),
                          qBound(0, int(200 - 150 * fy + texture / 2) + grain, 255),
                          qBound(0, int(60 + 120 * fx * fy - texture) + grain, 255));
        }
    }
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(230, 40, 30));
    painter.drawEllipse(
        QRectF(size.width() * 0.15, size.height() * 0.2, size.width() * 0.2, size.height() * 0.25));
    painter.setBrush(QColor(20, 30, 160));
    painter.drawRect(
        QRectF(size.width() * 0.6, size.height() * 0.55, size.width() * 0.25, size.height() * 0.3));
    painter.setBrush(QColor(250, 240, 120));
    painter.drawRect(
        QRectF(size.width() * 0.05, size.height() * 0.7, size.width() * 0.3, size.height() * 0.06));
    return image;
}
