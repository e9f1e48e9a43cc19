#pragma once

#include <QSize>
#include <QString>
#include <optional>

// A length per pixel the user measured for one magnification: the camera's frames at size
// show micrometresPerPixel of the object per pixel.
struct Calibration {
    QString name;
    double micrometresPerPixel = 0;
    QSize size; // the capture size it was measured at

    bool IsValid() const;
    // The length per pixel of a frame width pixels wide, the same optics at another capture
    // size: a camera scales its sensor's field to each size it offers, keeping the field's
    // width. 0 for an invalid calibration or width.
    double MicrometresPerPixelAt(int width) const;
};

// The calibration from a line drawn over framePixels pixels of a frame of frameSize between two
// marks micrometres apart. Nothing when a number is not positive and finite or the name is
// empty.
std::optional<Calibration> MeasuredCalibration(const QString& name, double micrometres,
                                               double framePixels, QSize frameSize);
