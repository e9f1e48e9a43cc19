#pragma once

#include "platform/video/VideoDevice.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// What the device monitor says about one device, reduced to what choosing the cameras needs.
struct MonitoredDevice {
    QString provider;    // factory name of the device's provider; empty when it is not known
    QString api;         // the "device.api" property
    QString deviceClass; // "Video/Source", "Audio/Source", ...
    QString path;        // the "device.path" property; empty when the device has none
    QByteArray name;     // display name, UTF-8
    QString caps;        // the device's caps in text form
    QString busInfo;     // the "v4l2.device.bus_info" property
    QByteArray card;     // the "v4l2.device.card" property
};

inline constexpr const char* kV4l2DeviceProvider = "v4l2deviceprovider";

// The V4L2 cameras among devices: video sources of the v4l2 device provider (PipeWire and
// libcamera list the same cameras again under the same "device.api"), each device node once,
// only nodes offering at least one video format (UVC metadata nodes offer none), ordered by
// the number of /dev/videoN with other paths last, names cut to kDeviceNameMax bytes on a
// character boundary. The order is stable, so a device keeps its index between listings.
QList<VideoDeviceInfo> SelectV4l2Devices(const QList<MonitoredDevice>& devices);

// N of a "/dev/videoN" path; nothing for any other path.
std::optional<int> VideoNodeNumber(const QString& path);
