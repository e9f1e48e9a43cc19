#include "capture/CaptureGraph.h"
#include "capture/CameraEvent.h"
#include "capture/CameraFrames.h"
#include "capture/FrameCapture.h"
#include "capture/GrabbedFrameConvert.h"
#include "capture/VideoFormats.h"
#include "capture/VideoOutput.h"
#include "support/ScriptedPrompts.h"
#include "support/TempEnvironment.h"
#include "support/TestPicture.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QImageReader>
#include <QTest>
#include <cstring>
#include <gst/video/video.h>
#include <gtest/gtest.h>

namespace {

// Records the camera events posted to it.
class EventSink : public QObject {
public:
    struct Seen {
        CameraEvent::Kind kind;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };
    bool event(QEvent* e) override {
        if (e->type() == CameraEvent::kType) {
            auto* camera = static_cast<CameraEvent*>(e);
            seen.push_back({camera->kind, camera->wParam, camera->lParam});
            return true;
        }
        return QObject::event(e);
    }
    std::vector<Seen> seen;
};

const char* const kCameras = R"([
  {"name": "Plain YUY2", "stillPin": false, "pattern": "ball",
   "formats": [{"format": "YUY2", "width": 640, "height": 480},
               {"format": "MJPG", "width": 1280, "height": 720}]},
  {"name": "Still Cam", "stillPin": true, "pattern": "smpte",
   "formats": [{"format": "YUY2", "width": 640, "height": 480}]},
  {"name": "Wide MJPG", "stillPin": false, "pattern": "snow",
   "formats": [{"format": "MJPG", "width": 1280, "height": 720}]},
  {"name": "NV12 Cam", "stillPin": true, "pattern": "ball",
   "formats": [{"format": "NV12", "width": 320, "height": 240}]}
])";

class CaptureGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env.ok());
        const QString file = env.root() + QStringLiteral("/cameras.json");
        ASSERT_TRUE(TempEnvironment::writeFile(file, kCameras));
        env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
        CaptureGraph::Instance().Reset();
        CaptureGraph::Instance().SetPrompts(&prompts);
        SetNotifyWindow(&events);
        owner.setGeometry(0, 0, 642, 482);
        owner.setFrameStyle(QFrame::Box | QFrame::Plain);
        owner.setLineWidth(1);
        output = new VideoOutput(&owner);
        owner.show();
    }
    void TearDown() override {
        ReleaseGraph();
        SetNotifyWindow(nullptr);
        CaptureGraph::Instance().SetPrompts(nullptr);
    }

    int Start(int device, int requestedWidth = 0, int requestedHeight = 0) {
        CaptureGraph::Instance().SetRequestedSize(requestedWidth, requestedHeight);
        return StartVideo(device, output, &outWidth, &outHeight);
    }

    static bool WaitForBufferedFrame() {
        return QTest::qWaitFor([] { return CaptureGraph::Instance().HasFrame(); }, 10000);
    }
    // The size of the frames the grabber gets from the camera.
    static QSize GrabbedSize() {
        const TakenFrame taken = CaptureGraph::Instance().TakeFrame();
        GstVideoInfo info;
        if (!taken.sample ||
            !gst_video_info_from_caps(&info, gst_sample_get_caps(taken.sample.get()))) {
            return QSize();
        }
        return QSize(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info));
    }
    bool WaitForFramesShown(int count) const {
        return QTest::qWaitFor([&] { return output->FramesShown() >= count; }, 10000);
    }

    QString PicturePath(const char* name) const { return env.root() + QLatin1Char('/') + name; }
    void UseCameras(const QByteArray& json) {
        const QString file = env.root() + QStringLiteral("/other.json");
        ASSERT_TRUE(TempEnvironment::writeFile(file, json));
        env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
    }
    // Waits until the grabber has had count new frames: the camera streams on.
    static bool WaitForCameraFrames(int count) {
        GstBuffer* last = nullptr;
        int seen = 0;
        return QTest::qWaitFor(
            [&] {
                const TakenFrame taken = CaptureGraph::Instance().TakeFrame();
                GstBuffer* buffer =
                    taken.sample ? gst_sample_get_buffer(taken.sample.get()) : nullptr;
                if (buffer && buffer != last) {
                    last = buffer;
                    ++seen;
                }
                return seen > count;
            },
            10000);
    }

    TempEnvironment env;
    ScriptedPrompts prompts;
    EventSink events;
    QFrame owner;
    VideoOutput* output = nullptr;
    int outWidth = 0;
    int outHeight = 0;
};

TEST_F(CaptureGraphTest, CameraWithoutStillPinRendersThroughTheBufferingGrabber) {
    ASSERT_EQ(Start(0), 1);
    CaptureGraph& g = CaptureGraph::Instance();
    EXPECT_FALSE(g.HasStillPin());
    EXPECT_EQ(outWidth, 640);
    EXPECT_EQ(outHeight, 480);
    // With no stored size the current format's size becomes the requested one.
    EXPECT_EQ(g.RequestedWidth(), 640);
    EXPECT_EQ(g.RequestedHeight(), 480);

    EXPECT_EQ(g.FedViewFinder(), output);
    EXPECT_EQ(output->geometry(), QRect(1, 1, 640, 480));
    EXPECT_TRUE(WaitForFramesShown(3));
    EXPECT_EQ(output->Picture().size(), QSize(640, 480));
    EXPECT_TRUE(WaitForBufferedFrame());
    EXPECT_EQ(GrabbedSize(), QSize(640, 480));
    EXPECT_TRUE(prompts.messages.isEmpty())
        << prompts.messages.join(QLatin1Char('|')).toStdString();
}

TEST_F(CaptureGraphTest, PictureFromTheRunningLiveGraphDecodes) {
    ASSERT_EQ(Start(0), 1);
    ASSERT_TRUE(WaitForBufferedFrame());
    const QString path = PicturePath("live.jpg");
    SaveCurrentFrame(path);
    QImageReader reader(path);
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(image.size(), QSize(640, 480));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

// The picture as the still writer makes it of a full frame: rows resampled to 4:3.
QImage FourThree(const QImage& frame) {
    const int height = 3 * frame.width() / 4;
    QImage out(frame.width(), height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        std::memcpy(out.scanLine(y), frame.constScanLine(y * frame.height() / height),
                    size_t(frame.width()) * 4);
    }
    return out;
}

// The live view decodes frames reduced; a still is the camera's full frame, decoded when taken.
TEST_F(CaptureGraphTest, StillIsTheCamerasFullFrameWhileThePreviewIsReduced) {
    const QImage picture = TestPicture(QSize(1280, 720));
    const QByteArray jpeg = CameraJpeg(picture);
    ASSERT_TRUE(QDir().mkpath(env.root() + QStringLiteral("/frames")));
    ASSERT_TRUE(TempEnvironment::writeFile(env.root() + QStringLiteral("/frames/0001.jpg"), jpeg));
    UseCameras(R"([{"name": "Replay", "replay": "frames",
                    "formats": [{"format": "MJPG", "width": 1280, "height": 720}]},
                   {"name": "Colours", "pattern": "colors",
                    "formats": [{"format": "YUY2", "width": 640, "height": 480}]}])");
    for (int device : {0, 1}) {
        ASSERT_EQ(Start(device), 1) << device;
        ASSERT_TRUE(WaitForFramesShown(output->FramesShown() + 1));
        ASSERT_TRUE(WaitForBufferedFrame());
        // The grabber holds the frame as the camera sent it.
        const TakenFrame taken = CaptureGraph::Instance().TakeFrame();
        ASSERT_TRUE(taken.sample);
        QImage full;
        if (device == 0) {
            GstMapInfo map;
            ASSERT_TRUE(
                gst_buffer_map(gst_sample_get_buffer(taken.sample.get()), &map, GST_MAP_READ));
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(map.data), qsizetype(map.size)),
                      jpeg);
            gst_buffer_unmap(gst_sample_get_buffer(taken.sample.get()), &map);
            full = QImage::fromData(jpeg, "JPEG");
            EXPECT_EQ(output->Picture().size(), QSize(960, 540)) << "the preview's 3/4 decode";
        } else {
            // SD frames without colorimetry in their caps are BT.601, limited range.
            full = ExactYuy2Conversion(taken.sample.get(), 0.299, 0.114, false);
        }
        const QSize frameSize = device == 0 ? QSize(1280, 720) : QSize(640, 480);
        ASSERT_EQ(full.size(), frameSize);

        // What a capture writes is that frame decoded whole, made 4:3.
        const std::optional<GrabbedFrame> grabbed = FrameFromSample(taken.sample.get());
        ASSERT_TRUE(grabbed);
        if (device == 0) {
            EXPECT_LE(GrabbedFrameDifference(*grabbed, full), 1);
        } else {
            const QImage grabbedImage =
                QImage(grabbed->bytes.data(), 640, 480, 640 * 3, QImage::Format_BGR888)
                    .mirrored()
                    .convertToFormat(QImage::Format_RGB32);
            EXPECT_LE(CellMeanDifference(grabbedImage, full, 64, 48), 3);
        }
        const QString path = PicturePath(device == 0 ? "mjpg.jpg" : "yuy2.jpg");
        SaveCurrentFrame(path);
        const QImage stored(path);
        ASSERT_EQ(stored.size(), QSize(frameSize.width(), frameSize.width() * 3 / 4)) << device;
        // Quality 50 costs a few levels.
        EXPECT_LE(CellMeanDifference(stored, FourThree(full)), 4) << device;
    }
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();
}

// A hidden or minimised window's video costs no decoding; it resumes when seen again.
TEST_F(CaptureGraphTest, NothingIsDecodedWhileTheVideoCannotBeSeen) {
    ASSERT_EQ(Start(2), 1);
    ASSERT_TRUE(WaitForFramesShown(1));
    for (bool minimise : {true, false}) {
        if (minimise) {
            owner.showMinimized();
        } else {
            output->parentWidget()->hide();
        }
        ASSERT_TRUE(WaitForCameraFrames(2)); // a frame on its way when hidden may still finish
        const int decodes = output->Decodes();
        ASSERT_TRUE(WaitForCameraFrames(10));
        EXPECT_EQ(output->Decodes(), decodes) << minimise;
        if (minimise) {
            owner.showNormal();
        } else {
            output->parentWidget()->show();
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return output->Decodes() > decodes + 2; }, 10000));
    }
}

// A camera sending another raw format is converted for the viewfinder and the still pin, not
// for its movie file.
TEST_F(CaptureGraphTest, OtherRawFormatsAreShownAndTaken) {
    ASSERT_EQ(Start(3), 1);
    EXPECT_TRUE(WaitForFramesShown(2));
    EXPECT_EQ(output->Picture().size(), QSize(320, 240));
    SaveCurrentFrame(PicturePath("trigger.jpg"));
    ASSERT_TRUE(QTest::qWaitFor([] { return CaptureGraph::Instance().HasFrame(); }, 10000));
    const QString path = PicturePath("nv12.jpg");
    SaveCurrentFrame(path);
    EXPECT_EQ(QImageReader(path).size(), QSize(320, 240));
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();
}

TEST_F(CaptureGraphTest, MjpgCameraGivesA43PictureOfItsWidth) {
    ASSERT_EQ(Start(2), 1);
    EXPECT_EQ(outWidth, 1280);
    EXPECT_EQ(outHeight, 720);
    ASSERT_TRUE(WaitForBufferedFrame());
    const QString path = PicturePath("wide.jpg");
    SaveCurrentFrame(path);
    EXPECT_EQ(QImageReader(path).size(), QSize(1280, 960));
}

TEST_F(CaptureGraphTest, StoredSizeSelectsTheMatchingCapability) {
    ASSERT_EQ(Start(0, 1280, 720), 1);
    EXPECT_EQ(outWidth, 1280);
    EXPECT_EQ(outHeight, 720);
    EXPECT_EQ(CaptureGraph::Instance().Stream()->Format().format, QStringLiteral("MJPG"));
    ASSERT_TRUE(WaitForBufferedFrame());
    EXPECT_EQ(GrabbedSize(), QSize(1280, 720));
    EXPECT_TRUE(WaitForFramesShown(1));
}

TEST_F(CaptureGraphTest, StoredSizeNoCapabilityHasReportsTheSizeTheCameraDelivers) {
    ASSERT_EQ(Start(0, 640, 480), 1); // the camera's format is now YUY2 640 x 480
    ASSERT_EQ(Start(0, 800, 600), 1);
    EXPECT_EQ(outWidth, 640);
    EXPECT_EQ(outHeight, 480);
    EXPECT_EQ(CaptureGraph::Instance().Stream()->Format().format, QStringLiteral("YUY2"));
    ASSERT_TRUE(WaitForBufferedFrame());
    EXPECT_EQ(GrabbedSize(), QSize(640, 480));
}

TEST_F(CaptureGraphTest, FormatResetProbe) {
    // Nothing to probe without a graph.
    EXPECT_EQ(FormatResetProbe(), 1);
    EXPECT_TRUE(prompts.messages.isEmpty());

    // A running graph: the impossible size is refused, and the graph runs on as it was.
    ASSERT_EQ(Start(0, 1280, 720), 1);
    EXPECT_EQ(FormatResetProbe(), 1);
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("VFW_E_INVALIDMEDIATYPE")});
    EXPECT_EQ(CaptureGraph::Instance().Stream()->Format().width, 1280);
    EXPECT_TRUE(WaitForFramesShown(output->FramesShown() + 2));

    // A graph left over from a build that found no camera.
    const QString file = env.root() + QStringLiteral("/none.json");
    ASSERT_TRUE(TempEnvironment::writeFile(file, "[]"));
    env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
    EXPECT_EQ(Start(0, 800, 600), 0);
    prompts.messages.clear();
    EXPECT_EQ(FormatResetProbe(), 1);
    EXPECT_EQ(prompts.messages,
              (QStringList{QStringLiteral(" FindInterface(pStreamConfig) = hr=ERROR : width=800"),
                           QStringLiteral(" Error FindInterface")}));
}

TEST_F(CaptureGraphTest, StillPinRoundTrip) {
    ASSERT_EQ(Start(1), 1);
    CaptureGraph& g = CaptureGraph::Instance();
    EXPECT_TRUE(g.HasStillPin());
    EXPECT_TRUE(WaitForFramesShown(1));
    EXPECT_FALSE(g.HasFrame());

    // First pass: only the trigger, no file.
    const QString first = PicturePath("first.jpg");
    SaveCurrentFrame(first);
    EXPECT_FALSE(QFile::exists(first));

    // The still frame arrives through the callback with its length and address.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !events.seen.empty(); }, 10000));
    const EventSink::Seen still = events.seen.back();
    EXPECT_EQ(still.kind, CameraEvent::Kind::StillFrame);
    // A 640 x 480 frame of 24-bit rows.
    EXPECT_EQ(still.wParam, 640u * 3 * 480);
    EXPECT_NE(still.lParam, 0);
    EXPECT_TRUE(g.HasFrame());

    // Second pass writes the delivered frame and empties the slot.
    const QString second = PicturePath("second.jpg");
    SaveCurrentFrame(second);
    EXPECT_EQ(QImageReader(second).size(), QSize(640, 480));
    EXPECT_FALSE(g.HasFrame());
}

TEST_F(CaptureGraphTest, NoFrameYetWritesNothingAndSaysSo) {
    // The movie preview of a camera without still pin has no buffering branch.
    ASSERT_EQ(StartMovieVideo(0, output, &outWidth, &outHeight, nullptr), 1);
    const QString path = PicturePath("none.jpg");
    SaveCurrentFrame(path);
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages.first().startsWith(QStringLiteral("ERROR: ")));
}

TEST_F(CaptureGraphTest, UnwritableFolderShowsTheMessageOnce) {
    ASSERT_EQ(Start(0), 1);
    ASSERT_TRUE(WaitForBufferedFrame());
    ASSERT_TRUE(TempEnvironment::writeFile(PicturePath("plain-file"), "x"));
    SaveCurrentFrame(PicturePath("plain-file/pic.jpg"));
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("ERROR: save file failed!")});
}

TEST_F(CaptureGraphTest, BusErrorIsPostedAndStopsTheGraph) {
    ASSERT_EQ(Start(0), 1);
    CaptureGraph& g = CaptureGraph::Instance();
    ASSERT_TRUE(WaitForFramesShown(1));
    events.seen.clear();

    // What v4l2src reports when its camera is unplugged.
    GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ,
                                        "Could not read from resource.");
    gst_element_post_message(g.Source(),
                             gst_message_new_error(GST_OBJECT(g.Source()), error, "unplugged"));
    g_error_free(error);

    ASSERT_TRUE(QTest::qWaitFor([&] { return !events.seen.empty(); }, 5000));
    EXPECT_EQ(events.seen.front().kind, CameraEvent::Kind::GraphNotification);
    EXPECT_GE(DrainGraphEvents(), 1);
    EXPECT_EQ(DrainGraphEvents(), 0);
    EXPECT_TRUE(g.Failed());
    EXPECT_FALSE(GraphRuns());

    // A new build runs again.
    ASSERT_EQ(Start(0), 1);
    EXPECT_FALSE(g.Failed());
    EXPECT_TRUE(WaitForFramesShown(output->FramesShown() + 1));
}

// A busy camera fails on its first frame, which may come before the window that is to hear of
// it is named.
TEST_F(CaptureGraphTest, AnErrorBeforeTheWindowIsNamedReachesIt) {
    SetNotifyWindow(nullptr);
    ASSERT_EQ(Start(0), 1);
    ReportCameraRemoved();
    SetNotifyWindow(&events);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !events.seen.empty(); }, 5000));
    EXPECT_GE(DrainGraphEvents(), 1);
    EXPECT_TRUE(CaptureGraph::Instance().Failed());
}

TEST_F(CaptureGraphTest, AttachVideoWindowFeedsAnotherViewFinder) {
    ASSERT_EQ(Start(0), 1);
    ASSERT_TRUE(WaitForFramesShown(1));
    QFrame other;
    auto* otherOutput = new VideoOutput(&other);
    other.resize(800, 600);
    other.show();
    AttachVideoWindow(otherOutput);
    CaptureGraph& g = CaptureGraph::Instance();
    EXPECT_EQ(g.FedViewFinder(), otherOutput);
    EXPECT_TRUE(output->Picture().isNull()) << "the window left shows nothing of the camera";
    EXPECT_TRUE(QTest::qWaitFor([&] { return otherOutput->FramesShown() > 0; }, 10000));
    // A rebuild without owner feeds the attached viewfinder.
    ASSERT_EQ(StartVideo(0, nullptr, &outWidth, &outHeight), 1);
    EXPECT_EQ(g.FedViewFinder(), otherOutput);
    // A viewfinder that goes away is fed no more; the graph runs on.
    const int shown = output->FramesShown();
    delete otherOutput;
    EXPECT_EQ(g.FedViewFinder(), nullptr);
    AttachVideoWindow(output);
    EXPECT_TRUE(WaitForFramesShown(shown + 1));
}

TEST_F(CaptureGraphTest, ReleaseDropsEveryObject) {
    ASSERT_EQ(Start(1), 1);
    ASSERT_TRUE(WaitForFramesShown(1));
    ReleaseGraph();
    CaptureGraph& g = CaptureGraph::Instance();
    EXPECT_FALSE(g.Exists());
    EXPECT_FALSE(g.Source());
    EXPECT_FALSE(g.Stream());
    EXPECT_FALSE(g.HasStillPin());
    EXPECT_FALSE(g.HasFrame());
    EXPECT_EQ(g.FedViewFinder(), nullptr);
    EXPECT_TRUE(output->Picture().isNull());
}

TEST_F(CaptureGraphTest, BindingWithoutAnyCameraSaysSo) {
    const QString file = env.root() + QStringLiteral("/none.json");
    ASSERT_TRUE(TempEnvironment::writeFile(file, "[]"));
    env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
    EXPECT_EQ(Start(0), 0);
    EXPECT_EQ(prompts.messages, (QStringList{QStringLiteral("camera device not found!"),
                                             QStringLiteral("ERROR: device bind failed!")}));
}

} // namespace
