#include "capture/CaptureGraph.h"
#include "capture/CameraEvent.h"
#include "capture/FrameCapture.h"
#include "capture/VideoFormats.h"
#include "capture/VideoOutput.h"
#include "support/ScriptedPrompts.h"
#include "support/TempEnvironment.h"

#include <QFile>
#include <QFrame>
#include <QImageReader>
#include <QScreen>
#include <QTest>
#include <gst/app/gstappsink.h>
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
   "formats": [{"format": "MJPG", "width": 1280, "height": 720}]}
])";

class CaptureGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env.ok());
        const QString file = env.root() + QStringLiteral("/cameras.json");
        ASSERT_TRUE(TempEnvironment::writeFile(file, kCameras));
        env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
        CaptureGraph::Instance().Reset();
        CaptureGraph::Instance().prompts = &prompts;
        SetNotifyWindow(&events);
        owner.setGeometry(0, 0, 642, 482);
        owner.setFrameStyle(QFrame::Box | QFrame::Plain);
        owner.setLineWidth(1);
        owner.show();
    }
    void TearDown() override {
        ReleaseGraph();
        SetNotifyWindow(nullptr);
        CaptureGraph::Instance().prompts = nullptr;
    }

    int Start(int device, int requestedWidth = 0, int requestedHeight = 0) {
        CaptureGraph::Instance().requestedWidth = requestedWidth;
        CaptureGraph::Instance().requestedHeight = requestedHeight;
        return StartVideo(device, &owner, 640, 480, &outWidth, &outHeight);
    }

    bool WaitForBufferedFrame() {
        return QTest::qWaitFor(
            [] {
                CaptureGraph& g = CaptureGraph::Instance();
                std::lock_guard<std::mutex> lock(g.frameMutex);
                return g.lastSample != nullptr;
            },
            10000);
    }

    QString PicturePath(const char* name) const { return env.root() + QLatin1Char('/') + name; }

    TempEnvironment env;
    ScriptedPrompts prompts;
    EventSink events;
    QFrame owner;
    int outWidth = 0;
    int outHeight = 0;
};

TEST_F(CaptureGraphTest, CameraWithoutStillPinRendersThroughTheBufferingGrabber) {
    ASSERT_EQ(Start(0), 1);
    CaptureGraph& g = CaptureGraph::Instance();
    EXPECT_FALSE(g.stillPin);
    EXPECT_EQ(g.grabberMode, -1);
    EXPECT_EQ(outWidth, 640);
    EXPECT_EQ(outHeight, 480);
    // With no stored size the current format's size becomes the requested one.
    EXPECT_EQ(g.requestedWidth, 640);
    EXPECT_EQ(g.requestedHeight, 480);

    ASSERT_TRUE(g.renderer);
    EXPECT_EQ(g.renderer->parentWidget(), &owner);
    EXPECT_EQ(g.renderer->geometry(), QRect(1, 1, 640, 480));
    EXPECT_TRUE(QTest::qWaitFor([&] { return g.renderer->FramesShown() > 2; }, 10000));
    EXPECT_EQ(g.renderer->FrameSize(), QSize(640, 480));
    EXPECT_TRUE(WaitForBufferedFrame());
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
    CaptureGraph& g = CaptureGraph::Instance();
    EXPECT_EQ(outWidth, 1280);
    EXPECT_EQ(outHeight, 720);
    EXPECT_EQ(g.streamConfig->Format().format, QStringLiteral("MJPG"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return g.renderer->FrameSize() == QSize(1280, 720); }, 10000));
}

TEST_F(CaptureGraphTest, StoredSizeNoCapabilityHasReportsTheSizeTheCameraDelivers) {
    ASSERT_EQ(Start(0, 640, 480), 1); // the camera's format is now YUY2 640 x 480
    ASSERT_EQ(Start(0, 800, 600), 1);
    CaptureGraph& g = CaptureGraph::Instance();
    EXPECT_EQ(outWidth, 640);
    EXPECT_EQ(outHeight, 480);
    EXPECT_EQ(g.streamConfig->Format().format, QStringLiteral("YUY2"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return g.renderer->FrameSize() == QSize(640, 480); }, 10000));
}

TEST_F(CaptureGraphTest, FormatResetProbe) {
    // Nothing to probe without a graph.
    EXPECT_EQ(FormatResetProbe(), 1);
    EXPECT_TRUE(prompts.messages.isEmpty());

    // A running graph: the impossible size is refused, and the graph runs on as it was.
    ASSERT_EQ(Start(0, 1280, 720), 1);
    CaptureGraph& g = CaptureGraph::Instance();
    EXPECT_EQ(FormatResetProbe(), 1);
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("VFW_E_INVALIDMEDIATYPE")});
    EXPECT_EQ(g.streamConfig->Format().width, 1280);
    const int shown = g.renderer->FramesShown();
    EXPECT_TRUE(QTest::qWaitFor([&] { return g.renderer->FramesShown() > shown + 1; }, 10000));

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
    EXPECT_TRUE(g.stillPin);
    EXPECT_EQ(g.grabberMode, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return g.renderer->FramesShown() > 0; }, 10000));

    // First pass: only the trigger, no file.
    const QString first = PicturePath("first.jpg");
    SaveCurrentFrame(first);
    EXPECT_FALSE(QFile::exists(first));

    // The still frame arrives through the callback with its length and address.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !events.seen.empty(); }, 10000));
    const EventSink::Seen still = events.seen.back();
    EXPECT_EQ(still.kind, CameraEvent::Kind::StillFrame);
    EXPECT_NE(still.wParam, 0u);
    EXPECT_NE(still.lParam, 0);
    {
        std::lock_guard<std::mutex> lock(g.frameMutex);
        ASSERT_TRUE(g.stillFrame);
        EXPECT_EQ(still.wParam, g.stillFrame->bytes.size());
        EXPECT_EQ(still.lParam, reinterpret_cast<std::intptr_t>(g.stillFrame->bytes.data()));
        EXPECT_EQ(g.stillFrame->format.width, 640);
        EXPECT_EQ(g.stillFrame->format.height, 480);
    }

    // Second pass writes the delivered frame and empties the slot.
    const QString second = PicturePath("second.jpg");
    SaveCurrentFrame(second);
    EXPECT_EQ(QImageReader(second).size(), QSize(640, 480));
    std::lock_guard<std::mutex> lock(g.frameMutex);
    EXPECT_FALSE(g.stillFrame);
}

TEST_F(CaptureGraphTest, NoFrameYetWritesNothingAndSaysSo) {
    // The movie preview of a camera without still pin has no buffering branch.
    ASSERT_EQ(StartMovieVideo(0, &owner, &outWidth, &outHeight, nullptr), 1);
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return g.renderer->FramesShown() > 0; }, 10000));
    events.seen.clear();

    // What v4l2src reports when its camera is unplugged.
    GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ,
                                        "Could not read from resource.");
    gst_element_post_message(g.source.get(),
                             gst_message_new_error(GST_OBJECT(g.source.get()), error, "unplugged"));
    g_error_free(error);

    ASSERT_TRUE(QTest::qWaitFor([&] { return !events.seen.empty(); }, 5000));
    EXPECT_EQ(events.seen.front().kind, CameraEvent::Kind::GraphNotification);
    EXPECT_GE(DrainGraphEvents(), 1);
    EXPECT_EQ(DrainGraphEvents(), 0);
    EXPECT_TRUE(g.failed);

    // A new build runs again.
    ASSERT_EQ(Start(0), 1);
    EXPECT_FALSE(CaptureGraph::Instance().failed);
    EXPECT_TRUE(QTest::qWaitFor([] { return CaptureGraph::Instance().renderer->FramesShown() > 0; },
                                10000));
}

TEST_F(CaptureGraphTest, FullScreenStretchedAndBack) {
    ASSERT_EQ(Start(0), 1);
    CaptureGraph& g = CaptureGraph::Instance();
    SetFullScreen(1, 0);
    ASSERT_TRUE(g.renderer);
    EXPECT_EQ(g.renderer->parentWidget(), nullptr);
    EXPECT_EQ(g.renderer->geometry(), owner.screen()->geometry());
    EXPECT_FALSE(g.renderer->KeepAspect());
    SetFullScreen(0, 0);
    EXPECT_EQ(g.renderer->parentWidget(), &owner);
    EXPECT_EQ(g.renderer->geometry(), QRect(1, 1, 640, 480));
    EXPECT_TRUE(g.renderer->isVisible());
}

TEST_F(CaptureGraphTest, FullScreenKeepingAspectAndBack) {
    ASSERT_EQ(Start(0), 1);
    CaptureGraph& g = CaptureGraph::Instance();
    SetFullScreen(1, 1);
    EXPECT_EQ(g.renderer->parentWidget(), nullptr);
    EXPECT_TRUE(g.renderer->windowState() & Qt::WindowFullScreen);
    EXPECT_TRUE(g.renderer->KeepAspect());
    SetFullScreen(0, 1);
    EXPECT_EQ(g.renderer->parentWidget(), &owner);
    EXPECT_EQ(g.renderer->geometry(), QRect(1, 1, 640, 480));
}

TEST_F(CaptureGraphTest, AttachVideoWindowMovesTheVideoToAnotherWindow) {
    ASSERT_EQ(Start(0), 1);
    QWidget other;
    other.resize(800, 600);
    other.show();
    AttachVideoWindow(&other);
    CaptureGraph& g = CaptureGraph::Instance();
    EXPECT_EQ(g.renderer->parentWidget(), &other);
    EXPECT_EQ(g.renderer->geometry(), QRect(0, 0, 800, 600));
    // A rebuild without owner uses the attached window and the saved rectangle.
    ASSERT_EQ(StartVideo(0, nullptr, 0, 0, &outWidth, &outHeight), 1);
    EXPECT_EQ(CaptureGraph::Instance().renderer->parentWidget(), &other);
    EXPECT_EQ(CaptureGraph::Instance().renderer->geometry().size(), QSize(640, 480));
    ReleaseGraph();
}

TEST_F(CaptureGraphTest, ReleaseDropsEveryObject) {
    ASSERT_EQ(Start(1), 1);
    ReleaseGraph();
    CaptureGraph& g = CaptureGraph::Instance();
    EXPECT_FALSE(g.pipeline);
    EXPECT_FALSE(g.source);
    EXPECT_FALSE(g.grabber);
    EXPECT_FALSE(g.renderer);
    EXPECT_FALSE(g.streamConfig);
    EXPECT_FALSE(g.stillPin);
    EXPECT_TRUE(owner.findChildren<VideoOutput*>().isEmpty());
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
