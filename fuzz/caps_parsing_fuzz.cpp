// Caps text as a device list or v4l2src offers it: any text gives a clean list of capture
// formats, and a format made into caps reads back as itself.

#include "FuzzCheck.h"

#include "platform/video/CapsParsing.h"
#include "platform/video/GstHandles.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

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

// GStreamer's caps parser logs criticals of its own on some malformed text (an empty
// fraction range, say); anywhere else a critical is a call against the API's rules: a finding.
bool g_inParser = false;

void OnLog(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer) {
    // Warnings come for every malformed text; millions of them would only slow the run.
    if ((level & G_LOG_LEVEL_CRITICAL) && !g_inParser) {
        std::fprintf(stderr, "%s-CRITICAL: %s\n", domain ? domain : "", message);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_log_set_default_handler(OnLog, nullptr);
    EnsureGstInit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    g_inParser = true;
    const QList<VideoCapability> caps = CapabilitiesFromCapsString(text);
    // Text that gave formats is parsed again here (not any text: GStreamer's parser can take
    // minutes on some), to read the same list from the caps with criticals as findings.
    GstCapsPtr parsed(caps.isEmpty() ? nullptr : gst_caps_from_string(text.toUtf8().constData()));
    g_inParser = false;
    FUZZ_CHECK(caps.isEmpty() || CapabilitiesFromCaps(parsed.get()) == caps);
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
