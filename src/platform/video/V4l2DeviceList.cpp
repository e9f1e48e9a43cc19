#include "platform/video/VideoDevice.h"

QList<VideoDeviceInfo> ListV4l2Devices() {
    return {};
}
