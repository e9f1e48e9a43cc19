// The simulated-camera description file: any bytes give only cameras the program can use, and
// their controls build the same control table a real camera's do.

#include "FuzzCheck.h"

#include "platform/video/SimulatedCamera.h"
#include "platform/video/SimulatedControls.h"
#include "platform/video/VideoDevice.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString error;
    const QList<SimulatedCamera> cameras = ParseSimulatedCameras(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), &error);
    FUZZ_CHECK(cameras.isEmpty() || error.isEmpty());
    for (const SimulatedCamera& camera : cameras) {
        FUZZ_CHECK(!camera.name.isEmpty() && !camera.formats.isEmpty() &&
                   !camera.pattern.isEmpty());
        for (const VideoCapability& format : camera.formats) {
            FUZZ_CHECK(!format.format.isEmpty());
            FUZZ_CHECK(format.width > 0 && format.width <= 16384);
            FUZZ_CHECK(format.height > 0 && format.height <= 16384);
            FUZZ_CHECK(format.frameRates.size() == 1 && format.frameRates[0].den == 1 &&
                       format.frameRates[0].num > 0 && format.frameRates[0].num <= 240);
        }
        // A replaying camera has the one format of its recording.
        FUZZ_CHECK(
            camera.replay.isEmpty() ||
            (camera.formats.size() == 1 && (camera.formats[0].format == QLatin1String("MJPG") ||
                                            camera.formats[0].format == QLatin1String("YUY2"))));
        SimulatedControls controls(camera.controls);
        for (const ControlInfo& control : controls.Controls()) {
            FUZZ_CHECK(control.minimum <= control.defaultValue &&
                       control.defaultValue <= control.maximum);
        }
    }
    const QList<VideoDeviceInfo> devices = SimulatedDevices(cameras);
    FUZZ_CHECK(devices.size() == cameras.size());
    for (qsizetype i = 0; i < devices.size(); ++i) {
        const QByteArray name = cameras[i].name.toUtf8();
        FUZZ_CHECK(!devices[i].name.isEmpty() && devices[i].name.size() <= kDeviceNameMax);
        FUZZ_CHECK(name.startsWith(devices[i].name));
    }
    return 0;
}
