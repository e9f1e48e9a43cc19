#include "platform/video/VideoDevice.h"

#include "platform/profile/ProfileText.h"
#include "platform/video/CapsParsing.h"

QList<VideoDeviceInfo> SimulatedDevices(const QList<SimulatedCamera>& cameras) {
    QList<VideoDeviceInfo> devices;
    for (const SimulatedCamera& camera : cameras) {
        VideoDeviceInfo device;
        device.name = ProfileText::CutUtf8(camera.name.toUtf8(), kDeviceNameMax);
        device.simulated = camera;
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
