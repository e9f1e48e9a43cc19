#include "platform/video/ReplaySource.h"

#include "platform/trace/Trace.h"
#include "platform/video/CapsParsing.h"
#include "platform/video/GstHandles.h"
#include "platform/video/JpegHeader.h"
#include "platform/video/ReplayFrames.h"

#include <gst/app/gstappsrc.h>

namespace {

// Streaming thread of the appsrc: what feeds it. Opens the recording with the first frame
// wanted, so a missing one fails like a camera that cannot stream.
struct ReplayFeed {
    QString path;
    QSize size;
    GstClockTime duration = 0;
    std::unique_ptr<ReplayFrames> frames;
    GstClockTime next = GST_CLOCK_TIME_NONE;
    bool failed = false;

    void Fail(GstElement* src, const QString& text) {
        failed = true;
        qCWarning(veldorTrace, "replay camera: %s", qUtf8Printable(text));
        GST_ELEMENT_ERROR(src, RESOURCE, READ, ("%s", text.toUtf8().constData()),
                          ("replayed recording %s", path.toUtf8().constData()));
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
    if (!feed->frames && !(feed->frames = ReplayFrames::Open(feed->path, &error))) {
        feed->Fail(src, error);
        return;
    }
    GstBuffer* frame = feed->frames->Next(&error);
    if (!frame) {
        feed->Fail(src, error);
        return;
    }
    GstMapInfo map;
    std::optional<QSize> size;
    if (gst_buffer_map(frame, &map, GST_MAP_READ)) {
        size = JpegFrameSize(map.data, map.size);
        gst_buffer_unmap(frame, &map);
    }
    if (size != feed->size) {
        gst_buffer_unref(frame);
        feed->Fail(src, size ? QStringLiteral("%1: a frame of %2x%3 in a camera of %4x%5")
                                   .arg(feed->path)
                                   .arg(size->width())
                                   .arg(size->height())
                                   .arg(feed->size.width())
                                   .arg(feed->size.height())
                             : feed->path + QStringLiteral(": a frame that is not a JPEG picture"));
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
    if (format.format != QLatin1String("MJPG") || !rate || rate->num <= 0 || !caps) {
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
    // Two frames queued at most: the feed reads ahead no further than that.
    g_object_set(src, "caps", caps.get(), "is-live", TRUE, "format", GST_FORMAT_TIME, "max-buffers",
                 guint64(2), "max-bytes", guint64(0), "block", FALSE, nullptr);
    auto* feed = new ReplayFeed;
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
