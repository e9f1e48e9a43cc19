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
    QByteArray name;    // friendly name, UTF-8, at most 127 bytes
    QString devicePath; // /dev/videoN; empty for a simulated camera
    // What the camera is, beside its node: the V4L2 bus info ("usb-0000:00:14.0-2") and card
    // name; for a simulated camera its USB device, if described, and its name.
    QString busInfo;
    QByteArray card;
    std::optional<SimulatedCamera> simulated; // set for a simulated camera
    QList<VideoCapability> capabilities;
};

// The capture devices in a stable order: the simulated cameras of the file named by
// VELDOR_SIMULATED_CAMERAS when it is set, else the V4L2 cameras.
QList<VideoDeviceInfo> EnumerateVideoDevices();

// The V4L2 video capture devices (GstDeviceMonitor, v4l2 provider), ordered by device node.
QList<VideoDeviceInfo> ListV4l2Devices();

QList<VideoDeviceInfo> SimulatedDevices(const QList<SimulatedCamera>& cameras);

// Whether a and b are the same camera: the same node, bus info and card name (a list index or
// a friendly name alone says nothing: another camera may sit at that index, or share the name).
bool SameDevice(const VideoDeviceInfo& a, const VideoDeviceInfo& b);
// The same camera under another node: same bus info and card name. Nodes are numbered anew
// when a camera is plugged in again while another one holds its old number.
bool SameCameraOnOtherNode(const VideoDeviceInfo& a, const VideoDeviceInfo& b);
// The index of device in devices (SameDevice), or -1.
int IndexOfDevice(const QList<VideoDeviceInfo>& devices, const VideoDeviceInfo& device);
