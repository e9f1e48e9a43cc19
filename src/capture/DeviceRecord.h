#pragma once

#include "platform/video/VideoDevice.h"

#include <QByteArray>
#include <memory>

// One video device of the enumerated list; its position in the list is the device's index
// everywhere (combo box entry, device and graph indices).
struct DeviceRecord {
    QByteArray name;        // at most 127 bytes of UTF-8
    VideoDeviceInfo device; // what binding the device needs
    bool present = true;    // false while the camera is unplugged
    std::unique_ptr<DeviceRecord> next;
};

// Replaces the list with the devices present; returns their number. The capture graph binds
// the devices of this list (BindDevice).
int EnumerateDevices(std::unique_ptr<DeviceRecord>& head);

// What a new listing changed in the list.
struct DeviceChanges {
    QList<int> added;    // cameras not seen before, appended to the list
    QList<int> removed;  // listed cameras that are gone now
    QList<int> returned; // listed cameras that were gone and are back
};

// Brings the list in line with the cameras present without moving any record, so that every
// index keeps naming the camera it named: a camera that went away stays in its place and is no
// longer present, one that comes back (matched by what it is, never by its place in present)
// is present again, and a new one is appended. The capture graph then binds the new list.
DeviceChanges MergeDevices(std::unique_ptr<DeviceRecord>& head,
                           const QList<VideoDeviceInfo>& present);

// The n-th record, or null.
const DeviceRecord* DeviceAt(const DeviceRecord* head, int n);
