#pragma once

#include "capture/Calibration.h"

#include <QSize>
#include <QString>
#include <optional>

// What SaveCurrentFrame wrote: the frame's size and the picture's, both empty when it wrote
// nothing.
struct SavedFrame {
    QSize frame;
    QSize picture;
};

// Writes the camera's current frame to path as a 4:3 JPEG picture: the delivered still
// frame, or the graph's last frame. A camera with a still pin and no frame delivered yet is
// only asked for one; the picture is written when it has come. With a calibration for the
// scale bar, the bar is drawn into the picture.
SavedFrame SaveCurrentFrame(const QString& path,
                            const std::optional<Calibration>& scaleBar = std::nullopt);
