#pragma once

#include <QByteArray>
#include <cstdint>

// What the reader needs to know of a HID report descriptor.
struct ReportLayout {
    // The longest input report in bytes with its report id byte, which is counted even when
    // the device has no report ids (then it is 0); 0 when the descriptor declares no input.
    std::uint16_t inputReportLength = 0;
    // The reports start with a report id byte. Without ids hidraw delivers the data alone.
    bool numberedReports = false;
};

ReportLayout ParseReportDescriptor(const QByteArray& descriptor);
