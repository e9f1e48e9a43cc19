#pragma once

#include "button/DeviceRoots.h"

#include <QString>
#include <QStringList>

// The running camera as the button monitor sees it: its video node's name ("video0") for a
// V4L2 camera, or the sysfs path of its USB device for a simulated one.
struct ButtonCamera {
    QString videoNode;
    QString usbDevice;
};

// The camera's USB device folder in sysfs (symbolic links resolved); empty when unknown.
QString CameraUsbDevice(const DeviceRoots& roots, const ButtonCamera& camera);

// The evdev nodes (<dev>/input/eventN) that report KEY_CAMERA and belong to the camera's USB
// device, so that a keyboard's camera key is not taken for the camera's button.
QStringList FindCameraKeyDevices(const DeviceRoots& roots, const ButtonCamera& camera);

// Whether a sysfs "capabilities/key" bitmap (hexadecimal words, most significant first)
// has the key's bit set.
bool HasKey(const QByteArray& bitmap, int key);
