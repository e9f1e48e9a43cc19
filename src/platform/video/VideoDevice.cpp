#include "platform/video/VideoDevice.h"

#include "platform/profile/ProfileText.h"
#include "platform/video/CapsParsing.h"

QList<VideoDeviceInfo> SimulatedDevices(const QList<SimulatedCamera>& cameras) {
    QList<VideoDeviceInfo> devices;
    for (const SimulatedCamera& camera : cameras) {
        VideoDeviceInfo device;
        device.name = ProfileText::CutUtf8(camera.name.toUtf8(), kDeviceNameMax);
        device.simulated = camera;
        device.busInfo = camera.usbDevice;
        device.card = device.name;
        // Listed as a driver lists them, a size may come twice; the camera offers it once.
        device.capabilities = UniteDuplicateFormats(camera.formats);
        devices.append(device);
    }
    return devices;
}

QList<VideoDeviceInfo> EnumerateVideoDevices() {
    const QByteArray file = qgetenv(kSimulatedCamerasVariable);
    if (!file.isEmpty()) {
        return SimulatedDevices(ReadSimulatedCameras(QString::fromLocal8Bit(file)));
    }
    return ListV4l2Devices();
}

bool SameDevice(const VideoDeviceInfo& a, const VideoDeviceInfo& b) {
    return a.simulated.has_value() == b.simulated.has_value() && a.devicePath == b.devicePath &&
           a.busInfo == b.busInfo && a.card == b.card;
}

bool SameCameraOnOtherNode(const VideoDeviceInfo& a, const VideoDeviceInfo& b) {
    return !a.simulated && !b.simulated && !a.busInfo.isEmpty() && a.busInfo == b.busInfo &&
           a.card == b.card;
}

int IndexOfDevice(const QList<VideoDeviceInfo>& devices, const VideoDeviceInfo& device) {
    for (qsizetype i = 0; i < devices.size(); ++i) {
        if (SameDevice(devices[i], device)) {
            return int(i);
        }
    }
    return -1;
}
