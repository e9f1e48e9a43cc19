#include "app/ControlIds.h"
#include "capture/CameraProperty.h"
#include "capture/CaptureGraph.h"
#include "library/ImageList.h"
#include "platform/video/SourceControls.h"
#include "platform/video/VideoSource.h"
#include "support/EventLoop.h"
#include "support/MainWindowFixture.h"
#include "support/PictureFiles.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QTest>

namespace {

// Counts the writes that reach the simulated camera's picture: every control write sets its
// colour balance element's properties.
void CountWrite(GObject*, GParamSpec*, gpointer writes) {
    ++*static_cast<int*>(writes);
}

class RepaintTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        const QString file = env.root() + QStringLiteral("/controls.json");
        ASSERT_TRUE(TempEnvironment::writeFile(file, R"([{"name": "Orvane Q7",
            "controls": ["Brightness", "Contrast"],
            "formats": [{"format": "YUY2", "width": 320, "height": 240}]}])"));
        env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
        ResetSimulatedControls();
        ResetCameraProperties();
        // Pictures 3.jpg (newest) to 1.jpg, each taken with its own brightness.
        for (int i = 1; i <= 3; ++i) {
            const QString picture = env.root() + QStringLiteral("/pictures/%1.jpg").arg(i);
            ASSERT_TRUE(WritePicture(picture, QColor(60 * i, 80, 120), QSize(640, 480)));
            ASSERT_TRUE(TempEnvironment::writeFile(
                ReplaceLastThree(picture, "ini"),
                QByteArray("[USBProperty]\ndevice=Orvane Q7\nBrightness=") +
                    QByteArray::number(10 * i) + "/2\n"));
        }
        ASSERT_TRUE(StartAndShow());
        ASSERT_TRUE(WaitForLiveFrames());
        dlg->m_saveFolder = env.root() + QStringLiteral("/pictures");
        dlg->ResetImageList();
        dlg->ApplyViewState();
        balance = Ref(SourceBalance(CaptureGraph::Instance().Source()));
        ASSERT_TRUE(balance);
        counter =
            g_signal_connect(balance.get(), "notify::brightness", G_CALLBACK(CountWrite), &writes);
    }
    void TearDown() override {
        if (balance) {
            g_signal_handler_disconnect(balance.get(), counter);
        }
        MainWindowFixture::TearDown();
        ResetSimulatedControls();
        ResetCameraProperties();
    }
    static int CameraBrightness() {
        int value = 0;
        int flags = 0;
        return GraphCameraControls()->Get(kVideoProcAmp, 0, &value, &flags) ? value : -1000;
    }
    // A click as a user makes it: the window runs between the press and the release.
    static void Click(QWidget* widget, QPoint at = QPoint()) {
        QTest::mousePress(widget, Qt::LeftButton, {}, at);
        RunPostedEvents();
        QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
        RunPostedEvents();
    }
    QAbstractButton* Button(int id) { return static_cast<QAbstractButton*>(dlg->GetDlgItem(id)); }

    GstElementPtr balance;
    gulong counter = 0;
    int writes = 0; // brightness writes that reached the camera
};

TEST_F(RepaintTest, AShownPictureIsPaintedOnceAndItsSettingsAppliedOnce) {
    EventCounter paints(dlg.get(), QEvent::Paint);
    Click(dlg.get(), QPoint(250, 540)); // the newest picture's thumbnail
    ASSERT_EQ(dlg->m_viewState, 2);
    ASSERT_EQ(dlg->m_strip.selSlot(), 0);
    EXPECT_EQ(CameraBrightness(), 30);
    const int applied = writes;
    EXPECT_GT(applied, 0);

    // The window settles: a paint loop would go on painting once per round.
    RunPostedEvents(50);
    EXPECT_LE(paints.count, 3);

    // Repaints from anywhere, a resize of the window system's making, a comment: the camera
    // is left alone.
    for (int i = 0; i < 100; ++i) {
        dlg->repaint();
    }
    prompts.comments = {QStringLiteral("abc")};
    dlg->OnImageAreaRightClick(400, 200);
    RunPostedEvents();
    EXPECT_EQ(writes, applied);
    EXPECT_EQ(CameraBrightness(), 30);
}

TEST_F(RepaintTest, PictureCommandsWorkWithTheMouse) {
    Click(dlg.get(), QPoint(250, 540));
    ASSERT_EQ(dlg->m_strip.selSlot(), 0);

    Click(Button(IDC_NEXT_IMAGE));
    EXPECT_EQ(dlg->m_strip.selSlot(), 1);
    EXPECT_EQ(CameraBrightness(), 20);
    Click(Button(IDC_NEXT_IMAGE));
    EXPECT_EQ(dlg->m_strip.selSlot(), 2);
    EXPECT_FALSE(Button(IDC_NEXT_IMAGE)->isEnabled());
    Click(Button(IDC_PREV_IMAGE));
    EXPECT_EQ(dlg->m_strip.selSlot(), 1);
    EXPECT_EQ(CameraBrightness(), 20);

    // CopyProperty applies the shown picture's settings and returns to the live picture.
    ASSERT_TRUE(Button(IDC_COPY_PROPERTY)->isEnabled());
    GraphCameraControls()->Set(kVideoProcAmp, 0, 0, 2);
    prompts.answers = {true};
    Click(Button(IDC_COPY_PROPERTY));
    EXPECT_EQ(prompts.questions.size(), 1);
    EXPECT_EQ(CameraBrightness(), 20);
    EXPECT_EQ(dlg->m_viewState, 1);

    // DeleteImage asks, then deletes the shown picture with its files.
    Click(dlg.get(), QPoint(250, 540));
    ASSERT_EQ(dlg->m_strip.selSlot(), 0);
    prompts.answers = {true};
    Click(Button(IDC_DELETE_IMAGE));
    EXPECT_EQ(prompts.questions.size(), 2);
    EXPECT_FALSE(QFileInfo::exists(dlg->m_saveFolder + QStringLiteral("/3.jpg")));
    EXPECT_FALSE(QFileInfo::exists(dlg->m_saveFolder + QStringLiteral("/3.ini")));
    EXPECT_EQ(dlg->m_strip.names(), (QStringList{"2.jpg", "1.jpg"}));
    // The selection stays in its slot and shows the next older picture, whose settings apply.
    EXPECT_EQ(dlg->m_strip.selSlot(), 0);
    EXPECT_EQ(CameraBrightness(), 20);
}

} // namespace
