#pragma once

#include "button/DeviceRoots.h"

#include <QByteArray>
#include <cstdint>

class Prompts;

// Finds the camera's button interface among the hidraw devices.
class HIDUtilities {
public:
    HIDUtilities(const DeviceRoots& roots, Prompts* prompts);
    virtual ~HIDUtilities();
    HIDUtilities(const HIDUtilities&) = delete;
    HIDUtilities& operator=(const HIDUtilities&) = delete;

    // True when an interface with the wanted vendor and product is present: the device path
    // and the input report length are then filled in and the device handle is held open.
    bool FindDeviceAndAssignDeviceName();
    void CloseDeviceHandle();

    int m_deviceHandle = -1;               // O_PATH handle of the found node, -1 when none
    std::uint16_t m_inputReportLength = 0; // with the report id byte; 0 until found
    QByteArray m_devicePath;               // the found node; empty when none is assigned
    bool m_numberedReports = false;        // the device's reports start with their id
    int m_productId = 0x6D1B;
    int m_vendorId = 0xB4D2;

private:
    DeviceRoots m_roots;
    Prompts* m_prompts;
};
