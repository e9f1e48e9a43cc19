#include "button/ReportDescriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

enum ItemType { kMain = 0, kGlobal = 1 };
enum MainTag { kInput = 8 };
enum GlobalTag { kReportSize = 7, kReportId = 8, kReportCount = 9, kPush = 10, kPop = 11 };

struct GlobalState {
    std::uint64_t reportSize = 0;
    std::uint64_t reportCount = 0;
    unsigned reportId = 0;
};

} // namespace

ReportLayout ParseReportDescriptor(const QByteArray& descriptor) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(descriptor.constData());
    const qsizetype size = descriptor.size();
    GlobalState state;
    std::vector<GlobalState> stack;
    std::map<unsigned, std::uint64_t> inputBits; // per report id
    ReportLayout layout;
    qsizetype i = 0;
    while (i < size) {
        const unsigned prefix = bytes[i];
        if (prefix == 0xFE) { // long item: size, tag, data; carries nothing we count
            if (i + 1 >= size) {
                break;
            }
            i += 3 + bytes[i + 1];
            continue;
        }
        const int dataSize = (prefix & 3) == 3 ? 4 : int(prefix & 3);
        if (i + 1 + dataSize > size) {
            break; // a cut-off item ends the descriptor
        }
        std::uint32_t data = 0;
        for (int b = 0; b < dataSize; ++b) {
            data |= std::uint32_t(bytes[i + 1 + b]) << (8 * b);
        }
        const unsigned type = (prefix >> 2) & 3;
        const unsigned tag = prefix >> 4;
        if (type == kGlobal) {
            switch (tag) {
            case kReportSize:
                state.reportSize = data;
                break;
            case kReportCount:
                state.reportCount = data;
                break;
            case kReportId:
                state.reportId = data;
                layout.numberedReports = true;
                break;
            case kPush:
                stack.push_back(state);
                break;
            case kPop:
                if (!stack.empty()) {
                    state = stack.back();
                    stack.pop_back();
                }
                break;
            default:
                break;
            }
        } else if (type == kMain && tag == kInput) {
            std::uint64_t& bits = inputBits[state.reportId];
            bits = std::min<std::uint64_t>(bits + state.reportSize * state.reportCount, 1u << 20);
        }
        i += 1 + dataSize;
    }
    std::uint64_t longest = 0;
    for (const auto& [id, bits] : inputBits) {
        longest = std::max(longest, (bits + 7) / 8);
    }
    if (longest > 0) {
        layout.inputReportLength = std::uint16_t(std::min<std::uint64_t>(longest + 1, 0xFFFF));
    }
    return layout;
}
