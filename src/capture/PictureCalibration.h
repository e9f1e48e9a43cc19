#pragma once

#include "capture/Calibration.h"

#include <QSize>
#include <QString>
#include <optional>

class ProfileBatch;

// The calibration a still picture was taken with, for the picture's own pixels, as its
// camera-settings file keeps it in the section "Calibration" beside "USBProperty". A still
// keeps the frame's width and resamples its rows to 4:3, so a picture's pixel may cover another
// length down than across.
struct PictureCalibration {
    QString name;
    double micrometresPerPixelX = 0; // across one pixel of the picture
    double micrometresPerPixelY = 0; // down one pixel
    QSize size;                      // the picture these hold for

    bool IsValid() const;
    // The length across one pixel of the picture drawn width pixels wide; 0 when invalid.
    double MicrometresPerShownPixel(double width) const;
};

// What a picture of pictureSize made from a frame of frameSize, taken with calibration, shows
// per pixel. Invalid when the calibration or a size is.
PictureCalibration CalibrationOfPicture(const Calibration& calibration, QSize frameSize,
                                        QSize pictureSize);

// Adds the section to the batch of the picture's settings file; false when a key is refused.
bool WritePictureCalibration(ProfileBatch& batch, const PictureCalibration& calibration);
// The picture's calibration from its settings file; nothing when the file has none that reads
// as one.
std::optional<PictureCalibration> ReadPictureCalibration(const QString& iniPath);
