#include "platform/video/ReplaySource.h"

#include "platform/trace/Trace.h"
#include "platform/video/CapsParsing.h"
#include "platform/video/GstHandles.h"
#include "platform/video/JpegHeader.h"
#include "platform/video/ReplayFrames.h"

#include <QImage>
#include <gst/app/gstappsrc.h>
#include <vector>

namespace {

struct GstBufferUnref {
    void operator()(GstBuffer* buffer) const { gst_buffer_unref(buffer); }
};
using GstBufferPtr = std::unique_ptr<GstBuffer, GstBufferUnref>;

// The most memory the YUY2 frames of a recording may take: a recording past it cannot be
// replayed as YUY2 (about 200 frames of 1920 x 1080).
constexpr size_t kYuy2Budget = size_t(800) << 20;

// A JPEG frame converted to YUY2 (BT.601, limited range, as UVC cameras send it); null when it
// does not decode to size.
GstBuffer* JpegToYuy2(GstBuffer* jpeg, QSize size) {
    GstMapInfo map;
    if (!gst_buffer_map(jpeg, &map, GST_MAP_READ)) {
        return nullptr;
    }
    const QImage picture =
        QImage::fromData(map.data, int(map.size), "JPEG").convertToFormat(QImage::Format_RGB32);
    gst_buffer_unmap(jpeg, &map);
    if (picture.size() != size) {
        return nullptr;
    }
    const int stride = (size.width() + 1) / 2 * 4;
    GstBuffer* out = gst_buffer_new_allocate(nullptr, size_t(stride) * size.height(), nullptr);
    if (!out || !gst_buffer_map(out, &map, GST_MAP_WRITE)) {
        if (out) {
            gst_buffer_unref(out);
        }
        return nullptr;
    }
    for (int y = 0; y < size.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        uint8_t* row = map.data + size_t(y) * stride;
        for (int x = 0; x < size.width(); x += 2) {
            const QRgb p0 = in[x], p1 = in[std::min(x + 1, size.width() - 1)];
            const auto luma = [](QRgb p) {
                return uint8_t(((66 * qRed(p) + 129 * qGreen(p) + 25 * qBlue(p) + 128) >> 8) + 16);
            };
            const int r = (qRed(p0) + qRed(p1)) / 2, g = (qGreen(p0) + qGreen(p1)) / 2,
                      b = (qBlue(p0) + qBlue(p1)) / 2;
            uint8_t* pair = row + x * 2;
            pair[0] = luma(p0);
            pair[1] = uint8_t(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
            pair[2] = luma(p1);
            pair[3] = uint8_t(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
        }
    }
    gst_buffer_unmap(out, &map);
    return out;
}

// Streaming thread of the appsrc: what feeds it. Opens the recording with the first frame
// wanted, so a missing one fails like a camera that cannot stream.
struct ReplayFeed {
    QString path;
    QSize size;
    GstClockTime duration = 0;
    std::unique_ptr<ReplayFrames> frames;
    GstClockTime next = GST_CLOCK_TIME_NONE;
    bool failed = false;
    // For a YUY2 camera: the recording's frames converted, once; complete once it looped.
    bool yuy2 = false;
    std::vector<GstBufferPtr> converted;
    size_t convertedBytes = 0;
    bool convertedAll = false;
    size_t played = 0;

    void Fail(GstElement* src, const QString& text) {
        failed = true;
        qCWarning(veldorTrace, "replay camera: %s", qUtf8Printable(text));
        GST_ELEMENT_ERROR(src, RESOURCE, READ, ("%s", text.toUtf8().constData()),
                          ("replayed recording %s", path.toUtf8().constData()));
    }

    // The next frame as the camera sends it, or null when the stream failed.
    GstBuffer* NextFrame(GstElement* src) {
        if (convertedAll) {
            return gst_buffer_ref(converted[played++ % converted.size()].get());
        }
        QString error;
        GstBuffer* frame = frames->Next(&error);
        if (!frame) {
            Fail(src, error);
            return nullptr;
        }
        GstMapInfo map;
        std::optional<QSize> frameSize;
        if (gst_buffer_map(frame, &map, GST_MAP_READ)) {
            frameSize = JpegFrameSize(map.data, map.size);
            gst_buffer_unmap(frame, &map);
        }
        if (frameSize != size) {
            gst_buffer_unref(frame);
            Fail(src, frameSize ? QStringLiteral("%1: a frame of %2x%3 in a camera of %4x%5")
                                      .arg(path)
                                      .arg(frameSize->width())
                                      .arg(frameSize->height())
                                      .arg(size.width())
                                      .arg(size.height())
                                : path + QStringLiteral(": a frame that is not a JPEG picture"));
            return nullptr;
        }
        if (!yuy2) {
            return frame;
        }
        if (frames->Index() == 0 && !converted.empty()) {
            // The recording looped: from now on its converted frames.
            gst_buffer_unref(frame);
            convertedAll = true;
            frames.reset();
            played = 0;
            return gst_buffer_ref(converted[played++].get());
        }
        GstBuffer* raw = JpegToYuy2(frame, size);
        gst_buffer_unref(frame);
        if (!raw) {
            Fail(src, path + QStringLiteral(": a frame that does not decode"));
            return nullptr;
        }
        convertedBytes += gst_buffer_get_size(raw);
        if (convertedBytes > kYuy2Budget) {
            gst_buffer_unref(raw);
            Fail(src, path + QStringLiteral(": too long to be replayed as YUY2"));
            return nullptr;
        }
        converted.emplace_back(gst_buffer_ref(raw));
        return raw;
    }

    // The frame's timestamp: one frame time after the one before, but never in the past (a slow
    // reader does not make a burst) nor far ahead (the pipeline started again).
    GstClockTime Stamp(GstElement* src) {
        GstClockTime stamp = next;
        const GstClockTime now = gst_element_get_current_running_time(src);
        if (GST_CLOCK_TIME_IS_VALID(now) &&
            (!GST_CLOCK_TIME_IS_VALID(stamp) || stamp < now || stamp > now + GST_SECOND)) {
            stamp = now;
        }
        if (!GST_CLOCK_TIME_IS_VALID(stamp)) {
            stamp = 0;
        }
        next = stamp + duration;
        return stamp;
    }
};

void NeedData(GstAppSrc* appsrc, guint, gpointer data) {
    auto* feed = static_cast<ReplayFeed*>(data);
    GstElement* src = GST_ELEMENT(appsrc);
    if (feed->failed) {
        return;
    }
    QString error;
    if (!feed->convertedAll && !feed->frames &&
        !(feed->frames = ReplayFrames::Open(feed->path, &error))) {
        feed->Fail(src, error);
        return;
    }
    GstBuffer* frame = feed->NextFrame(src);
    if (!frame) {
        return;
    }
    frame = gst_buffer_make_writable(frame);
    GST_BUFFER_PTS(frame) = feed->Stamp(src);
    GST_BUFFER_DTS(frame) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(frame) = feed->duration;
    gst_app_src_push_buffer(appsrc, frame);
}

} // namespace

GstElement* AddReplayChain(GstBin* bin, const QString& path, const VideoCapability& format) {
    const std::optional<Fraction> rate = HighestFrameRate(format);
    GstCapsPtr caps(CapsForCapability(format, true));
    const bool yuy2 = format.format == QLatin1String("YUY2");
    if ((format.format != QLatin1String("MJPG") && !yuy2) || !rate || rate->num <= 0 || !caps) {
        qCWarning(veldorTrace, "replay camera: format %s cannot be replayed",
                  qUtf8Printable(format.format));
        return nullptr;
    }
    GstElement* src = gst_element_factory_make("appsrc", "camera");
    GstElement* sync = gst_element_factory_make("clocksync", "pace");
    if (!src || !sync) {
        qCWarning(veldorTrace, "replay camera: appsrc or clocksync is not available");
        for (GstElement* e : {src, sync}) {
            if (e) {
                gst_object_unref(gst_object_ref_sink(e));
            }
        }
        return nullptr;
    }
    if (yuy2) {
        // The colours the frames are converted with, as a UVC camera's caps say.
        gst_caps_set_simple(caps.get(), "colorimetry", G_TYPE_STRING, "bt601", nullptr);
    }
    // Two frames queued at most: the feed reads ahead no further than that.
    g_object_set(src, "caps", caps.get(), "is-live", TRUE, "format", GST_FORMAT_TIME, "max-buffers",
                 guint64(2), "max-bytes", guint64(0), "block", FALSE, nullptr);
    auto* feed = new ReplayFeed;
    feed->yuy2 = yuy2;
    feed->path = path;
    feed->size = QSize(format.width, format.height);
    feed->duration = gst_util_uint64_scale_int(GST_SECOND, rate->den, rate->num);
    GstAppSrcCallbacks callbacks{};
    callbacks.need_data = NeedData;
    gst_app_src_set_callbacks(GST_APP_SRC(src), &callbacks, feed,
                              [](gpointer p) { delete static_cast<ReplayFeed*>(p); });
    gst_bin_add_many(bin, src, sync, nullptr);
    if (!gst_element_link(src, sync)) {
        qCWarning(veldorTrace, "replay camera: chain could not be linked");
        return nullptr;
    }
    return sync;
}
