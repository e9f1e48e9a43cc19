#include "capture/CameraProperty.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "platform/video/PropertyPages.h"
#include "platform/video/SimulatedV4l2Device.h"
#include "platform/video/SourceControls.h"
#include "platform/video/V4l2Controls.h"
#include "platform/video/VideoSource.h"
#include "support/ScriptedPrompts.h"
#include "support/TempEnvironment.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>
#include <linux/videodev2.h>

namespace {

// ---- Stored "%d/%d" texts ----------------------------------------------------------------

struct ParseCase {
    const char* text;
    bool ok;
    int value;
    int flags;
};

class PropertyTextTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(PropertyTextTest, ReadsAsScanfWouldOrRefuses) {
    const ParseCase& c = GetParam();
    int value = 111;
    int flags = 222;
    EXPECT_EQ(ParsePropertyText(c.text, &value, &flags), c.ok) << c.text;
    EXPECT_EQ(value, c.ok ? c.value : 111) << c.text;
    EXPECT_EQ(flags, c.ok ? c.flags : 222) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PropertyTextTest,
    ::testing::Values(ParseCase{"70/2", true, 70, 2}, ParseCase{"-1/-9", true, -1, -9},
                      ParseCase{" 5/ 1", true, 5, 1}, ParseCase{"12/2junk", true, 12, 2},
                      ParseCase{"abc", false, 0, 0}, ParseCase{"70", false, 0, 0},
                      ParseCase{"70/", false, 0, 0}, ParseCase{"/2", false, 0, 0},
                      ParseCase{"70 /2", false, 0, 0}, ParseCase{"", false, 0, 0},
                      ParseCase{"99999999999/2", false, 0, 0},
                      ParseCase{"1/99999999999", false, 0, 0},
                      // Only 31 bytes are read: the flags fall outside them.
                      ParseCase{"0000000000000000000000000000070/2", false, 0, 0},
                      ParseCase{"000000000000000000000000070/2", true, 70, 2}));

// ---- Applying entries: the order of the writes -------------------------------------------

using Control = SimulatedV4l2Device::Control;

Control IntegerControl(std::uint32_t id, int minimum, int maximum, int value) {
    Control c;
    c.id = id;
    c.name = "control";
    c.type = V4L2_CTRL_TYPE_INTEGER;
    c.minimum = minimum;
    c.maximum = maximum;
    c.defaultValue = value;
    c.value = value;
    return c;
}

Control BooleanControl(std::uint32_t id, bool on) {
    Control c = IntegerControl(id, 0, 1, on ? 1 : 0);
    c.type = V4L2_CTRL_TYPE_BOOLEAN;
    return c;
}

Control ExposureModes() {
    Control c = IntegerControl(V4L2_CID_EXPOSURE_AUTO, 0, 3, V4L2_EXPOSURE_APERTURE_PRIORITY);
    c.type = V4L2_CTRL_TYPE_MENU;
    c.menu = {{V4L2_EXPOSURE_MANUAL, "Manual Mode"},
              {V4L2_EXPOSURE_APERTURE_PRIORITY, "Aperture Priority Mode"}};
    return c;
}

// A camera with automatic white balance, exposure and focus that records what is written.
struct RecordingCamera {
    RecordingCamera()
        : device({IntegerControl(V4L2_CID_BRIGHTNESS, -64, 64, 0),
                  BooleanControl(V4L2_CID_AUTO_WHITE_BALANCE, true),
                  IntegerControl(V4L2_CID_WHITE_BALANCE_TEMPERATURE, 2800, 6500, 4600),
                  ExposureModes(), IntegerControl(V4L2_CID_EXPOSURE_ABSOLUTE, 1, 5000, 157),
                  BooleanControl(V4L2_CID_FOCUS_AUTO, true),
                  IntegerControl(V4L2_CID_FOCUS_ABSOLUTE, 0, 250, 0)}) {
        V4l2Io io = device.Io();
        auto inner = io.ioctl;
        io.ioctl = [this, inner](int fd, unsigned long request, void* arg) {
            if (request == VIDIOC_S_CTRL) {
                const auto* c = static_cast<v4l2_control*>(arg);
                writes.push_back({c->id, c->value});
            }
            return inner(fd, request, arg);
        };
        controls = std::make_unique<V4l2Controls>(QStringLiteral("/dev/video0"), io);
    }
    SimulatedV4l2Device device;
    std::vector<std::pair<std::uint32_t, std::int32_t>> writes;
    std::unique_ptr<V4l2Controls> controls;
};

CameraProperty Entry(const char* name, int value, int flags) {
    for (const CameraProperty& e : CameraPropertyStartValues()) {
        if (std::strcmp(e.name, name) == 0) {
            CameraProperty entry = e;
            entry.value = value;
            entry.flags = flags;
            return entry;
        }
    }
    ADD_FAILURE() << "no entry " << name;
    return {};
}

bool IsAutoControl(std::uint32_t id) {
    return id == V4L2_CID_AUTO_WHITE_BALANCE || id == V4L2_CID_EXPOSURE_AUTO ||
           id == V4L2_CID_FOCUS_AUTO;
}

TEST(ApplyPropertiesTest, AutomaticModesAreSwitchedBeforeAnyValueIsWritten) {
    RecordingCamera camera;
    const QList<CameraProperty> entries = {
        Entry("Brightness", 10, 2), Entry("WhiteBalance", 5000, 2), Entry("Exposure", 300, 2),
        Entry("Iris", 4, -9), Entry("Focus", 99, 1)};
    EXPECT_EQ(ApplyPropertiesTo(camera.controls.get(), entries), 1);

    ASSERT_FALSE(camera.writes.empty());
    bool valueSeen = false;
    for (const auto& [id, value] : camera.writes) {
        if (IsAutoControl(id)) {
            EXPECT_FALSE(valueSeen)
                << "automatic mode 0x" << std::hex << id << " written after a value";
        } else {
            valueSeen = true;
        }
    }
    EXPECT_EQ(camera.device.Find(V4L2_CID_AUTO_WHITE_BALANCE)->value, 0);
    EXPECT_EQ(camera.device.Find(V4L2_CID_WHITE_BALANCE_TEMPERATURE)->value, 5000);
    EXPECT_EQ(camera.device.Find(V4L2_CID_EXPOSURE_AUTO)->value, V4L2_EXPOSURE_MANUAL);
    EXPECT_EQ(camera.device.Find(V4L2_CID_EXPOSURE_ABSOLUTE)->value, 300);
    EXPECT_EQ(camera.device.Find(V4L2_CID_BRIGHTNESS)->value, 10);
    // Automatic focus goes on and its value is left to the camera.
    EXPECT_EQ(camera.device.Find(V4L2_CID_FOCUS_AUTO)->value, 1);
    EXPECT_EQ(camera.device.Find(V4L2_CID_FOCUS_ABSOLUTE)->value, 0);
    const auto focusWrites =
        std::count_if(camera.writes.begin(), camera.writes.end(),
                      [](const auto& w) { return w.first == V4L2_CID_FOCUS_ABSOLUTE; });
    EXPECT_EQ(focusWrites, 0);
}

TEST(ApplyPropertiesTest, ResultIsThatOfTheLastSetAttempted) {
    struct Case {
        QList<CameraProperty> entries;
        int result;
    };
    const Case cases[] = {
        {{Entry("Brightness", 1, 2), Entry("Hue", 1, 2)}, 0}, // the camera has no hue
        {{Entry("Hue", 1, 2), Entry("Brightness", 1, 2)}, 1},
        {{Entry("Brightness", 1, 2), Entry("Hue", 1, -9)}, 1}, // -9 is no attempt
        {{Entry("Brightness", 1, -9)}, 0},                     // nothing attempted
        {{Entry("Brightness", 1, 7)}, 0},                      // flags neither 1 nor 2
        {{}, 0},
    };
    for (const Case& c : cases) {
        RecordingCamera camera;
        EXPECT_EQ(ApplyPropertiesTo(camera.controls.get(), c.entries), c.result);
    }
    EXPECT_EQ(ApplyPropertiesTo(nullptr, {Entry("Brightness", 1, 2)}), 0);
}

// ---- The graph's controls -------------------------------------------------------------

const char* const kCameras = R"([
  {"name": "Balance Cam", "stillPin": false, "pattern": "smpte",
   "controls": ["Brightness", "Contrast"],
   "formats": [{"format": "YUY2", "width": 320, "height": 240},
               {"format": "MJPG", "width": 640, "height": 480}]},
  {"name": "Second Cam", "stillPin": false, "pattern": "ball", "controls": ["Brightness"],
   "formats": [{"format": "YUY2", "width": 320, "height": 240}]}
])";

class GraphControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env.ok());
        const QString file = env.root() + QStringLiteral("/cameras.json");
        ASSERT_TRUE(TempEnvironment::writeFile(file, kCameras));
        env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
        CaptureGraph::Instance().Reset();
        CaptureGraph::Instance().SetPrompts(&prompts);
        ResetSimulatedControls();
        ResetCameraProperties();
        owner.setGeometry(0, 0, 322, 242);
        output = new VideoOutput(&owner);
        owner.show();
    }
    void TearDown() override {
        ReleaseGraph();
        CaptureGraph::Instance().SetPrompts(nullptr);
        ResetSimulatedControls();
        ResetCameraProperties();
    }
    int Start(int device, int width = 0, int height = 0) {
        CaptureGraph::Instance().SetRequestedSize(width, height);
        int w = 0;
        int h = 0;
        return StartVideo(device, output, &w, &h);
    }
    static double Balance(const char* property) {
        GstElement* balance = SourceBalance(CaptureGraph::Instance().Source());
        double value = -100.0;
        if (balance) {
            g_object_get(balance, property, &value, nullptr);
        }
        return value;
    }

    TempEnvironment env;
    ScriptedPrompts prompts;
    QFrame owner;
    VideoOutput* output = nullptr;
};

TEST_F(GraphControlsTest, OnlyARunningGraphHasControls) {
    CameraProperty brightness = Entry("Brightness", 5, 2);
    EXPECT_EQ(GraphCameraControls(), nullptr);
    EXPECT_FALSE(GetCameraProperty(brightness));
    EXPECT_FALSE(SetCameraProperty(brightness));

    ASSERT_EQ(Start(0), 1);
    ASSERT_NE(GraphCameraControls(), nullptr);
    EXPECT_TRUE(SetCameraProperty(brightness));
    CameraProperty read = Entry("Brightness", 0, 0);
    EXPECT_TRUE(GetCameraProperty(read));
    EXPECT_EQ(read.value, 5);
    EXPECT_EQ(read.flags, 2);
    CameraProperty hue = Entry("Hue", 0, 0);
    EXPECT_FALSE(GetCameraProperty(hue));

    ReleaseGraph();
    EXPECT_EQ(GraphCameraControls(), nullptr);
    EXPECT_FALSE(GetCameraProperty(read));
}

TEST_F(GraphControlsTest, ValuesOutliveTheGraphAndDriveEachNewPicture) {
    ASSERT_EQ(Start(0), 1);
    const double neutral = Balance("brightness");
    EXPECT_NEAR(neutral, 0.0, 1e-9);
    ASSERT_TRUE(SetCameraProperty(Entry("Brightness", 64, 2)));
    EXPECT_NEAR(Balance("brightness"), 1.0, 1e-9);

    // Another format rebuilds the source's chain, and with it the balance element.
    ReleaseGraph();
    ASSERT_EQ(Start(0, 640, 480), 1);
    EXPECT_NEAR(Balance("brightness"), 1.0, 1e-9);
    CameraProperty read = Entry("Brightness", 0, 0);
    ASSERT_TRUE(GetCameraProperty(read));
    EXPECT_EQ(read.value, 64);

    // Each camera keeps its own values.
    ReleaseGraph();
    ASSERT_EQ(Start(1), 1);
    ASSERT_TRUE(GetCameraProperty(read));
    EXPECT_EQ(read.value, 0);
}

TEST_F(GraphControlsTest, StoredSettingsAreRestoredOnlyForTheirCamera) {
    RestoreWhenStarted("Second Cam", {Entry("Brightness", -20, 2)});
    ASSERT_EQ(Start(0), 1);
    CameraProperty read = Entry("Brightness", 0, 0);
    ASSERT_TRUE(GetCameraProperty(read));
    EXPECT_EQ(read.value, 0);

    RestoreWhenStarted("Balance Cam", {Entry("Brightness", -20, 2), Entry("Contrast", 9, -9)});
    ReleaseGraph();
    ASSERT_EQ(Start(0), 1);
    ASSERT_TRUE(GetCameraProperty(read));
    EXPECT_EQ(read.value, -20);
    CameraProperty contrast = Entry("Contrast", 0, 0);
    ASSERT_TRUE(GetCameraProperty(contrast));
    EXPECT_EQ(contrast.value, 32); // -9: left alone

    // Once only: a later build (a format change) keeps what the user set since.
    ASSERT_TRUE(SetCameraProperty(Entry("Brightness", 7, 2)));
    ReleaseGraph();
    ASSERT_EQ(Start(0), 1);
    ASSERT_TRUE(GetCameraProperty(read));
    EXPECT_EQ(read.value, 7);
}

TEST_F(GraphControlsTest, PropertyDialogSliderSpinBoxAndDefaultDriveTheCamera) {
    ASSERT_EQ(Start(0), 1);
    CameraControls* controls = GraphCameraControls();
    ASSERT_NE(controls, nullptr);

    PropertyPagesDialog dialog(*controls, PropertyFrame{QStringLiteral("Balance Cam"), kEnglish},
                               &owner);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Balance Cam Properties"));
    int shownValue = 0;
    int typedOnSlider = 0;
    int afterDefault = 0;
    bool sawDialog = false;
    QTimer driver;
    driver.setInterval(10);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* modal = qobject_cast<PropertyPagesDialog*>(QApplication::activeModalWidget());
        if (!modal) {
            return;
        }
        sawDialog = true;
        auto* slider = modal->findChild<QSlider*>(QStringLiteral("0/0"));
        auto* spin = modal->findChild<QSpinBox*>(QStringLiteral("0/0/value"));
        auto* contrast = modal->findChild<QSlider*>(QStringLiteral("0/1"));
        auto* defaults = modal->findChild<QPushButton*>(QStringLiteral("default/0"));
        // Hue is not offered by this camera, and it has no camera-control page.
        EXPECT_EQ(modal->findChild<QSlider*>(QStringLiteral("0/2")), nullptr);
        EXPECT_EQ(modal->findChild<QWidget*>(QStringLiteral("page/1")), nullptr);
        if (slider && spin && contrast && defaults) {
            slider->setValue(40);
            shownValue = spin->value();
            spin->setValue(-12);
            typedOnSlider = slider->value();
            contrast->setValue(50);
            defaults->click();
            afterDefault = spin->value();
        }
        modal->reject();
    });
    driver.start();
    dialog.exec();
    driver.stop();

    ASSERT_TRUE(sawDialog);
    EXPECT_EQ(shownValue, 40);
    EXPECT_EQ(typedOnSlider, -12);
    EXPECT_EQ(afterDefault, 0);
    EXPECT_EQ(dialog.pos(), owner.mapToGlobal(QPoint(30, 30)));
    CameraProperty read = Entry("Brightness", 0, 0);
    ASSERT_TRUE(GetCameraProperty(read));
    EXPECT_EQ(read.value, 0);
    CameraProperty contrast = Entry("Contrast", 0, 0);
    ASSERT_TRUE(GetCameraProperty(contrast));
    EXPECT_EQ(contrast.value, 32);
    EXPECT_NEAR(Balance("brightness"), 0.0, 1e-9);
}

TEST_F(GraphControlsTest, PropertyDialogInJapanese) {
    ASSERT_EQ(Start(0), 1);
    PropertyPagesDialog dialog(*GraphCameraControls(),
                               PropertyFrame{QStringLiteral("Balance Cam"), kJapanese}, &owner);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Balance Cam のプロパティ"));
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        labels.append(label->text());
    }
    EXPECT_EQ(labels, (QStringList{QStringLiteral("明るさ"), QStringLiteral("コントラスト")}));
    EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("default/0"))->text(),
              QStringLiteral("既定値"));
}

} // namespace
