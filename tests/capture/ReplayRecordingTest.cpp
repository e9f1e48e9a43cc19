#include "capture/CameraFrames.h"
#include "capture/GrabbedFrameConvert.h"
#include "capture/MovieFileBranch.h"
#include "platform/video/VideoDevice.h"
#include "platform/video/VideoSource.h"
#include "support/AviFile.h"
#include "support/Eventually.h"
#include "support/SourceFrames.h"
#include "support/TempEnvironment.h"
#include "support/TestPicture.h"

#include <gst/app/gstappsrc.h>
#include <gtest/gtest.h>

namespace {

// Records the frames into path through the movie window's file branch, as a movie is recorded.
bool RecordAvi(const QString& path, const QList<QByteArray>& frames, QSize size) {
    GstElementPtr pipeline(gst_pipeline_new(nullptr));
    gst_object_ref_sink(pipeline.get());
    GstElement* src = gst_element_factory_make("appsrc", nullptr);
    GstElement* tee = gst_element_factory_make("tee", nullptr);
    GstCapsPtr caps(gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT, size.width(), "height",
                                        G_TYPE_INT, size.height(), "framerate", GST_TYPE_FRACTION,
                                        30, 1, nullptr));
    g_object_set(src, "caps", caps.get(), "format", GST_FORMAT_TIME, nullptr);
    gst_bin_add_many(GST_BIN(pipeline.get()), src, tee, nullptr);
    gst_element_link(src, tee);
    std::unique_ptr<MovieFileBranch> branch =
        MovieFileBranch::Create(pipeline.get(), tee, caps.get(), path, 0);
    if (!branch ||
        gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        return false;
    }
    for (qsizetype i = 0; i < frames.size(); ++i) {
        GstBuffer* buffer = gst_buffer_new_memdup(frames[i].constData(), size_t(frames[i].size()));
        GST_BUFFER_PTS(buffer) = GST_BUFFER_DTS(buffer) = i * GST_SECOND / 30;
        GST_BUFFER_DURATION(buffer) = GST_SECOND / 30;
        gst_app_src_push_buffer(GST_APP_SRC(src), buffer);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(src));
    GstBusPtr bus(gst_element_get_bus(pipeline.get()));
    GstMessagePtr end(gst_bus_timed_pop_filtered(
        bus.get(), 10 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    const bool complete = end && GST_MESSAGE_TYPE(end.get()) == GST_MESSAGE_EOS &&
                          branch->Finish(std::chrono::seconds(5));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return complete;
}

TEST(ReplayRecordingTest, RecordedMovieReplaysLoopingAndItsStillIsTheFullFrame) {
    TempEnvironment env;
    ASSERT_TRUE(env.ok());
    ASSERT_TRUE(EnsureGstInit());
    const QSize size(320, 240);
    QList<QByteArray> recorded;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        recorded.append(CameraJpeg(TestPicture(size, seed)));
    }
    const QString movie = env.root() + QStringLiteral("/movie.avi");
    ASSERT_TRUE(RecordAvi(movie, recorded, size));
    ASSERT_EQ(ReadAviFile(movie)->moviFrames, 4);

    const QString file = env.root() + QStringLiteral("/cameras.json");
    ASSERT_TRUE(TempEnvironment::writeFile(file, R"([{"name": "Replay", "stillPin": true,
        "replay": "movie.avi", "controls": ["Brightness"],
        "formats": [{"format": "MJPG", "width": 320, "height": 240}]}])"));
    env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
    const QList<VideoDeviceInfo> devices = EnumerateVideoDevices();
    ASSERT_EQ(devices.size(), 1);
    SourceFrames frames(BindVideoSource(devices[0]));
    ASSERT_TRUE(frames.Start());
    ASSERT_EVENTUALLY(frames.Count() >= 9 || !frames.Error().isEmpty());
    ASSERT_EQ(frames.Error(), QString());
    const QList<QByteArray> got = frames.Frames();
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(got[i], recorded[i % 4]) << i;
    }

    ASSERT_TRUE(TriggerStill(frames.Source()));
    ASSERT_EVENTUALLY(!frames.Stills().isEmpty());
    GstSample* still = frames.Stills().first();
    GstMapInfo map;
    ASSERT_TRUE(gst_buffer_map(gst_sample_get_buffer(still), &map, GST_MAP_READ));
    const qsizetype which =
        recorded.indexOf(QByteArray(reinterpret_cast<const char*>(map.data), qsizetype(map.size)));
    gst_buffer_unmap(gst_sample_get_buffer(still), &map);
    ASSERT_GE(which, 0);
    const std::optional<GrabbedFrame> grabbed = FrameFromSample(still);
    ASSERT_TRUE(grabbed);
    EXPECT_LE(GrabbedFrameDifference(*grabbed, QImage::fromData(recorded[which], "JPEG")), 1);
}

} // namespace
