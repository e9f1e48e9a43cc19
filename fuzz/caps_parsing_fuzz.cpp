// Caps text as a device list or v4l2src offers it: any text gives a clean list of capture
// formats, and a format made into caps reads back as itself.

#include "FuzzCheck.h"

#include "platform/video/CapsParsing.h"
#include "platform/video/GstHandles.h"

#include <cstdint>

namespace {

bool RatesInOrder(const QList<Fraction>& rates) {
    for (qsizetype i = 0; i < rates.size(); ++i) {
        if (rates[i].den <= 0 || rates[i].num < 0) {
            return false;
        }
        // Distinct and highest first.
        if (i > 0 &&
            qint64(rates[i - 1].num) * rates[i].den <= qint64(rates[i].num) * rates[i - 1].den) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // GStreamer warns about every malformed caps text; millions of warnings would only slow the
    // run. A critical, though, is a call against the API's rules: a finding.
    g_log_set_handler(
        "GStreamer",
        GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO |
                       G_LOG_LEVEL_DEBUG),
        [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    g_log_set_always_fatal(GLogLevelFlags(G_LOG_FATAL_MASK | G_LOG_LEVEL_CRITICAL));
    EnsureGstInit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<VideoCapability> caps = CapabilitiesFromCapsString(text);
    for (qsizetype i = 0; i < caps.size(); ++i) {
        const VideoCapability& cap = caps[i];
        FUZZ_CHECK(!cap.format.isEmpty() && cap.width > 0 && cap.height > 0);
        FUZZ_CHECK(RatesInOrder(cap.frameRates));
        for (qsizetype j = 0; j < i; ++j) {
            FUZZ_CHECK(!caps[j].SameFormat(cap));
        }
        FUZZ_CHECK(!CapabilityToString(cap).isEmpty());
        IsDisplayable(cap);

        GstCapsPtr fixed(CapsForCapability(cap, true));
        if (!fixed) {
            continue;
        }
        FUZZ_CHECK(gst_caps_is_fixed(fixed.get()));
        const QList<VideoCapability> back = CapabilitiesFromCaps(fixed.get());
        FUZZ_CHECK(back.size() == 1 && back[0].SameFormat(cap));
        const std::optional<Fraction> highest = HighestFrameRate(cap);
        FUZZ_CHECK(highest ? back[0].frameRates == QList<Fraction>{*highest}
                           : back[0].frameRates.isEmpty());
    }
    return 0;
}
