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

class StartupTest : public MainWindowFixture {
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

TEST_F(StartupTest, NoSettingsFileGivesTheDefaults) {
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
    EXPECT_TRUE(dlg.m_timer1.isActive());
}

TEST_F(StartupTest, TitleBarFromTheSettingsFile) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
    WriteIni("[CAPTURE]\nTITLE_BAR=TRUE\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(window().size(), QSize(1024, 670));
    EXPECT_FALSE(window().windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(StartupTest, NoCameraIsRefusedAfterTheSplash) {
    ASSERT_TRUE(env.useCameras({}));
    EXPECT_FALSE(Start());
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral(" Video Device not found !")});
    EXPECT_TRUE(started.splashShown);
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(window().m_timer1.isActive());
}

TEST_F(StartupTest, SecondInstanceIsRefusedWithoutSplash) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
    InstanceLock first;
    ASSERT_FALSE(first.OtherInstanceRuns(QStringLiteral("veldor - V1.0B7")));
    EXPECT_FALSE(Start());
    EXPECT_EQ(prompts.messages,
              QStringList{QStringLiteral("The program has already been running!")});
    EXPECT_FALSE(started.splashShown);
    // The preview was started before the refusal.
    EXPECT_EQ(window().m_viewState, 1);
    EXPECT_FALSE(window().m_timer1.isActive());
}

TEST_F(StartupTest, NoCameraAndSecondInstanceShowOnlyTheCameraMessage) {
    ASSERT_TRUE(env.useCameras({}));
    InstanceLock first;
    ASSERT_FALSE(first.OtherInstanceRuns(QStringLiteral("VELDOR - v1.0b7")));
    EXPECT_FALSE(Start());
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral(" Video Device not found !")});
}

TEST_F(StartupTest, ControlsAreInPlaceWithEnglishCaptions) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
    ASSERT_TRUE(StartAndShow());
    CKestrelDlg& dlg = window();
    const struct {
        int id;
        const char* caption;
        QRect rect;
        bool visible;
    } table[] = {
        {IDC_CAPTURE, "Capture", {40, 30, 130, 30}, true},
        {IDC_EXIT, "EXIT", {880, 540, 120, 30}, true},
        {IDC_SAVE_FOLDER, "SaveFolder", {20, 500, 120, 30}, true},
        {IDC_DELETE_IMAGE, "DeleteImage", {20, 540, 120, 30}, true},
        {IDC_PREV_IMAGE, "<", {150, 498, 30, 90}, true},
        {IDC_NEXT_IMAGE, ">", {840, 498, 30, 90}, true},
        {IDC_COMP_VIEW, "CompView", {880, 500, 120, 30}, true},
        {IDC_VIDEO_PROPERTY, "VideoProperty", {850, 160, 130, 30}, true},
        {IDC_VIDEO_FORMAT, "VideoFormat", {850, 200, 130, 30}, true},
        {IDC_LIVE, "Live", {40, 50, 130, 30}, false},
        {IDC_TITLE_BAR, "TitleBar", {850, 50, 130, 30}, true},
        {IDC_ORIGINAL_SIZE, "OriginalSize", {40, 90, 130, 20}, false},
        {IDC_FIT_WINDOW, "FitWindow", {40, 110, 130, 20}, true},
        {IDC_FULL_SCREEN, "FullScreen", {40, 130, 130, 20}, true},
        {IDC_MOVIE_DLG, "MovieDlg", {40, 200, 130, 30}, true},
        {IDC_DONT_ASK, "don't ask", {50, 570, 100, 20}, true},
        {IDC_KEEP_ASPECT, "keep aspect", {70, 150, 100, 20}, true},
        {IDC_COPY_PROPERTY, "CopyProperty", {850, 400, 130, 30}, true},
        {IDC_SHOW_COMMENT, "comment", {910, 470, 100, 20}, true},
    };
    for (const auto& row : table) {
        EXPECT_EQ(Caption(row.id), QString::fromUtf8(row.caption)) << row.id;
        EXPECT_EQ(dlg.GetDlgItem(row.id)->geometry(), row.rect) << row.id;
        EXPECT_EQ(dlg.GetDlgItem(row.id)->isVisible(), row.visible) << row.id;
    }
    EXPECT_FALSE(dlg.GetDlgItem(IDC_DEFAULT)->isVisible());
    EXPECT_FALSE(dlg.GetDlgItem(IDC_COPY_PROPERTY)->isEnabled());
    EXPECT_EQ(dlg.GetDlgItem(IDC_CAMERA_SELECT)->pos(), QPoint(850, 120));
    EXPECT_EQ(dlg.GetDlgItem(IDC_RESOLUTION)->geometry(), QRect(40, 90, 130, 20));
    EXPECT_EQ(dlg.m_videoWindow->geometry(), QRect(190, 10, 642, 482));
    EXPECT_EQ(dlg.m_videoWindow->frameWidth(), 1);
    EXPECT_EQ(dlg.font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(dlg.font().pointSize(), 9);
}

TEST_F(StartupTest, JapaneseCaptions) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
    dlg = std::make_unique<CKestrelDlg>(prompts, clock);
    dlg->m_languageOverride = 1;
    started = StartMainWindow(*dlg);
    ASSERT_TRUE(started.result);
    const struct {
        int id;
        const char* caption;
    } table[] = {{IDC_CAPTURE, "静止画撮影"},
                 {IDC_EXIT, "終了"},
                 {IDC_SAVE_FOLDER, "保存フォルダー"},
                 {IDC_DELETE_IMAGE, "イメージ削除"},
                 {IDC_COMP_VIEW, "２画面比較"},
                 {IDC_VIDEO_PROPERTY, "画質調整"},
                 {IDC_VIDEO_FORMAT, "フォーマット"},
                 {IDC_FIT_WINDOW, "メイン表示"},
                 {IDC_FULL_SCREEN, "フルスクリーン"},
                 {IDC_TITLE_BAR, "タイトルバー"},
                 {IDC_MOVIE_DLG, "動画モードへ"},
                 {IDC_COPY_PROPERTY, "画質設定"},
                 {IDC_DONT_ASK, "don't ask"},
                 {IDC_KEEP_ASPECT, "keep aspect"},
                 {IDC_SHOW_COMMENT, "comment"},
                 {IDC_PREV_IMAGE, "<"},
                 {IDC_NEXT_IMAGE, ">"}};
    for (const auto& row : table) {
        EXPECT_EQ(Caption(row.id), QString::fromUtf8(row.caption)) << row.id;
    }
}

// Three cameras, the stored name and the choice it gives.
struct Choice {
    const char* stored;
    int index;
};

class CameraChoiceTest : public StartupTest, public ::testing::WithParamInterface<Choice> {};

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

TEST_F(StartupTest, LowerCaseOrvaneDoesNotCount) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("USB Camera"), QStringLiteral("orvane q7")}));
    WriteIni("[VideoDevice]\nName=Other\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(window().m_deviceIndex, 0);
}

TEST_F(StartupTest, OneOrvaneCameraSetsTheSelectionMembers) {
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

TEST_F(StartupTest, StoredSizesAndTheResolutionText) {
    const struct {
        const char* section;
        const char* text;
    } table[] = {{"Width=800\nHeight=600\n", "800 x 600"},
                 {"Width=640\nHeight=0\n", "---"},
                 {"Width=4000\nHeight=3000\n", "---"}};
    ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
    for (const auto& row : table) {
        WriteIni(QByteArray("[Orvane Q7]\n") + row.section);
        ASSERT_TRUE(Start()) << row.text;
        EXPECT_EQ(window().m_resolutionText, QString::fromLatin1(row.text));
        // The camera keeps a format it has, so the live video runs.
        VideoOutput* output = CaptureGraph::Instance().renderer;
        ASSERT_TRUE(output);
        EXPECT_TRUE(QTest::qWaitFor([output] { return output->FramesShown() > 0; }, 10000));
        dlg.reset();
    }
}

TEST_F(StartupTest, ChoosingAnotherCameraSwitchesTheGraphAndStoresTheOld) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7"), QStringLiteral("USB Camera")}));
    ASSERT_TRUE(Start());
    CKestrelDlg& dlg = window();
    dlg.m_deviceCombo->setCurrentIndex(1);
    Q_EMIT dlg.m_deviceCombo->activated(1);
    EXPECT_EQ(dlg.m_deviceIndex, 1);
    EXPECT_EQ(CaptureGraph::Instance().device.name, QByteArray("USB Camera"));
    EXPECT_EQ(dlg.m_cameraName, QStringLiteral("USB Camera"));
    const QByteArray ini = TempEnvironment::readFile(env.iniFile());
    EXPECT_TRUE(ini.contains("[Orvane Q7]\nWidth=320\nHeight=240")) << ini.constData();
    EXPECT_TRUE(ini.contains("Name=USB Camera"));
}

TEST_F(StartupTest, UnwritableWorkingFolderMovesTheSettingsToTheTemporaryFolder) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
    ASSERT_TRUE(QDir().mkpath(env.iniFile() + QStringLiteral("/blocker")));
    ASSERT_TRUE(Start());
    EXPECT_EQ(window().m_iniPath, TempPath() + QStringLiteral("/./VELDOR.ini"));
    EXPECT_TRUE(TempEnvironment::readFile(TempPath() + QStringLiteral("/VELDOR.ini"))
                    .contains("date=20261209101112"));
}

TEST_F(StartupTest, ShutDownStoresTheCamera) {
    ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
    ASSERT_TRUE(Start());
    dlg.reset();
    const QByteArray ini = TempEnvironment::readFile(env.iniFile());
    EXPECT_TRUE(ini.contains("[VideoDevice]\nName=Orvane Q7")) << ini.constData();
    EXPECT_TRUE(ini.contains("Width=320\nHeight=240")) << ini.constData();
}

} // namespace
