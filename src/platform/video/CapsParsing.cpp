#include "platform/video/CapsParsing.h"

#include "platform/video/GstHandles.h"

#include "platform/trace/Trace.h"

#include <algorithm>
#include <gst/video/video.h>

namespace {

struct CompressedType {
    const char* format;
    const char* mediaType;
};

// Encoded formats, by our name and GStreamer's media type. Raw formats are video/x-raw.
constexpr CompressedType kCompressedTypes[] = {
    {"MJPG", "image/jpeg"},
    {"H264", "video/x-h264"},
    {"HEVC", "video/x-h265"},
};

bool SameRate(const Fraction& a, const Fraction& b) {
    return qint64(a.num) * b.den == qint64(b.num) * a.den;
}

bool HigherRate(const Fraction& a, const Fraction& b) {
    return qint64(a.num) * b.den > qint64(b.num) * a.den;
}

void AddRate(QList<Fraction>& rates, const Fraction& rate) {
    if (rate.den <= 0 || rate.num < 0) {
        return;
    }
    for (const Fraction& known : rates) {
        if (SameRate(known, rate)) {
            return;
        }
    }
    rates.append(rate);
}

Fraction FractionOf(const GValue* value) {
    return {gst_value_get_fraction_numerator(value), gst_value_get_fraction_denominator(value)};
}

void CollectRates(const GValue* value, QList<Fraction>& rates) {
    if (value == nullptr) {
        return;
    }
    if (GST_VALUE_HOLDS_FRACTION(value)) {
        AddRate(rates, FractionOf(value));
    } else if (GST_VALUE_HOLDS_LIST(value)) {
        const guint size = gst_value_list_get_size(value);
        for (guint i = 0; i < size; ++i) {
            CollectRates(gst_value_list_get_value(value, i), rates);
        }
    } else if (GST_VALUE_HOLDS_FRACTION_RANGE(value)) {
        AddRate(rates, FractionOf(gst_value_get_fraction_range_max(value)));
        AddRate(rates, FractionOf(gst_value_get_fraction_range_min(value)));
    }
}

std::optional<QString> FormatName(const GstStructure* structure) {
    if (gst_structure_has_name(structure, "video/x-raw")) {
        // A raw structure without one fixed format (a list, a missing field) names no format.
        const gchar* format = gst_structure_get_string(structure, "format");
        if (format == nullptr) {
            return std::nullopt;
        }
        return QString::fromUtf8(format);
    }
    for (const CompressedType& type : kCompressedTypes) {
        if (gst_structure_has_name(structure, type.mediaType)) {
            return QString::fromLatin1(type.format);
        }
    }
    return std::nullopt;
}

bool InSystemMemory(const GstCaps* caps, guint index) {
    const GstCapsFeatures* features = gst_caps_get_features(caps, index);
    return features == nullptr ||
           gst_caps_features_is_equal(features, GST_CAPS_FEATURES_MEMORY_SYSTEM_MEMORY);
}

// The sink caps of videoconvert, looked up once; null when the element is not installed.
GstCaps* LoadVideoConvertSinkCaps() {
    GstElementFactory* factory = gst_element_factory_find("videoconvert");
    if (factory == nullptr) {
        qCWarning(veldorTrace) << "videoconvert is not installed: raw formats cannot be shown";
        return nullptr;
    }
    GstCaps* sinkCaps = nullptr;
    for (const GList* item = gst_element_factory_get_static_pad_templates(factory); item;
         item = item->next) {
        auto* padTemplate = static_cast<GstStaticPadTemplate*>(item->data);
        if (padTemplate->direction == GST_PAD_SINK) {
            sinkCaps = gst_static_pad_template_get_caps(padTemplate);
            break;
        }
    }
    gst_object_unref(factory);
    return sinkCaps;
}

// GStreamer's caps parser takes time exponential in the depth of nested brackets: a text of
// 285 bytes with 45 open brackets parses for minutes. Caps that GStreamer writes for a camera
// nest two deep at most, so deeper text is refused before it reaches the parser.
constexpr int kMaxCapsNesting = 16;

bool NestedTooDeep(const QString& caps) {
    int depth = 0;
    for (const QChar c : caps) {
        if (c == u'[' || c == u'{' || c == u'<') {
            if (++depth > kMaxCapsNesting) {
                return true;
            }
        } else if ((c == u']' || c == u'}' || c == u'>') && depth > 0) {
            --depth;
        }
    }
    return false;
}

} // namespace

QList<VideoCapability> CapabilitiesFromCaps(const GstCaps* caps) {
    QList<VideoCapability> result;
    if (caps == nullptr || gst_caps_is_any(caps)) {
        return result;
    }
    const guint count = gst_caps_get_size(caps);
    for (guint i = 0; i < count; ++i) {
        const GstStructure* structure = gst_caps_get_structure(caps, i);
        const std::optional<QString> format = FormatName(structure);
        if (!format) {
            qCDebug(veldorTrace) << "caps entry skipped, no known video format:"
                                 << gst_structure_get_name(structure);
            continue;
        }
        if (!InSystemMemory(caps, i)) {
            qCDebug(veldorTrace) << "caps entry skipped, not in system memory:" << *format;
            continue;
        }
        VideoCapability cap;
        cap.format = *format;
        if (!gst_structure_get_int(structure, "width", &cap.width) ||
            !gst_structure_get_int(structure, "height", &cap.height) || cap.width <= 0 ||
            cap.height <= 0) {
            qCDebug(veldorTrace) << "caps entry skipped, size not fixed:" << *format;
            continue;
        }
        CollectRates(gst_structure_get_value(structure, "framerate"), cap.frameRates);
        result.append(cap);
    }
    return UniteDuplicateFormats(result);
}

QList<VideoCapability> UniteDuplicateFormats(const QList<VideoCapability>& caps) {
    QList<VideoCapability> result;
    for (const VideoCapability& cap : caps) {
        auto same = std::find_if(result.begin(), result.end(), [&](const VideoCapability& known) {
            return known.SameFormat(cap);
        });
        if (same == result.end()) {
            result.append(VideoCapability{cap.format, cap.width, cap.height, {}});
            same = result.end() - 1;
        }
        for (const Fraction& rate : cap.frameRates) {
            AddRate(same->frameRates, rate);
        }
        std::sort(same->frameRates.begin(), same->frameRates.end(), HigherRate);
    }
    return result;
}

QList<VideoCapability> CapabilitiesFromCapsString(const QString& caps) {
    if (caps.trimmed().isEmpty() || !EnsureGstInit()) {
        return {};
    }
    if (NestedTooDeep(caps)) {
        qCDebug(veldorTrace) << "caps text nested too deep:" << caps.left(200);
        return {};
    }
    GstCaps* parsed = gst_caps_from_string(caps.toUtf8().constData());
    if (parsed == nullptr) {
        qCDebug(veldorTrace) << "caps text does not parse:" << caps.left(200);
        return {};
    }
    QList<VideoCapability> result = CapabilitiesFromCaps(parsed);
    gst_caps_unref(parsed);
    return result;
}

std::optional<Fraction> HighestFrameRate(const VideoCapability& cap) {
    std::optional<Fraction> highest;
    for (const Fraction& rate : cap.frameRates) {
        if (rate.num > 0 && rate.den > 0 && (!highest || HigherRate(rate, *highest))) {
            highest = rate;
        }
    }
    return highest;
}

GstCaps* CapsForCapability(const VideoCapability& cap, bool withRate) {
    if (cap.width <= 0 || cap.height <= 0 || !EnsureGstInit()) {
        return nullptr;
    }
    GstStructure* structure = nullptr;
    for (const CompressedType& type : kCompressedTypes) {
        if (cap.format == QLatin1String(type.format)) {
            structure = gst_structure_new_empty(type.mediaType);
            break;
        }
    }
    if (structure == nullptr) {
        const QByteArray name = cap.format.toUtf8();
        const GstVideoFormat format = gst_video_format_from_string(name.constData());
        if (format == GST_VIDEO_FORMAT_UNKNOWN || format == GST_VIDEO_FORMAT_ENCODED) {
            qCDebug(veldorTrace) << "no caps for unknown format" << cap.format;
            return nullptr;
        }
        structure =
            gst_structure_new("video/x-raw", "format", G_TYPE_STRING, name.constData(), nullptr);
    }
    gst_structure_set(structure, "width", G_TYPE_INT, cap.width, "height", G_TYPE_INT, cap.height,
                      nullptr);
    if (withRate) {
        if (const std::optional<Fraction> rate = HighestFrameRate(cap)) {
            gst_structure_set(structure, "framerate", GST_TYPE_FRACTION, rate->num, rate->den,
                              nullptr);
        }
    }
    GstCaps* caps = gst_caps_new_empty();
    gst_caps_append_structure(caps, structure);
    return caps;
}

QString CapabilityToString(const VideoCapability& cap) {
    QString text = QStringLiteral("%1 %2x%3").arg(cap.format).arg(cap.width).arg(cap.height);
    for (const Fraction& rate : cap.frameRates) {
        text += QStringLiteral(" %1/%2").arg(rate.num).arg(rate.den);
    }
    return text;
}

bool IsDisplayable(const VideoCapability& cap) {
    if (cap.width <= 0 || cap.height <= 0) {
        return false;
    }
    if (cap.format == QLatin1String("YUY2") || cap.format == QLatin1String("MJPG")) {
        return true;
    }
    for (const CompressedType& type : kCompressedTypes) {
        if (cap.format == QLatin1String(type.format)) {
            return false;
        }
    }
    if (!EnsureGstInit()) {
        return false;
    }
    static GstCaps* const sinkCaps = LoadVideoConvertSinkCaps();
    GstCaps* probe = CapsForCapability(cap, false);
    if (sinkCaps == nullptr || probe == nullptr) {
        if (probe) {
            gst_caps_unref(probe);
        }
        return false;
    }
    const bool accepted = gst_caps_can_intersect(sinkCaps, probe);
    gst_caps_unref(probe);
    return accepted;
}
