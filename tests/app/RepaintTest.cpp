#include "app/ControlIds.h"
#include "capture/CameraProperty.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "library/ImageList.h"
#include "platform/video/SourceControls.h"
#include "support/EventLoop.h"
#include "support/MainWindowFixture.h"
#include "support/PictureFiles.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QTest>

namespace {

// The graph's camera controls, counting every write that reaches the camera.
class CountingControls : public CameraControls {
public:
    explicit CountingControls(std::unique_ptr<CameraControls> inner) : m_inner(std::move(inner)) {}
    bool Get(int kind, int id, int* value, int* flags) override {
        return m_inner->Get(kind, id, value, flags);
    }
    bool Set(int kind, int id, int value, int flags) override {
        ++writes;
        return m_inner->Set(kind, id, value, flags);
    }
    QList<ControlInfo> Controls() override { return m_inner->Controls(); }
    bool SetAuto(int kind, int id, bool on) override {
        ++writes;
        return m_inner->SetAuto(kind, id, on);
    }
    bool SetValue(int kind, int id, int value) override {
        ++writes;
        return m_inner->SetValue(kind, id, value);
    }
    int writes = 0;

private:
    std::unique_ptr<CameraControls> m_inner;
};

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
        ASSERT_TRUE(QTest::qWaitFor(
            [] {
                VideoOutput* output = CaptureGraph::Instance().renderer;
                return output && output->FramesShown() > 0;
            },
            10000));
        dlg->m_saveFolder = env.root() + QStringLiteral("/pictures");
        dlg->ResetImageList();
        dlg->ApplyViewState();
        CaptureGraph& graph = CaptureGraph::Instance();
        ASSERT_TRUE(graph.controls);
        counting = new CountingControls(std::move(graph.controls));
        graph.controls.reset(counting);
    }
    void TearDown() override {
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

    CountingControls* counting = nullptr; // owned by the graph
};

TEST_F(RepaintTest, AShownPictureIsPaintedOnceAndItsSettingsAppliedOnce) {
    EventCounter paints(dlg.get(), QEvent::Paint);
    Click(dlg.get(), QPoint(250, 540)); // the newest picture's thumbnail
    ASSERT_EQ(dlg->m_viewState, 2);
    ASSERT_EQ(dlg->m_strip.selSlot(), 0);
    EXPECT_EQ(CameraBrightness(), 30);
    const int writes = counting->writes;
    EXPECT_GT(writes, 0);

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
    EXPECT_EQ(counting->writes, writes);
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
