#include "capture/VideoFormats.h"

#include "capture/CaptureGraph.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"
#include "platform/video/CapsParsing.h"
#include "platform/video/StreamConfig.h"

#include <cstdlib>
#include <gst/video/video.h>

namespace {

constexpr std::uint32_t FourCc(const char (&code)[5]) {
    return std::uint32_t(std::uint8_t(code[0])) | std::uint32_t(std::uint8_t(code[1])) << 8 |
           std::uint32_t(std::uint8_t(code[2])) << 16 | std::uint32_t(std::uint8_t(code[3])) << 24;
}

const char* YesNo(bool value) {
    return value ? "YES" : "NO";
}

// The low 32 bits, shown as the dump's "%d" shows them.
int Low32(std::int64_t value) {
    return static_cast<int>(static_cast<std::uint32_t>(value));
}

} // namespace

const char* MediaGuidName(MediaGuid guid) {
    switch (guid) {
    case MediaGuid::MediaTypeVideo:
        return "MEDIATYPE_Video";
    case MediaGuid::SubtypeYuy2:
        return "MEDIASUBTYPE_YUY2";
    case MediaGuid::SubtypeRgb24:
        return "MEDIASUBTYPE_RGB24";
    case MediaGuid::FormatVideoInfo:
        return "FORMAT_VideoInfo";
    case MediaGuid::Other:
        break;
    }
    return "???";
}

int ImageSize(int bitCount, int width, int height) {
    const std::int64_t stride = (std::int64_t(bitCount) * width + 31) / 32 * 4;
    return Low32(stride * std::abs(std::int64_t(height)));
}

std::optional<MediaType> MediaTypeFromCapability(const VideoCapability& cap) {
    if (cap.width <= 0 || cap.height <= 0) {
        return std::nullopt;
    }
    MediaType type;
    type.biWidth = cap.width;
    type.biHeight = cap.height;
    if (cap.format == QLatin1String("MJPG")) {
        type.biBitCount = 24;
        type.biCompression = FourCc("MJPG");
    } else {
        GstCapsPtr caps(CapsForCapability(cap, false));
        GstVideoInfo info;
        if (!caps || !gst_video_info_from_caps(&info, caps.get())) {
            return std::nullopt;
        }
        const GstVideoFormat format = GST_VIDEO_INFO_FORMAT(&info);
        type.biBitCount =
            int(GST_VIDEO_INFO_SIZE(&info) * 8 / (std::uint64_t(cap.width) * cap.height));
        if (format == GST_VIDEO_FORMAT_YUY2) {
            type.subtype = MediaGuid::SubtypeYuy2;
        } else if (format == GST_VIDEO_FORMAT_BGR) {
            // DirectShow's RGB24 keeps blue first, as GStreamer's BGR does.
            type.subtype = MediaGuid::SubtypeRgb24;
        }
        type.biCompression = GST_VIDEO_INFO_IS_RGB(&info) ? 0 : gst_video_format_to_fourcc(format);
        type.fixedSizeSamples = true;
    }
    type.biSizeImage = ImageSize(type.biBitCount, type.biWidth, type.biHeight);
    type.sampleSize = type.fixedSizeSamples ? type.biSizeImage : 0;
    if (const std::optional<Fraction> rate = HighestFrameRate(cap)) {
        type.avgTimePerFrame = std::int64_t(10000000) * rate->den / rate->num;
        type.bitRate = std::uint32_t(std::int64_t(type.biSizeImage) * 8 * rate->num / rate->den);
    }
    return type;
}

std::optional<MediaType> MediaTypeFromCaps(const GstCaps* caps) {
    const QList<VideoCapability> formats = CapabilitiesFromCaps(caps);
    if (formats.isEmpty()) {
        return std::nullopt;
    }
    return MediaTypeFromCapability(formats.first());
}

QStringList MediaTypeLines(const MediaType& t, const char* label) {
    const auto rect = [](const char* name, const int(&r)[4]) {
        return QStringLiteral("  %1=(%2,%3) - (%4,%5)")
            .arg(QLatin1String(name))
            .arg(r[0])
            .arg(r[1])
            .arg(r[2])
            .arg(r[3]);
    };
    const auto field = [](const char* name, auto value) {
        return QStringLiteral("  %1=%2").arg(QLatin1String(name)).arg(value);
    };
    return {
        QStringLiteral("DumpMediaType:: %1").arg(QString::fromUtf8(label)),
        field("majortype", MediaGuidName(t.majortype)),
        field("subtype", MediaGuidName(t.subtype)),
        field("bFixedSizeSamples", YesNo(t.fixedSizeSamples)),
        field("bTemporalCompression", YesNo(t.temporalCompression)),
        field("lSampleSize", t.sampleSize),
        field("formattype", MediaGuidName(t.formattype)),
        field("cbFormat", t.cbFormat),
        rect("rcSource", t.rcSource),
        rect("rcTarget", t.rcTarget),
        field("dwBitRate", Low32(t.bitRate)),
        field("dwBitErrorRate", Low32(t.bitErrorRate)),
        field("AvgTimePerFrame", Low32(t.avgTimePerFrame)),
        field("biSize", t.biSize),
        field("biWidth", t.biWidth),
        field("biHeight", t.biHeight),
        field("biPlanes", t.biPlanes),
        field("biBitCount", t.biBitCount),
        field("biCompression", Low32(t.biCompression)),
        field("biSizeImage", t.biSizeImage),
        field("biXPelsPerMeter", t.biXPelsPerMeter),
        field("biYPelsPerMeter", t.biYPelsPerMeter),
        field("biClrUsed", t.biClrUsed),
        field("biClrImportant", t.biClrImportant),
    };
}

void DumpMediaType(const MediaType& type, const char* label) {
    for (const QString& line : MediaTypeLines(type, label)) {
        qCDebug(veldorTrace, "%s", qUtf8Printable(line));
    }
}

void DumpMediaType(const VideoCapability& cap, const char* label) {
    if (const std::optional<MediaType> type = MediaTypeFromCapability(cap)) {
        DumpMediaType(*type, label);
    } else {
        qCDebug(veldorTrace, "DumpMediaType:: %s: no media type for %s", label,
                qUtf8Printable(CapabilityToString(cap)));
    }
}

const char* ResultName(std::uint32_t result) {
    switch (result) {
    case kResultOk:
        return "S_OK";
    case 0x80004003:
        return "E_POINTER";
    case kResultInvalidMediaType:
        return "VFW_E_INVALIDMEDIATYPE";
    case 0x80040209:
        return "VFW_E_NOT_CONNECTED";
    case 0x80040224:
        return "VFW_E_NOT_STOPPED";
    case 0x80040227:
        return "VFW_E_WRONG_STATE";
    case 0x8007000E:
        return "E_OUTOFMEMORY";
    default:
        return "error";
    }
}

QByteArray FindInterfaceError(int requestedWidth) {
    return QStringLiteral(" FindInterface(pStreamConfig) = hr=%1 : width=%2")
        .arg(QStringLiteral("ERROR"))
        .arg(requestedWidth)
        .toLatin1();
}

VideoCapability FormatToOffer(const QList<VideoCapability>& caps, const VideoCapability& current,
                              int width, int height) {
    if (current.width == width && current.height == height) {
        return current;
    }
    VideoCapability offer = current;
    for (const VideoCapability& cap : caps) {
        offer = cap;
        if (cap.width == width) {
            break;
        }
    }
    offer.width = width;
    offer.height = height;
    for (const VideoCapability& cap : caps) {
        if (cap.SameFormat(offer)) {
            return cap;
        }
    }
    for (const VideoCapability& cap : caps) {
        if (cap.width == width && cap.height == height) {
            return cap;
        }
    }
    return offer;
}

int FormatResetProbe() {
    CaptureGraph& g = CaptureGraph::Instance();
    if (!g.Exists()) {
        return 1;
    }
    // A graph left over from a failed build never ran; one that did is stopped for the probe
    // and runs again afterwards.
    const bool wasRunning = g.PauseStream();
    const auto resume = [&g, wasRunning] {
        if (wasRunning) {
            g.ResumeStream();
        }
    };
    StreamConfig* config = g.Stream();
    if (!config) {
        GraphMessage(FindInterfaceError(g.RequestedWidth()).constData());
        GraphMessage(" Error FindInterface");
        resume();
        return 1;
    }
    const QList<VideoCapability>& caps = config->Capabilities();
    if (caps.isEmpty()) {
        GraphMessage(" Error GetFormat");
        resume();
        return 1;
    }
    VideoCapability probe = caps.last();
    for (const VideoCapability& cap : caps) {
        if (cap.width == -1) {
            probe = cap;
            break;
        }
    }
    probe.width = -1;
    probe.height = -1;
    const bool taken = config->SetFormat(probe);
    GraphMessage(ResultName(taken ? kResultOk : kResultInvalidMediaType));
    resume();
    return 1;
}

int OpenVideoFormatDlg(QWidget* owner, int language, int* outWidth, int* outHeight) {
    CaptureGraph& g = CaptureGraph::Instance();
    // The camera's source outlives the graph while its format page is open.
    GstElementPtr source = Ref(g.Source());
    const VideoDeviceInfo device = g.Device();
    ReleaseGraph();
    if (source) {
        StreamConfig config(device, source.get(), nullptr);
        if (config.Valid() && g.prompts()) {
            g.prompts()->FormatPages(
                config, PropertyFrame{QString::fromUtf8(device.name), language}, owner);
            // Chosen or cancelled, the camera's format now is the size asked of the rebuild.
            const VideoCapability format = config.Format();
            g.SetRequestedSize(format.width, std::abs(format.height));
            *outWidth = g.RequestedWidth();
            *outHeight = g.RequestedHeight();
            DumpMediaType(format, "OpenVideoFormatDlg");
        } else {
            qCDebug(veldorTrace, "OpenVideoFormatDlg: the camera has no format to choose");
        }
    } else {
        qCDebug(veldorTrace, "OpenVideoFormatDlg: no camera is bound");
    }
    source.reset();
    // A camera unplugged while its page was open is not built again: there is nothing to bind.
    if (!DeviceConnected(device)) {
        qCDebug(veldorTrace, "OpenVideoFormatDlg: the camera is no longer connected");
        return 0;
    }
    return StartVideo(g.DeviceIndex(), nullptr, outWidth, outHeight);
}
