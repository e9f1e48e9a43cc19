#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <linux/input.h>

// How the reader thread judges what it reads from the button's hidraw node and from the
// camera's snapshot key device. Nothing here touches a device: the reader reads into the
// buffers given here and hands over the number of bytes it got.

// Byte 0 is the report id, byte 1 the button state; only id 0 with state exactly 1 is a press.
bool IsPressReport(const unsigned char* report, std::size_t length);

// A key-down of the snapshot key; repeats (2) and releases (0) are not presses.
bool IsCameraKeyPress(const input_event& event);

// One read of the button's hidraw node. Without report ids hidraw delivers the data alone;
// the id byte 0 is put in front so that every report reads "id, state".
class HidReport {
public:
    static constexpr std::size_t kBufferSize = 260;

    // inputReportLength counts the id byte, as ReportLayout does.
    HidReport(std::uint16_t inputReportLength, bool numberedReports);

    // Where the read goes and how many bytes it may give (at least one).
    unsigned char* ReadBuffer() { return m_bytes.data() + m_offset; }
    std::size_t ReadSize() const { return m_length - m_offset; }
    // Whether the n bytes the read gave (n <= ReadSize()) are a press.
    bool IsPress(std::size_t n) const { return IsPressReport(m_bytes.data(), n + m_offset); }

private:
    std::array<unsigned char, kBufferSize> m_bytes{};
    std::size_t m_offset;
    std::size_t m_length;
};

// The reads of an event device, split into struct input_event records. A read may end inside
// a record; its bytes are kept until the next read completes it.
class KeyRecords {
public:
    unsigned char* ReadBuffer() { return m_bytes.data() + m_held; }
    std::size_t ReadSize() const { return m_bytes.size() - m_held; }
    // Takes the n bytes a read gave (n <= ReadSize()); the number of snapshot-key presses
    // among the records they complete.
    int Take(std::size_t n);
    // Bytes of a record not yet complete.
    std::size_t Held() const { return m_held; }

private:
    std::array<unsigned char, sizeof(input_event) * 64> m_bytes{};
    std::size_t m_held = 0;
};
