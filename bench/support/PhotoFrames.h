#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

// Camera frames for the benchmarks, cut from a photograph (lomiri-wallpapers-20.04's
// Kleiber_by_Lukas_Baubkus.jpg, CC BY-SA 3.0), panning across it: realistic content, unlike a
// test pattern. Each list is empty when the photograph cannot be read; error then says why.

// count frames of size as UVC cameras send MJPEG: JPEG, quality 85, 4:2:2.
QList<QByteArray> PhotoJpegFrames(QSize size, int count, QString* error);
// count frames of size as YUY2 (BT.601, limited range), rows of 2 x width bytes.
QList<QByteArray> PhotoYuy2Frames(QSize size, int count, QString* error);
// Writes the JPEG frames into folder as 0000.jpg, 0001.jpg..., for a replay camera.
bool WritePhotoJpegFolder(const QString& folder, QSize size, int count, QString* error);
