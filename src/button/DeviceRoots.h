#pragma once

#include <QString>

// Where the kernel's device folders are: /sys and /dev, or a tree of the same layout below
// VELDOR_DEVICE_ROOT for tests and demonstrations.
struct DeviceRoots {
    QString sys = QStringLiteral("/sys");
    QString dev = QStringLiteral("/dev");
};

inline constexpr const char* kDeviceRootVariable = "VELDOR_DEVICE_ROOT";

// $VELDOR_DEVICE_ROOT/sys and $VELDOR_DEVICE_ROOT/dev when the variable is set, else /sys, /dev.
DeviceRoots DeviceRootsFromEnvironment();

// A small sysfs attribute file; empty when it cannot be read.
QByteArray ReadAttribute(const QString& path);
