#include "app/ControlIds.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "platform/instance/InstanceLock.h"
#include "platform/paths/Paths.h"
#include "support/MainWindowFixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

namespace {

class SelectionTest : public MainWindowFixture {
protected:
    void WriteIni(const QByteArray& text) {
        ASSERT_TRUE(TempEnvironment::writeFile(env.iniFile(), text));
    }
    QString Caption(int id) {
        QWidget* w = window().GetDlgItem(id);
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            return button->text();
        }
        return static_cast<QLabel*>(w)->text();
    }
};

TEST_F(SelectionTest, NoSettingsFileGivesTheDefaults) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
    ASSERT_TRUE(Start());
    CKestrelDlg& dlg = window();
    const QString desktop = DesktopFolder();
    EXPECT_EQ(dlg.m_saveFolder, desktop + QStringLiteral("/VELDOR/images"));
    EXPECT_EQ(dlg.m_compFolder, desktop + QStringLiteral("/VELDOR/images"));
    EXPECT_EQ(dlg.m_movieFolder, desktop + QStringLiteral("/VELDOR/movies"));
    EXPECT_EQ(dlg.m_titleBar, 0);
    EXPECT_EQ(dlg.m_dontAsk, 0);
    EXPECT_EQ(dlg.m_keepAspect, 0);
    EXPECT_EQ(dlg.m_showComment, 0);
    EXPECT_EQ(dlg.size(), QSize(1024, 620));
    EXPECT_TRUE(dlg.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(static_cast<QAbstractButton*>(dlg.GetDlgItem(IDC_FIT_WINDOW))->isChecked());
    EXPECT_EQ(dlg.m_iniPath, QStringLiteral("./VELDOR.ini"));
    const QByteArray ini = TempEnvironment::readFile(env.iniFile());
    EXPECT_TRUE(ini.startsWith("[LoadIniFile]\ndate=20261209101112\n")) << ini.constData();
    EXPECT_FALSE(ini.contains("[CAPTURE]"));
    EXPECT_TRUE(started.splashShown);
    EXPECT_EQ(dlg.m_mainActive, 1);
    EXPECT_TRUE(dlg.m_buttonPoll.IsActive());
}

// Three cameras, the stored name and the choice it gives.
struct Choice {
    const char* stored;
    int index;
};

class CameraChoiceTest : public SelectionTest, public ::testing::WithParamInterface<Choice> {};

TEST_P(CameraChoiceTest, ChoosesTheStoredThenTheOrvaneThenTheFirstCamera) {
    ASSERT_TRUE(env.useCameras(
        {QStringLiteral("USB Camera"), QStringLiteral("Orvane Q7"), QStringLiteral("Orvane Q7")}));
    if (*GetParam().stored) {
        WriteIni(QByteArray("[VideoDevice]\nName=") + GetParam().stored + "\n");
    }
    ASSERT_TRUE(Start());
    CKestrelDlg& dlg = window();
    EXPECT_EQ(dlg.m_deviceIndex, GetParam().index);
    EXPECT_EQ(dlg.m_graphDeviceIndex, GetParam().index);
    EXPECT_EQ(dlg.m_deviceCombo->currentIndex(), GetParam().index);
    EXPECT_EQ(dlg.m_deviceCombo->count(), 3);
    EXPECT_EQ(dlg.m_viewState, 1);
    EXPECT_EQ(dlg.m_cameraName,
              GetParam().index == 0 ? QStringLiteral("USB Camera") : QStringLiteral("Orvane Q7"));
}

INSTANTIATE_TEST_SUITE_P(Stored, CameraChoiceTest,
                         ::testing::Values(Choice{"", 1}, Choice{"Orvane Q7", 2},
                                           Choice{"USB Camera", 0}, Choice{"Other", 1}),
                         [](const auto& info) { return std::to_string(info.index); });

TEST_F(SelectionTest, SettingsFileOfTheWindowsVersionChoosesItsCamera) {
    const QString camera = QStringLiteral("顕微鏡カメラ ｿﾌﾄ");
    ASSERT_TRUE(env.useCameras({QStringLiteral("USB Camera"), camera}));
    const QByteArray windows =
        TempEnvironment::readFile(QStringLiteral(VELDOR_FIXTURES "/ini/windows-cp932.ini"));
    WriteIni(windows);
    ASSERT_TRUE(Start());
    EXPECT_EQ(window().m_lastDeviceName, camera);
    EXPECT_EQ(window().m_deviceIndex, 1);
    EXPECT_EQ(window().m_cameraName, camera);
    EXPECT_EQ(window().m_saveFolder, QStringLiteral("C:\\Users\\表示\\Desktop\\VELDOR\\images"));
    EXPECT_EQ(window().m_titleBar, 1);
    dlg.reset();
    // The camera's section was written in place, and the lines VELDOR did not change keep their
    // code page 932 bytes.
    const QByteArray after = TempEnvironment::readFile(env.iniFile());
    const QByteArray section = QByteArray("[") + camera.toUtf8() + "]";
    EXPECT_FALSE(after.contains(section)) << "a second section for the camera";
    for (const QByteArray& line : windows.split('\n')) {
        // The camera's name, stored again, keeps its code page 932 bytes too.
        if (line.startsWith("SAVE_FOLDER") || line.startsWith("Name=") || line.startsWith("[")) {
            EXPECT_TRUE(after.contains(line + '\n')) << line.toHex().toStdString();
        }
    }
}

TEST_F(SelectionTest, LowerCaseOrvaneDoesNotCount) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("USB Camera"), QStringLiteral("orvane q7")}));
    WriteIni("[VideoDevice]\nName=Other\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(window().m_deviceIndex, 0);
}

TEST_F(SelectionTest, OneOrvaneCameraSetsTheSelectionMembers) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
    ASSERT_TRUE(Start());
    CKestrelDlg& dlg = window();
    EXPECT_EQ(dlg.m_cameraName, QStringLiteral("Orvane Q7"));
    EXPECT_EQ(dlg.m_lastQ7Name, QStringLiteral("Orvane Q7"));
    EXPECT_EQ(dlg.m_deviceIndex, 0);
    EXPECT_EQ(dlg.m_graphDeviceIndex, 0);
    EXPECT_EQ(dlg.m_resolutionText, QStringLiteral("320 x 240"));
    EXPECT_EQ(static_cast<QLabel*>(dlg.GetDlgItem(IDC_RESOLUTION))->text(),
              QStringLiteral("320 x 240"));
    EXPECT_EQ(dlg.m_formatWidth, 320);
    EXPECT_EQ(dlg.m_formatHeight, 240);
    EXPECT_TRUE(QFileInfo(env.iniFile()).isFile());
}

// The text and the stored size are those of what the camera delivers, not of what was asked.
TEST_F(SelectionTest, StoredSizesAndTheResolutionText) {
    const struct {
        const char* format;
        const char* section;
        const char* text;
        const char* stored;
    } table[] = {
        {R"({"format": "YUY2", "width": 320, "height": 240})", "Width=800\nHeight=600\n",
         "320 x 240", "Width=320\nHeight=240"},
        {R"({"format": "YUY2", "width": 320, "height": 240})", "Width=320\nHeight=0\n", "320 x 240",
         "Width=320\nHeight=240"},
        {R"({"format": "YUY2", "width": 320, "height": 240})", "Width=4000\nHeight=3000\n",
         "320 x 240", "Width=320\nHeight=240"},
        {R"({"format": "YUY2", "width": 4000, "height": 2})", "", "---", "Width=4000\nHeight=2"},
    };
    for (const auto& row : table) {
        const QString cameras = env.root() + QStringLiteral("/cameras.json");
        ASSERT_TRUE(TempEnvironment::writeFile(
            cameras, QByteArray(R"([{"name": "Orvane Q7", "formats": [)") + row.format + "]}]"));
        env.set("VELDOR_SIMULATED_CAMERAS", cameras.toLocal8Bit());
        WriteIni(QByteArray("[Orvane Q7]\n") + row.section);
        ASSERT_TRUE(StartAndShow()) << row.text;
        EXPECT_EQ(window().m_resolutionText, QString::fromLatin1(row.text));
        // The camera keeps a format it has, so the live video runs.
        VideoOutput* output = LiveOutput();
        ASSERT_TRUE(output);
        EXPECT_TRUE(QTest::qWaitFor([output] { return output->FramesShown() > 0; }, 10000));
        dlg.reset();
        const QByteArray ini = TempEnvironment::readFile(env.iniFile());
        EXPECT_TRUE(ini.contains(row.stored)) << ini.constData();
    }
}

TEST_F(SelectionTest, ChoosingAnotherCameraSwitchesTheGraphAndStoresTheOld) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7"), QStringLiteral("USB Camera")}));
    ASSERT_TRUE(Start());
    CKestrelDlg& dlg = window();
    dlg.m_deviceCombo->setCurrentIndex(1);
    Q_EMIT dlg.m_deviceCombo->activated(1);
    EXPECT_EQ(dlg.m_deviceIndex, 1);
    EXPECT_EQ(CaptureGraph::Instance().Device().name, QByteArray("USB Camera"));
    EXPECT_EQ(dlg.m_cameraName, QStringLiteral("USB Camera"));
    const QByteArray ini = TempEnvironment::readFile(env.iniFile());
    EXPECT_TRUE(ini.contains("[Orvane Q7]\nWidth=320\nHeight=240")) << ini.constData();
    EXPECT_TRUE(ini.contains("Name=USB Camera"));
}

TEST_F(SelectionTest, UnwritableWorkingFolderMovesTheSettingsToTheTemporaryFolder) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
    ASSERT_TRUE(QDir().mkpath(env.iniFile() + QStringLiteral("/blocker")));
    ASSERT_TRUE(Start());
    EXPECT_EQ(window().m_iniPath, TempPath() + QStringLiteral("/./VELDOR.ini"));
    EXPECT_TRUE(TempEnvironment::readFile(TempPath() + QStringLiteral("/VELDOR.ini"))
                    .contains("date=20261209101112"));
}

TEST_F(SelectionTest, ShutDownStoresTheCamera) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
    ASSERT_TRUE(Start());
    dlg.reset();
    const QByteArray ini = TempEnvironment::readFile(env.iniFile());
    EXPECT_TRUE(ini.contains("[VideoDevice]\nName=Orvane Q7")) << ini.constData();
    EXPECT_TRUE(ini.contains("Width=320\nHeight=240")) << ini.constData();
}

} // namespace
