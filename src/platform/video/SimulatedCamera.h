#pragma once

#include "platform/video/VideoCapability.h"

#include <QList>
#include <QString>
#include <QStringList>

// One camera of a simulated-camera description file (VELDOR_SIMULATED_CAMERAS).
struct SimulatedCamera {
    QString name;
    bool stillPin = false;
    QStringList controls;
    QList<VideoCapability> formats;
    QString pattern = QStringLiteral("smpte");
    QString usbDevice; // sysfs path of the USB device it stands for, for its snapshot key
    bool busy = false; // held by another program: its stream fails as a busy device's does
    // A recording replayed instead of the test pattern (an MJPEG AVI file or a folder of JPEG
    // files); such a camera has one format, the recording's.
    QString replay;
};

// The cameras of a description file: a JSON array of objects with "name", "stillPin",
// "controls", "formats" (each "format", "width", "height", optional "framerate") and
// "pattern", optional "usbDevice", "busy" and "replay". Entries without a name or without a usable
// format are skipped; a replaying camera keeps its first MJPG or YUY2 format only. A file that
// cannot be read or parsed gives no camera; error, when given, says why. ReadSimulatedCameras takes
// a relative replay path from the description file's folder.
QList<SimulatedCamera> ReadSimulatedCameras(const QString& path, QString* error = nullptr);
QList<SimulatedCamera> ParseSimulatedCameras(const QByteArray& json, QString* error = nullptr);

inline constexpr const char* kSimulatedCamerasVariable = "VELDOR_SIMULATED_CAMERAS";
