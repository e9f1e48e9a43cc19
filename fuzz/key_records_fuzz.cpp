// The reads of the camera's snapshot key device as the reader splits them into input_event
// records: however the bytes are cut into reads, the presses are those of the whole records
// in them, each counted once, when its last byte arrives.
//
// Input: reads, each one byte of length followed by that many bytes of the device's stream
// (as far as the input goes). A length byte of 0 stands for a read of a whole 1 KiB block of
// the stream, so that full buffers are reached too.

#include "FuzzCheck.h"

#include "button/ButtonReports.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Presses among the whole records of the stream so far, read record by record.
int PressesIn(const std::vector<uint8_t>& stream) {
    int presses = 0;
    for (size_t at = 0; at + sizeof(input_event) <= stream.size(); at += sizeof(input_event)) {
        input_event event;
        std::memcpy(&event, stream.data() + at, sizeof event);
        presses += event.type == EV_KEY && event.code == KEY_CAMERA && event.value == 1;
    }
    return presses;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KeyRecords records;
    std::vector<uint8_t> stream;
    int presses = 0;
    for (size_t at = 0; at < size;) {
        const size_t wanted = data[at] == 0 ? 1024 : data[at];
        const size_t n = std::min({wanted, size - at - 1, records.ReadSize()});
        FUZZ_CHECK(records.ReadSize() >= sizeof(input_event));
        std::memcpy(records.ReadBuffer(), data + at + 1, n);
        stream.insert(stream.end(), data + at + 1, data + at + 1 + n);
        presses += records.Take(n);
        FUZZ_CHECK(records.Held() == stream.size() % sizeof(input_event));
        FUZZ_CHECK(presses == PressesIn(stream));
        at += 1 + n;
    }
    return 0;
}
