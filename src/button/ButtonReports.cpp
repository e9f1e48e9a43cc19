#include "button/ButtonReports.h"

#include <algorithm>
#include <cstring>

bool IsPressReport(const unsigned char* report, std::size_t length) {
    return length >= 2 && report[0] == 0x00 && report[1] == 0x01;
}

bool IsCameraKeyPress(const input_event& event) {
    return event.type == EV_KEY && event.code == KEY_CAMERA && event.value == 1;
}

HidReport::HidReport(std::uint16_t inputReportLength, bool numberedReports)
    : m_offset(numberedReports ? 0 : 1),
      // A report has at least the id byte and the state; a longer one than the buffer is
      // read cut, which keeps the id and the state.
      m_length(std::clamp<std::size_t>(inputReportLength, 2, kBufferSize)) {
}

int KeyRecords::Take(std::size_t n) {
    const std::size_t total = m_held + std::min(n, ReadSize());
    const std::size_t whole = total - total % sizeof(input_event);
    int presses = 0;
    for (std::size_t at = 0; at < whole; at += sizeof(input_event)) {
        input_event event;
        std::memcpy(&event, m_bytes.data() + at, sizeof event);
        presses += IsCameraKeyPress(event);
    }
    m_held = total - whole;
    std::memmove(m_bytes.data(), m_bytes.data() + whole, m_held);
    return presses;
}
