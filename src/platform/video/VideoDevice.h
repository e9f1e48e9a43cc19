#pragma once

#include "platform/video/SimulatedCamera.h"
#include "platform/video/VideoCapability.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

inline constexpr int kDeviceNameMax = 127;

// One video capture device as the platform lists it.
struct VideoDeviceInfo {
    QByteArray name;                          // friendly name, UTF-8, at most 127 bytes
    QString devicePath;                       // /dev/videoN; empty for a simulated camera
    std::optional<SimulatedCamera> simulated; // set for a simulated camera
    QList<VideoCapability> capabilities;
};

// The capture devices in a stable order: the simulated cameras of the file named by
// VELDOR_SIMULATED_CAMERAS when it is set, else the V4L2 cameras.
QList<VideoDeviceInfo> EnumerateVideoDevices();

// The V4L2 video capture devices (GstDeviceMonitor, v4l2 provider), ordered by device node.
QList<VideoDeviceInfo> ListV4l2Devices();

QList<VideoDeviceInfo> SimulatedDevices(const QList<SimulatedCamera>& cameras);
