#pragma once

#include "platform/video/VideoDevice.h"

#include <QByteArray>
#include <memory>

// One video device of the enumerated list; its position in the list is the device's index
// everywhere (combo box entry, device and graph indices).
struct DeviceRecord {
    QByteArray name;        // at most 127 bytes of UTF-8
    VideoDeviceInfo device; // what binding the device needs
    std::unique_ptr<DeviceRecord> next;
};

// Replaces the list with the devices present; returns their number.
int EnumerateDevices(std::unique_ptr<DeviceRecord>& head);

// The n-th record, or null.
const DeviceRecord* DeviceAt(const DeviceRecord* head, int n);
