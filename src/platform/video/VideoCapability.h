#pragma once

#include <QList>
#include <QString>

struct Fraction {
    int num = 0;
    int den = 1;
    bool operator==(const Fraction&) const = default;
};

// One capture format a camera offers: its pixel format by FOURCC-style name ("YUY2", "MJPG",
// "NV12", ...), its frame size and its frame rates.
struct VideoCapability {
    QString format;
    int width = 0;
    int height = 0;
    QList<Fraction> frameRates;

    bool SameFormat(const VideoCapability& other) const {
        return format == other.format && width == other.width && height == other.height;
    }
    bool operator==(const VideoCapability&) const = default;
};
