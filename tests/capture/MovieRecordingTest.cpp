#include "capture/CameraEvent.h"
#include "capture/CaptureGraph.h"
#include "capture/MovieFileBranch.h"
#include "capture/VideoOutput.h"
#include "support/AviFile.h"
#include "support/ScriptedPrompts.h"
#include "support/TempEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>

namespace {

const char* const kCameras = R"([
  {"name": "Raw Cam", "pattern": "ball", "formats": [{"format": "YUY2", "width": 320, "height": 240}]},
  {"name": "Jpeg Cam", "pattern": "smpte", "formats": [{"format": "MJPG", "width": 320, "height": 240}]}
])";

// Counts what reaches avimux, from the streaming thread.
struct MuxInput {
    std::atomic<int> buffers{0};
    std::atomic<GstClockTime> firstTime{GST_CLOCK_TIME_NONE};

    void Watch(GstElement* mux) {
        GstPadPtr pad(gst_element_get_static_pad(mux, "video_0"));
        ASSERT_TRUE(pad);
        gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, Count, this, nullptr);
    }
    static GstPadProbeReturn Count(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto* self = static_cast<MuxInput*>(data);
        GstClockTime none = GST_CLOCK_TIME_NONE;
        self->firstTime.compare_exchange_strong(none,
                                                GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info)));
        ++self->buffers;
        return GST_PAD_PROBE_OK;
    }
};

class MovieRecordingTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_TRUE(env.ok());
        const QString file = env.root() + QStringLiteral("/cameras.json");
        ASSERT_TRUE(TempEnvironment::writeFile(file, kCameras));
        env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
        CaptureGraph::Instance().Reset();
        CaptureGraph::Instance().SetRequestedSize(0, 0);
        CaptureGraph::Instance().SetPrompts(&prompts);
        owner.setGeometry(0, 0, 642, 482);
        preview = new VideoOutput(&owner);
        owner.show();
    }
    void TearDown() override {
        ReleaseGraph();
        CaptureGraph::Instance().SetPrompts(nullptr);
    }

    // Starts recording into path and waits until the mux has had frames frames.
    bool Record(const QString& path, int frames) {
        if (StartMovieVideo(GetParam(), preview, &width, &height,
                            QFile::encodeName(path).constData()) != 1) {
            return false;
        }
        clock.start();
        input.Watch(CaptureGraph::Instance().FileBranch()->mux());
        return QTest::qWaitFor([&] { return input.buffers.load() >= frames; }, 15000);
    }

    // The file is complete: every frame the mux was given is in it, in its data, both
    // indexes and its headers, and a player decodes all of them.
    void ExpectComplete(const QString& path, const char* fourcc) {
        const std::optional<AviFile> avi = ReadAviFile(path);
        ASSERT_TRUE(avi);
        EXPECT_FALSE(avi->truncated);
        EXPECT_EQ(avi->riffChunks, 1);
        EXPECT_EQ(avi->streamType, QByteArray("vids"));
        EXPECT_EQ(avi->compression, QByteArray(fourcc));
        EXPECT_EQ(avi->size, QSize(320, 240));
        EXPECT_EQ(avi->microSecPerFrame, 33333u);
        const int frames = input.buffers.load();
        EXPECT_EQ(avi->moviFrames, frames);
        EXPECT_EQ(avi->idx1Frames, frames);
        EXPECT_EQ(int(avi->avihFrames), frames);
        EXPECT_EQ(int(avi->streamLength), frames);
        // The OpenDML header: past 1 GiB the file goes on in "AVIX" chunks with their own
        // indexes instead of ending.
        EXPECT_EQ(int(avi->odmlFrames), frames);
        const std::optional<DecodedMovie> decoded = DecodeMovie(path);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->frames, frames);
        EXPECT_EQ(decoded->size, QSize(320, 240));
    }

    const char* Fourcc() const { return GetParam() == 0 ? "YUY2" : "MJPG"; }
    QString MoviePath() const { return env.root() + QStringLiteral("/movie.avi"); }

    TempEnvironment env;
    ScriptedPrompts prompts;
    QFrame owner;
    VideoOutput* preview = nullptr;
    MuxInput input;
    QElapsedTimer clock;
    int width = 0;
    int height = 0;
};

TEST_P(MovieRecordingTest, StopCompletesAFileOfTheCamerasOwnFormatFromTwoSecondsOn) {
    ASSERT_TRUE(Record(MoviePath(), 20));
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    // The preview runs beside the recording.
    const int shown = preview->FramesShown();
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview->FramesShown() > shown; }, 5000));

    const double seconds = clock.elapsed() / 1000.0;
    ASSERT_EQ(StartMovieVideo(GetParam(), preview, &width, &height, nullptr), 1);
    ExpectComplete(MoviePath(), Fourcc());
    // The first two seconds of the camera's stream are not in the file.
    EXPECT_GE(input.firstTime.load(), 19 * GST_SECOND / 10);
    EXPECT_LE(input.firstTime.load(), 25 * GST_SECOND / 10);
    const double expected = (seconds - 2.0) * 30.0;
    EXPECT_NEAR(input.buffers.load(), expected, expected * 0.25 + 3) << seconds << " s";
    EXPECT_TRUE(prompts.messages.isEmpty())
        << prompts.messages.join(QLatin1Char('|')).toStdString();
}

TEST_P(MovieRecordingTest, CameraErrorWhileRecordingCompletesTheFile) {
    ASSERT_TRUE(Record(MoviePath(), 10));
    QObject events;
    CaptureGraph& g = CaptureGraph::Instance();
    // What v4l2src reports when its camera is unplugged; the stream itself goes on here, so
    // the file must be ended by the program, not by the source.
    GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, "gone");
    gst_element_post_message(g.Source(), gst_message_new_error(GST_OBJECT(g.Source()), error, ""));
    g_error_free(error);
    EXPECT_GE(DrainGraphEvents(), 1);
    EXPECT_TRUE(g.Failed());
    ExpectComplete(MoviePath(), Fourcc());
    // Releasing the stopped graph leaves the file as it is.
    const QByteArray written = TempEnvironment::readFile(MoviePath());
    ReleaseGraph();
    EXPECT_EQ(TempEnvironment::readFile(MoviePath()), written);
}

INSTANTIATE_TEST_SUITE_P(Formats, MovieRecordingTest, ::testing::Values(0, 1),
                         [](const auto& info) {
                             return std::string(info.param == 0 ? "Yuy2" : "Mjpg");
                         });

} // namespace
