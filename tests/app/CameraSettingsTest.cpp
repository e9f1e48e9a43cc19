#include "app/ControlIds.h"
#include "capture/CameraProperty.h"
#include "capture/CaptureGraph.h"
#include "platform/paths/Paths.h"
#include "platform/profile/Profile.h"
#include "platform/video/CameraControls.h"
#include "platform/video/SourceControls.h"
#include "support/MainWindowFixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <cstring>

namespace {

const char* const kCameras = R"([
  {"name": "Orvane Q7", "stillPin": false, "pattern": "smpte",
   "controls": ["Brightness", "Contrast"],
   "formats": [{"format": "YUY2", "width": 320, "height": 240}]}
])";

// The keys of one section of an INI file, in file order.
QStringList SectionKeys(const QString& path, const QString& section) {
    QStringList keys;
    bool inside = false;
    const QList<QByteArray> lines = TempEnvironment::readFile(path).split('\n');
    for (const QByteArray& raw : lines) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inside = line.compare(QLatin1Char('[') + section + QLatin1Char(']'),
                                  Qt::CaseInsensitive) == 0;
        } else if (inside && line.contains(QLatin1Char('='))) {
            keys.append(line.section(QLatin1Char('='), 0, 0).trimmed());
        }
    }
    return keys;
}

const CameraProperty& Entry(const char* name) {
    for (const CameraProperty& e : CameraProperties()) {
        if (std::strcmp(e.name, name) == 0) {
            return e;
        }
    }
    ADD_FAILURE() << "no entry " << name;
    return CameraProperties()[0];
}

class CameraSettingsTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        const QString file = env.root() + QStringLiteral("/cameras.json");
        ASSERT_TRUE(TempEnvironment::writeFile(file, kCameras));
        env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
        ResetSimulatedControls();
        ResetCameraProperties();
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        ResetSimulatedControls();
        ResetCameraProperties();
    }

    // The running camera's value of a property, or -1000 when it cannot be read.
    static int CameraValue(int propertyId) {
        CameraControls* controls = GraphCameraControls();
        int value = -1000;
        int flags = 0;
        if (!controls || !controls->Get(kVideoProcAmp, propertyId, &value, &flags)) {
            return -1000;
        }
        return value;
    }
    static void SetCamera(int propertyId, int value) {
        ASSERT_NE(GraphCameraControls(), nullptr);
        ASSERT_TRUE(GraphCameraControls()->Set(kVideoProcAmp, propertyId, value, 2));
    }
    QString PicturePath() const {
        return env.root() + QStringLiteral("/pictures/20240102030405.ini");
    }
    void WritePicture(const QByteArray& properties, const QByteArray& device = "Orvane Q7") {
        ASSERT_TRUE(TempEnvironment::writeFile(PicturePath(), "[USBProperty]\ndevice=" + device +
                                                                  "\n" + properties));
    }
};

TEST_F(CameraSettingsTest, PictureOfABrightnessAndContrastCameraRoundTrips) {
    ASSERT_TRUE(Start());
    ASSERT_EQ(window().m_cameraName, QStringLiteral("Orvane Q7"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(PicturePath()).path()));
    SetCamera(0, 12);
    SetCamera(1, 40);
    window().saveUSBProperty(PicturePath());
    EXPECT_EQ(SectionKeys(PicturePath(), QStringLiteral("USBProperty")),
              (QStringList{QStringLiteral("device"), QStringLiteral("Brightness"),
                           QStringLiteral("Contrast")}));
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("USBProperty"), QStringLiteral("Brightness"),
                                      QString(), PicturePath()),
              QStringLiteral("12/2"));

    SetCamera(0, -5);
    SetCamera(1, 3);
    EXPECT_EQ(window().loadUSBProperty(PicturePath()), 1);
    EXPECT_EQ(window().m_shotCameraName, QStringLiteral("Orvane Q7"));
    EXPECT_EQ(CameraValue(0), 12);
    EXPECT_EQ(CameraValue(1), 40);
    int noValue = 0;
    for (const CameraProperty& e : CameraProperties()) {
        noValue += e.flags == kNoValueFlags ? 1 : 0;
    }
    EXPECT_EQ(noValue, 17);
}

TEST_F(CameraSettingsTest, StoredTextsOfAPicture) {
    struct Case {
        const char* file;
        int result;
        int brightnessFlags; // in the table afterwards
        int cameraBrightness;
        int cameraContrast;
    };
    // The camera starts each case at Brightness 0 and Contrast 32.
    const Case cases[] = {
        {"Brightness=70/2\n", 1, 2, 64, 32}, // 70 is fitted into the camera's range
        {"Brightness=12/-9\n", 0, kNoValueFlags, 0, 32},
        {"Brightness=abc\n", 0, kNoValueFlags, 0, 32},
        {"Brightness=70\n", 0, kNoValueFlags, 0, 32},
        {"Brightness=\n", 0, kNoValueFlags, 0, 32},
        // A malformed value must not apply the previous entry's numbers again.
        {"Brightness=20/2\nContrast=junk\n", 1, 2, 20, 32},
        // The last Set attempted decides: the camera has no hue.
        {"Brightness=20/2\nHue=5/2\n", 0, 2, 20, 32},
        {"Contrast=10/2\n", 1, kNoValueFlags, 0, 10},
    };
    ASSERT_TRUE(Start());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        SetCamera(0, 0);
        SetCamera(1, 32);
        WritePicture(c.file);
        EXPECT_EQ(window().loadUSBProperty(PicturePath()), c.result);
        EXPECT_EQ(Entry("Brightness").flags, c.brightnessFlags);
        EXPECT_EQ(CameraValue(0), c.cameraBrightness);
        EXPECT_EQ(CameraValue(1), c.cameraContrast);
    }
    EXPECT_EQ(Entry("Brightness").value, 20);
    EXPECT_EQ(Entry("Contrast").flags, 2);
    EXPECT_EQ(Entry("Contrast").value, 10);
}

TEST_F(CameraSettingsTest, PictureWithoutSettingsFile) {
    ASSERT_TRUE(Start());
    window().m_shotCameraName = QStringLiteral("stale");
    EXPECT_EQ(window().loadUSBProperty(env.root() + QStringLiteral("/missing.ini")), 0);
    EXPECT_TRUE(window().m_shotCameraName.isEmpty());
}

TEST_F(CameraSettingsTest, SettingsFileSections) {
    ASSERT_TRUE(Start());
    SetCamera(0, 9);
    window().saveVideoProperty();
    const QString ini = env.iniFile();
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("VideoDevice"), QStringLiteral("Name"),
                                      QString(), ini),
              QStringLiteral("Orvane Q7"));
    EXPECT_EQ(SectionKeys(ini, QStringLiteral("Orvane Q7")),
              (QStringList{QStringLiteral("Width"), QStringLiteral("Height"),
                           QStringLiteral("Brightness"), QStringLiteral("Contrast")}));
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("Orvane Q7"), QStringLiteral("Brightness"),
                                      QString(), ini),
              QStringLiteral("9/2"));

    // No section for the camera: the size stays.
    window().m_cameraName = QStringLiteral("Nobody");
    window().m_formatWidth = 123;
    window().m_formatHeight = 45;
    EXPECT_EQ(window().loadVideoProperty(), 1);
    EXPECT_EQ(window().m_formatWidth, 123);
    EXPECT_EQ(window().m_formatHeight, 45);
    EXPECT_EQ(window().m_lastDeviceName, QStringLiteral("Orvane Q7"));

    window().m_iniPath = env.root() + QStringLiteral("/none.ini");
    EXPECT_EQ(window().loadVideoProperty(), 0);
}

TEST_F(CameraSettingsTest, UnwritableSettingsFileMovesToTheTemporaryFolder) {
    ASSERT_TRUE(Start());
    const QString old = window().m_iniPath;
    ASSERT_TRUE(QFile::remove(env.iniFile()));
    ASSERT_TRUE(QDir().mkdir(env.iniFile()));
    SetCamera(0, 33);
    window().saveVideoProperty();

    const QString moved = TempPath() + QStringLiteral("/") + old;
    EXPECT_EQ(window().m_iniPath, moved);
    // Everything but the Name key went there.
    EXPECT_EQ(SectionKeys(moved, QStringLiteral("VideoDevice")), QStringList());
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("Orvane Q7"), QStringLiteral("Brightness"),
                                      QString(), moved),
              QStringLiteral("33/2"));
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("Orvane Q7"), QStringLiteral("Width"),
                                      QString(), moved),
              QStringLiteral("320"));

    // Later saves stay there and do not nest the path further.
    window().saveVideoProperty();
    EXPECT_EQ(window().m_iniPath, moved);
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("VideoDevice"), QStringLiteral("Name"),
                                      QString(), moved),
              QStringLiteral("Orvane Q7"));
}

TEST_F(CameraSettingsTest, ShutDownStoresTheCameraAndARestartRestoresIt) {
    ASSERT_TRUE(Start());
    SetCamera(0, -30);
    SetCamera(1, 50);
    dlg.reset();
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("Orvane Q7"), QStringLiteral("Brightness"),
                                      QString(), env.iniFile()),
              QStringLiteral("-30/2"));

    // A new process: the camera starts from its defaults.
    ResetSimulatedControls();
    ResetCameraProperties();
    ASSERT_TRUE(Start());
    EXPECT_EQ(CameraValue(0), -30);
    EXPECT_EQ(CameraValue(1), 50);
}

TEST_F(CameraSettingsTest, VideoPropertyShowsThePagesAndStoresTheirChanges) {
    ASSERT_TRUE(Start());
    prompts.onPropertyPages = [](CameraControls& controls) {
        EXPECT_TRUE(controls.SetValue(kVideoProcAmp, 0, 21)); // as the user moves the slider
    };
    static_cast<QAbstractButton*>(window().GetDlgItem(IDC_VIDEO_PROPERTY))->click();
    ASSERT_EQ(prompts.propertyPageOwners.size(), 1);
    EXPECT_EQ(prompts.propertyPageOwners.front(), &window());
    EXPECT_EQ(CameraValue(0), 21);
    EXPECT_EQ(Entry("Brightness").flags, 2);
    EXPECT_EQ(Entry("Hue").flags, kNoValueFlags);
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("Orvane Q7"), QStringLiteral("Brightness"),
                                      QString(), env.iniFile()),
              QStringLiteral("21/2"));
}

TEST_F(CameraSettingsTest, CopyProperty) {
    ASSERT_TRUE(Start());
    auto* copy = static_cast<QAbstractButton*>(window().GetDlgItem(IDC_COPY_PROPERTY));
    copy->setEnabled(true);

    // Cancel: nothing changes.
    WritePicture("Brightness=44/2\n");
    ASSERT_EQ(window().loadUSBProperty(PicturePath()), 1);
    SetCamera(0, 1);
    prompts.answers = {false};
    copy->click();
    EXPECT_EQ(prompts.questions, QStringList{window().Text("copyproperty.question")});
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(CameraValue(0), 1);

    // OK with a picture of another camera: only the message.
    WritePicture("Brightness=44/2\n", "Other Camera");
    window().loadUSBProperty(PicturePath());
    SetCamera(0, 1);
    prompts.answers = {true};
    copy->click();
    EXPECT_EQ(prompts.messages, QStringList{window().Text("copyproperty.mismatch")});
    EXPECT_EQ(CameraValue(0), 1);

    // OK with the same camera, from the still view: applied, and back to live view.
    prompts.messages.clear();
    WritePicture("Brightness=44/2\n");
    window().loadUSBProperty(PicturePath());
    SetCamera(0, 1);
    window().m_viewState = 2;
    window().m_live = 0;
    window().m_strip.SelectSlot(0);
    window().m_videoWindow->hide();
    prompts.answers = {true};
    copy->click();
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(CameraValue(0), 44);
    EXPECT_EQ(window().m_live, 1);
    EXPECT_EQ(window().m_viewState, 1);
    EXPECT_EQ(window().m_strip.selSlot(), -1);
    EXPECT_FALSE(window().m_videoWindow->isHidden());
}

} // namespace
