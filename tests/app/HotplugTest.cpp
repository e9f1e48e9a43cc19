#include "app/ControlIds.h"
#include "capture/CameraProperty.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "platform/profile/Profile.h"
#include "platform/video/PropertyPages.h"
#include "platform/video/SourceControls.h"
#include "support/MainWindowFixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {

QByteArray Camera(const char* name, const char* extra = "") {
    return QByteArray(R"({"name": ")") + name +
           R"(", "controls": ["Brightness", "Contrast"], "pattern": "smpte", )" + extra +
           R"("formats": [{"format": "YUY2", "width": 320, "height": 240}]})";
}

QByteArray Cameras(std::initializer_list<QByteArray> cameras) {
    QByteArrayList list(cameras);
    return "[" + list.join(",\n") + "]";
}

const QString kNotConnected = QStringLiteral("The camera is not connected.");

class HotplugTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        file = env.root() + QStringLiteral("/cameras.json");
        ASSERT_TRUE(TempEnvironment::writeFile(file, Cameras({Camera("Orvane Q7")})));
        env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
        ResetSimulatedControls();
        ResetCameraProperties();
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        ResetSimulatedControls();
        ResetCameraProperties();
    }

    // Replaces the description as editors do: a new file renamed over the old one.
    void Replace(const QByteArray& text) {
        const QString next = file + QStringLiteral(".new");
        ASSERT_TRUE(TempEnvironment::writeFile(next, text));
        ASSERT_EQ(
            std::rename(QFile::encodeName(next).constData(), QFile::encodeName(file).constData()),
            0);
    }
    // The live view shows frames and the grabber holds one to capture.
    static bool LiveFrames() {
        VideoOutput* video = LiveOutput();
        return video && video->FramesShown() > 0 && GraphRuns() &&
               CaptureGraph::Instance().HasFrame();
    }
    static int Brightness() {
        int value = -1000;
        int flags = 0;
        CameraControls* controls = GraphCameraControls();
        return controls && controls->Get(kVideoProcAmp, 0, &value, &flags) ? value : -1000;
    }
    QStringList Pictures() {
        return QDir(window().m_saveFolder).entryList({QStringLiteral("*.jpg")}, QDir::Files);
    }
    void Click(int id) { static_cast<QAbstractButton*>(window().GetDlgItem(id))->click(); }

    QString file;
};

TEST_F(HotplugTest, UnpluggedCameraRefusesAndComesBackWithItsStoredControls) {
    ASSERT_TRUE(TempEnvironment::writeFile(
        env.iniFile(), "[VideoDevice]\nName=Orvane Q7\n[Orvane Q7]\nWidth=320\nHeight=240\n"
                       "Brightness=37/2\n"));
    ASSERT_TRUE(StartAndShow());
    ASSERT_TRUE(QTest::qWaitFor(LiveFrames, 5000));
    ASSERT_EQ(Brightness(), 37);
    // Changed but not stored: an unplugged camera loses it.
    ASSERT_TRUE(GraphCameraControls()->Set(kVideoProcAmp, 0, 60, kPropertyFlagManual));
    prompts.messages.clear();

    Replace("[]");
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().m_viewState == 0; }, 1000));
    CaptureGraph& g = CaptureGraph::Instance();
    EXPECT_FALSE(g.Exists());
    EXPECT_FALSE(LiveOutput());
    EXPECT_TRUE(window().m_videoOutput->Picture().isNull());
    EXPECT_FALSE(window().m_videoWindow->isVisible());
    // A plain picture in the video area, not the last frame.
    const QImage shown = window().grab().toImage();
    EXPECT_EQ(shown.pixelColor(200, 20), QColor(48, 48, 48));
    EXPECT_EQ(shown.pixelColor(820, 480), QColor(48, 48, 48));

    Click(IDC_CAPTURE);
    window().OnCopyProperty();
    Click(IDC_VIDEO_PROPERTY);
    Click(IDC_VIDEO_FORMAT);
    EXPECT_EQ(prompts.messages, QStringList(4, kNotConnected));
    EXPECT_TRUE(Pictures().isEmpty());
    EXPECT_TRUE(prompts.questions.isEmpty());
    EXPECT_TRUE(prompts.propertyPageOwners.isEmpty());
    EXPECT_TRUE(prompts.formatPageOwners.isEmpty());
    // Nothing of the lost camera was stored over its settings.
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("Orvane Q7"), QStringLiteral("Brightness"),
                                      QString(), env.iniFile()),
              QStringLiteral("37/2"));

    // Back, with a second camera plugged in meanwhile: the live view resumes by itself with the
    // stored controls, the new camera is listed and not switched to.
    Replace(Cameras({Camera("Spare Cam"), Camera("Orvane Q7")}));
    ASSERT_TRUE(QTest::qWaitFor(LiveFrames, 3000));
    EXPECT_EQ(window().m_viewState, 1);
    EXPECT_EQ(window().m_cameraName, QStringLiteral("Orvane Q7"));
    EXPECT_EQ(g.Device().name, QByteArray("Orvane Q7"));
    EXPECT_EQ(Brightness(), 37);
    QComboBox* combo = window().m_deviceCombo;
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), QStringLiteral("Spare Cam"));
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_TRUE(window().m_videoWindow->isVisible());

    prompts.messages.clear();
    Click(IDC_CAPTURE);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();
    EXPECT_EQ(Pictures().size(), 1);
}

// The property dialog of a camera that an error stops closes itself, and a control moved
// after the stop reaches nothing (under ASan a freed object would be found).
TEST_F(HotplugTest, BusErrorWhileThePropertyDialogIsOpen) {
    ASSERT_TRUE(StartAndShow());
    ASSERT_TRUE(QTest::qWaitFor(LiveFrames, 5000));
    bool closedByItself = false;
    bool movedAfterStop = true;
    prompts.onPropertyPages = [&](CameraControls& controls) {
        PropertyPagesDialog dialog(controls, PropertyFrame{window().m_cameraName, 2}, &window());
        QTimer::singleShot(0, &dialog, [] {
            GstElement* source = CaptureGraph::Instance().Source();
            GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ,
                                                "Could not read from resource.");
            gst_element_post_message(source,
                                     gst_message_new_error(GST_OBJECT(source), error, "gone"));
            g_error_free(error);
        });
        // Only a dialog that never closes meets this.
        QTimer::singleShot(5000, &dialog, &QDialog::accept);
        closedByItself = dialog.exec() == QDialog::Rejected;
        QSlider* slider = dialog.findChild<QSlider*>(QStringLiteral("0/0"));
        ASSERT_TRUE(slider);
        slider->setValue(slider->value() + 5);
        movedAfterStop = controls.SetValue(kVideoProcAmp, 0, 10);
        EXPECT_TRUE(controls.Controls().isEmpty());
    };
    Click(IDC_VIDEO_PROPERTY);
    EXPECT_TRUE(closedByItself);
    EXPECT_FALSE(movedAfterStop);
    EXPECT_EQ(window().m_viewState, 0);
    EXPECT_FALSE(CaptureGraph::Instance().Exists());
}

// The list's order changes between start-up and selection; the camera chosen is the one bound.
TEST_F(HotplugTest, TheChosenCameraIsBoundWhereverTheListPutsIt) {
    ASSERT_TRUE(TempEnvironment::writeFile(file, Cameras({Camera("Alpha"), Camera("Beta")})));
    ASSERT_TRUE(TempEnvironment::writeFile(env.iniFile(), "[VideoDevice]\nName=Alpha\n"));
    ASSERT_TRUE(Start());
    ASSERT_EQ(window().m_cameraName, QStringLiteral("Alpha"));
    ASSERT_TRUE(TempEnvironment::writeFile(file, Cameras({Camera("Beta"), Camera("Alpha")})));
    window().m_deviceCombo->setCurrentIndex(1);
    window().OnCameraSelect();
    EXPECT_EQ(window().m_cameraName, QStringLiteral("Beta"));
    EXPECT_EQ(CaptureGraph::Instance().Device().name, QByteArray("Beta"));
    EXPECT_EQ(window().m_viewState, 1);
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("VideoDevice"), QStringLiteral("Name"),
                                      QString(), env.iniFile()),
              QStringLiteral("Beta"));
}

TEST_F(HotplugTest, ACameraHeldByAnotherProgramIsNamed) {
    ASSERT_TRUE(
        TempEnvironment::writeFile(file, Cameras({Camera("Held Cam", R"("busy": true, )")})));
    ASSERT_TRUE(StartAndShow());
    const QString busy =
        QStringLiteral("The camera \"Held Cam\" is being used by another program.");
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompts.messages.contains(busy); }, 5000));
    EXPECT_EQ(window().m_viewState, 0);
    EXPECT_FALSE(LiveOutput());
    EXPECT_TRUE(window().m_videoOutput->Picture().isNull());
    prompts.messages.clear();
    Click(IDC_CAPTURE);
    EXPECT_EQ(prompts.messages, QStringList{busy});
    EXPECT_TRUE(Pictures().isEmpty());
}

} // namespace
