#include "capture/DeviceRecord.h"

#include <cstdio>

int EnumerateDevices(std::unique_ptr<DeviceRecord>& head) {
    head.reset();
    const QList<VideoDeviceInfo> devices = EnumerateVideoDevices();
    if (devices.isEmpty()) {
        std::fputs("no device\n", stdout);
        std::fflush(stdout);
        return 0;
    }
    std::unique_ptr<DeviceRecord>* tail = &head;
    for (const VideoDeviceInfo& device : devices) {
        *tail = std::make_unique<DeviceRecord>();
        (*tail)->name = device.name;
        (*tail)->device = device;
        tail = &(*tail)->next;
    }
    return static_cast<int>(devices.size());
}

const DeviceRecord* DeviceAt(const DeviceRecord* head, int n) {
    if (n < 0) {
        return nullptr;
    }
    for (int i = 0; head && i < n; ++i) {
        head = head->next.get();
    }
    return head;
}
