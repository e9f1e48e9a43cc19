#pragma once

#include <QString>

// Writes the camera's current frame to path as a 4:3 JPEG picture: the delivered still
// frame, or the graph's last frame. A camera with a still pin and no frame delivered yet is
// only asked for one; the picture is written when it has come.
void SaveCurrentFrame(const QString& path);
