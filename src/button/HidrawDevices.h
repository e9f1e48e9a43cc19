#pragma once

#include "button/DeviceRoots.h"

#include <QList>
#include <QString>
#include <cstdint>

// One hidraw interface of the wanted device.
struct HidrawDevice {
    QString node; // <dev>/hidrawN
    std::uint16_t inputReportLength = 0;
    bool numberedReports = false;
};

enum class HidrawSearch { Found, NotFound, ListUnreadable };

// The hidraw interfaces whose HID_ID names the vendor and product, in the order of their
// hidraw numbers. The class folder missing means no HID device is present (NotFound); a
// folder that exists but cannot be listed is ListUnreadable. Interfaces without an input
// report are left out.
HidrawSearch ListHidrawDevices(const DeviceRoots& roots, int vendorId, int productId,
                               QList<HidrawDevice>* matches);
