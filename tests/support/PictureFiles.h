#pragma once

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdlib>

// Pictures for the save folders of window tests.

// A JPEG of one colour; false when it cannot be written.
inline bool WritePicture(const QString& path, QColor colour, QSize size = QSize(64, 48)) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path, "JPEG", 95);
}

// A JPEG whose quadrants are red, green, blue and yellow (left to right, top to bottom).
inline bool WriteQuadrants(const QString& path, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    const int w = size.width();
    const int h = size.height();
    {
        QPainter p(&image);
        p.fillRect(0, 0, w / 2, h / 2, Qt::red);
        p.fillRect(w / 2, 0, w - w / 2, h / 2, Qt::green);
        p.fillRect(0, h / 2, w / 2, h - h / 2, Qt::blue);
        p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, Qt::yellow);
    }
    return QDir().mkpath(QFileInfo(path).absolutePath()) && image.save(path, "JPEG", 95);
}

// Whether a decoded pixel is close to a colour (JPEG changes colours a little).
inline bool NearColour(QRgb pixel, QColor expected, int tolerance = 60) {
    return std::abs(qRed(pixel) - expected.red()) < tolerance &&
           std::abs(qGreen(pixel) - expected.green()) < tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) < tolerance;
}
