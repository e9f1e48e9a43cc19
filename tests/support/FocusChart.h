#pragma once

#include <QImage>
#include <QSize>

// A focusing chart in mid tones (a gain of 1.4 clips nothing): line pairs of several widths,
// rings, a checkerboard and text.
QImage FocusChart(QSize size);
// The picture blurred by a Gaussian of standard deviation sigma pixels, edges repeated.
QImage GaussianBlurred(const QImage& image, double sigma);
