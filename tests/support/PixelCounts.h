#pragma once

#include <QImage>
#include <QRect>

// Counting the pixels of a grabbed window that look a certain way.

// Pixels of rect in image for which test holds.
template <typename Test> int Count(const QImage& image, const QRect& rect, Test test) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            n += test(image.pixel(x, y)) ? 1 : 0;
        }
    }
    return n;
}

inline bool Dark(QRgb p) {
    return qGray(p) < 110;
}
inline bool PureRed(QRgb p) {
    return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
}
inline bool White(QRgb p) {
    return (p & 0xFFFFFF) == 0xFFFFFF;
}
