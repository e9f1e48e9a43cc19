#include "app/ControlIds.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "platform/profile/Profile.h"
#include "support/FormatDialogKeys.h"
#include "support/MainWindowFixture.h"

#include <QAbstractButton>
#include <QFrame>
#include <QImageReader>
#include <QLabel>

namespace {

const char* const kCameras = R"([
  {"name": "Orvane Q7", "stillPin": false, "pattern": "ball",
   "formats": [{"format": "YUY2", "width": 640, "height": 480},
               {"format": "MJPG", "width": 1280, "height": 720, "framerate": 15}]},
  {"name": "H264 Cam", "formats": [{"format": "H264", "width": 1280, "height": 720}]}
])";

class VideoFormatTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        const QString file = env.root() + QStringLiteral("/cameras.json");
        ASSERT_TRUE(TempEnvironment::writeFile(file, kCameras));
        env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
        // The stored size of an earlier test is not this one's.
        ASSERT_TRUE(
            TempEnvironment::writeFile(env.iniFile(), "[Orvane Q7]\nWidth=640\nHeight=480\n"));
        // The format page is the real dialog, as the program's prompts show it.
        prompts.onFormatPages = [this](StreamConfig& config) {
            FormatPagesDialog(config, prompts.pageFrames.last(), prompts.formatPageOwners.last())
                .exec();
        };
    }
    void ClickVideoFormat() {
        static_cast<QAbstractButton*>(window().GetDlgItem(IDC_VIDEO_FORMAT))->click();
    }
    QString Stored(const char* key) const {
        return GetPrivateProfileString(QStringLiteral("Orvane Q7"), QLatin1String(key), QString(),
                                       env.iniFile());
    }
    static bool WaitForFrameSize(QSize size) {
        return QTest::qWaitFor(
            [size] {
                VideoOutput* output = LiveOutput();
                // A frame of the stream of that size on screen.
                return output && output->FrameSize() == size && !output->Picture().isNull();
            },
            10000);
    }
    static bool WaitForGrabbedFrame() {
        return QTest::qWaitFor([] { return CaptureGraph::Instance().HasFrame(); }, 10000);
    }
};

TEST_F(VideoFormatTest, KeyboardChoiceSwitchesTheVideoThePicturesAndTheNextStart) {
    ASSERT_TRUE(StartAndShow());
    ASSERT_TRUE(WaitForFrameSize(QSize(640, 480)));

    FormatDialogKeys keys({Qt::Key_Down, Qt::Key_Return});
    ClickVideoFormat();
    ASSERT_TRUE(keys.listFocused);
    EXPECT_EQ(keys.title, QStringLiteral("Orvane Q7 Video Format"));
    EXPECT_EQ(keys.position, window().mapToGlobal(QPoint(30, 30)));
    EXPECT_EQ(keys.rows, (QStringList{"YUY2|640 x 480|30", "MJPG|1280 x 720|15"}));
    EXPECT_EQ(keys.currentRowAtStart, 0);

    EXPECT_EQ(window().m_resolutionText, QStringLiteral("1280 x 720"));
    EXPECT_EQ(static_cast<QLabel*>(window().GetDlgItem(IDC_RESOLUTION))->text(),
              QStringLiteral("1280 x 720"));
    EXPECT_EQ(Stored("Width"), QStringLiteral("1280"));
    EXPECT_EQ(Stored("Height"), QStringLiteral("720"));
    // The live video is rebuilt in its place in the main window.
    ASSERT_TRUE(WaitForFrameSize(QSize(1280, 720)));
    EXPECT_EQ(LiveOutput()->parentWidget(), window().m_videoWindow);
    EXPECT_EQ(LiveOutput()->geometry(), QRect(1, 1, 640, 480));

    ASSERT_TRUE(WaitForGrabbedFrame());
    window().OnCapture();
    const QString picture = window().m_saveFolder + QStringLiteral("/20261209101112.jpg");
    EXPECT_EQ(QImageReader(picture).size(), QSize(1280, 960));
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();

    // A new start asks for the stored size.
    dlg.reset();
    CaptureGraph::Instance().Reset();
    ASSERT_TRUE(StartAndShow());
    EXPECT_EQ(window().m_resolutionText, QStringLiteral("1280 x 720"));
    EXPECT_EQ(CaptureGraph::Instance().Stream()->Format().format, QStringLiteral("MJPG"));
    EXPECT_TRUE(WaitForFrameSize(QSize(1280, 720)));
}

TEST_F(VideoFormatTest, EscapeKeepsTheFormatAndRebuildsTheVideo) {
    ASSERT_TRUE(StartAndShow());
    const std::uint64_t before = CaptureGraph::Instance().ControlsGeneration();
    // The camera button, pressed while the page is open, takes no picture of a stopped graph.
    bool polledDuringPage = true;
    prompts.onFormatPages = [&, showPage = prompts.onFormatPages](StreamConfig& config) {
        polledDuringPage = window().m_buttonPoll.IsActive();
        window().m_buttonPressed = 1;
        showPage(config);
    };
    FormatDialogKeys keys({Qt::Key_Down, Qt::Key_Escape});
    ClickVideoFormat();
    ASSERT_TRUE(keys.listFocused);
    EXPECT_FALSE(polledDuringPage);
    EXPECT_EQ(window().m_buttonPressed, 0);
    EXPECT_TRUE(window().m_buttonPoll.IsActive());
    EXPECT_NE(CaptureGraph::Instance().ControlsGeneration(), before) << "the graph was rebuilt";
    EXPECT_EQ(window().m_resolutionText, QStringLiteral("640 x 480"));
    EXPECT_EQ(Stored("Width"), QStringLiteral("640"));
    EXPECT_TRUE(WaitForFrameSize(QSize(640, 480)));
    EXPECT_EQ(prompts.pageFrames.last().language, window().m_language);
}

// A camera whose source cannot be had shows no page and keeps the text it had.
TEST_F(VideoFormatTest, CameraWithoutAFormatToShow) {
    ASSERT_TRUE(TempEnvironment::writeFile(env.iniFile(), "[VideoDevice]\nName=H264 Cam\n"));
    ASSERT_TRUE(Start());
    ASSERT_EQ(window().m_cameraName, QStringLiteral("H264 Cam"));
    const QString text = window().m_resolutionText;
    prompts.messages.clear();
    ClickVideoFormat();
    EXPECT_TRUE(prompts.formatPageOwners.isEmpty());
    EXPECT_EQ(window().m_resolutionText, text);
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("ERROR: device bind failed!")});
}

} // namespace
