#pragma once

#include <QImage>

// How sharp a decoded preview frame (QImage::Format_RGB32) is: the mean squared brightness
// difference of neighbouring pixels, across and down, over the square of the mean brightness.
// Blur lowers it; a gain on the whole picture (exposure, the camera's gain) leaves it as it
// is. Rows are sampled (about 128 of them, each pixel with its right and lower neighbour), so
// that it costs little at any size. 0 for an empty or black frame.
double FocusMeasure(const QImage& frame);
