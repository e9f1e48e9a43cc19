// The button's HID report descriptor as the search reads it from sysfs, and the reads of its
// hidraw node as the reader judges them: any descriptor gives a layout the reader can use, and
// a read is a press exactly when the device sent report id 0 with state 1.
//
// Input: two bytes of descriptor length (little-endian), the descriptor, then reads, each one
// byte of length followed by that many bytes (as far as the input goes).

#include "FuzzCheck.h"

#include "button/ButtonReports.h"
#include "button/ReportDescriptor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const size_t length = std::min<size_t>(data[0] | data[1] << 8, size - 2);
    const ReportLayout layout = ParseReportDescriptor(
        QByteArray(reinterpret_cast<const char*>(data + 2), qsizetype(length)));
    // The search leaves out a device without input; any other has room for id and state.
    FUZZ_CHECK(layout.inputReportLength == 0 || layout.inputReportLength >= 2);

    for (size_t at = 2 + length; at < size;) {
        HidReport report(layout.inputReportLength, layout.numberedReports);
        FUZZ_CHECK(report.ReadSize() >= 1 && report.ReadSize() <= HidReport::kBufferSize);
        const size_t n = std::min({size_t(data[at]), size - at - 1, report.ReadSize()});
        const uint8_t* sent = data + at + 1;
        std::memcpy(report.ReadBuffer(), sent, n);
        // What the device sent: with report ids, the id and then the state; without, the
        // state alone, of report 0.
        const bool pressed = layout.numberedReports ? n >= 2 && sent[0] == 0 && sent[1] == 1
                                                    : n >= 1 && sent[0] == 1;
        FUZZ_CHECK(report.IsPress(n) == pressed);
        at += 1 + n;
    }
    return 0;
}
