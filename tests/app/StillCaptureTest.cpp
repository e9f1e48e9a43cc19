#include "app/ControlIds.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "library/ImageList.h"
#include "platform/profile/Profile.h"
#include "platform/video/SourceControls.h"
#include "support/ChildProcess.h"
#include "support/EventLoop.h"
#include "support/FileReplacements.h"
#include "support/MainWindowFixture.h"
#include "support/PictureFiles.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QImageReader>
#include <QTest>

namespace {

class StillCaptureTest : public MainWindowFixture {
protected:
    void TearDown() override {
        MainWindowFixture::TearDown();
        ResetSimulatedControls();
    }
    // Starts the window with one camera of four controls, with or without a still pin, and
    // waits for its video.
    void StartWith(bool stillPin) {
        // Simulated cameras keep their controls between windows, as a driver does; this one
        // starts from its own.
        ResetSimulatedControls();
        const QString file = env.root() + QStringLiteral("/cameras.json");
        const QByteArray json = QByteArray(R"([{"name": "Orvane Q7", "stillPin": )") +
                                (stillPin ? "true" : "false") +
                                R"(, "controls": ["Brightness", "Contrast", "Hue", "Saturation"],
                 "formats": [{"format": "YUY2", "width": 640, "height": 480}]}])";
        ASSERT_TRUE(TempEnvironment::writeFile(file, json));
        env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
        ASSERT_TRUE(StartAndShow());
        ASSERT_EQ(dlg->m_viewState, 1);
        ASSERT_TRUE(QTest::qWaitFor(
            [] {
                VideoOutput* output = LiveOutput();
                return output && output->FramesShown() > 0;
            },
            10000));
        // Without a still pin the grabber keeps the last frame: one has to be there.
        if (!stillPin) {
            ASSERT_TRUE(QTest::qWaitFor([] { return CaptureGraph::Instance().HasFrame(); }, 10000));
        }
    }
    QStringList Entries(const QString& folder) const {
        return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    void ExpectLiveWithNewestFirst(const QString& name) {
        dlg->grab(); // the repaint OnCapture asks for
        ASSERT_FALSE(dlg->m_strip.names().isEmpty());
        EXPECT_EQ(dlg->m_strip.names().first(), name);
        EXPECT_EQ(dlg->m_strip.topIndex(), 0);
        EXPECT_EQ(dlg->m_strip.selSlot(), -1);
        EXPECT_EQ(dlg->m_viewState, 1);
        EXPECT_EQ(dlg->m_live, 1);
        EXPECT_TRUE(dlg->m_videoWindow->isVisibleTo(dlg.get()));
        EXPECT_TRUE(dlg->GetDlgItem(IDC_CAPTURE)->isEnabled());
    }
};

TEST_F(StillCaptureTest, PictureWithItsSettingsFileFirstInTheStrip) {
    StartWith(false);
    const QString folder = dlg->m_saveFolder;
    ASSERT_TRUE(WritePicture(folder + QStringLiteral("/20200101000000.jpg"), Qt::red));
    dlg->ResetImageList();
    // A capture while a saved picture is shown, with comments displayed.
    dlg->m_showComment = 1;
    dlg->UpdateData(false);
    dlg->OnImageAreaLeftClick(250, 540);
    dlg->grab();
    ASSERT_EQ(dlg->m_viewState, 2);

    FileReplacements replacements(folder);
    ASSERT_TRUE(replacements.ok());
    dlg->OnCapture();
    const QString picture = folder + QStringLiteral("/20261209101112.jpg");
    QImageReader reader(picture);
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    EXPECT_EQ(reader.size(), QSize(640, 480));
    const QString settings = folder + QStringLiteral("/20261209101112.ini");
    EXPECT_EQ(dlg->m_settingsPath, settings);
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("USBProperty"), QStringLiteral("device"),
                                      QString(), settings),
              QStringLiteral("Orvane Q7"));
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("USBProperty"), QStringLiteral("Saturation"),
                                      QString(), settings),
              QStringLiteral("64/2"));
    // The settings file of the picture is written once, all its keys together.
    EXPECT_EQ(replacements.Count(QStringLiteral("20261209101112.ini")), 1);
    EXPECT_EQ(Entries(folder),
              (QStringList{"20200101000000.jpg", "20261209101112.ini", "20261209101112.jpg"}));
    EXPECT_TRUE(prompts.commentPrompts.isEmpty());
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();
    ExpectLiveWithNewestFirst(QStringLiteral("20261209101112.jpg"));
}

TEST_F(StillCaptureTest, SameSecondTakesTheNextSuffix) {
    StartWith(false);
    for (const char* name :
         {"20261209101112.jpg", "20261209101112-1.jpg", "20261209101112-2.jpg"}) {
        dlg->OnCapture();
        EXPECT_TRUE(QFileInfo(dlg->m_saveFolder + QLatin1Char('/') + QLatin1String(name)).isFile())
            << name;
        EXPECT_EQ(
            dlg->m_settingsPath,
            ReplaceLastThree(dlg->m_saveFolder + QLatin1Char('/') + QLatin1String(name), "ini"));
    }
    // The list holds the names in descending order: the plain name sorts before its suffixes.
    EXPECT_EQ(dlg->m_strip.names(),
              (QStringList{"20261209101112.jpg", "20261209101112-2.jpg", "20261209101112-1.jpg"}));
    EXPECT_EQ(Entries(dlg->m_saveFolder).size(), 6);
}

// A picture whose settings file cannot be written (a folder holds its name) is kept and listed,
// and the user is told that its camera settings were not saved.
TEST_F(StillCaptureTest, UnwritableSettingsFileKeepsThePictureAndSaysSo) {
    StartWith(false);
    const QString folder = dlg->m_saveFolder;
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/20261209101112.ini")));
    dlg->OnCapture();
    const QString picture = folder + QStringLiteral("/20261209101112.jpg");
    EXPECT_EQ(QImageReader(picture).size(), QSize(640, 480));
    EXPECT_EQ(prompts.messages,
              QStringList{QStringLiteral("The camera settings of this picture could not be saved. "
                                         "The picture was saved. [%1]")
                              .arg(picture)});
    ExpectLiveWithNewestFirst(QStringLiteral("20261209101112.jpg"));
}

TEST_F(StillCaptureTest, AllThousandNamesTakenStoresNothing) {
    StartWith(false);
    const QString folder = dlg->m_saveFolder;
    ASSERT_TRUE(
        TempEnvironment::writeFile(folder + QStringLiteral("/20261209101112.jpg"), "first"));
    for (int i = 1; i <= 999; ++i) {
        ASSERT_TRUE(TempEnvironment::writeFile(
            folder + QStringLiteral("/20261209101112-%1.jpg").arg(i), "taken"));
    }
    dlg->OnCapture();
    EXPECT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(Entries(folder).size(), 1000);
    EXPECT_EQ(TempEnvironment::readFile(folder + QStringLiteral("/20261209101112.jpg")), "first");
    EXPECT_EQ(TempEnvironment::readFile(folder + QStringLiteral("/20261209101112-999.jpg")),
              "taken");
    EXPECT_EQ(dlg->m_viewState, 1);
    EXPECT_EQ(dlg->m_live, 1);
}

TEST_F(StillCaptureTest, MissingFoldersAreCreatedLevelByLevel) {
    StartWith(false);
    const struct {
        const char* what;
        QString folder;
    } table[] = {{"three levels", env.root() + QStringLiteral("/one/two/three")},
                 {"multibyte names", env.root() + QStringLiteral("/表示/ソフト画像")}};
    for (const auto& row : table) {
        dlg->m_saveFolder = row.folder;
        dlg->OnCapture();
        EXPECT_TRUE(QFileInfo(row.folder + QStringLiteral("/20261209101112.jpg")).isFile())
            << row.what;
        EXPECT_TRUE(QFileInfo(row.folder + QStringLiteral("/20261209101112.ini")).isFile())
            << row.what;
        EXPECT_EQ(dlg->m_strip.names(), QStringList{QStringLiteral("20261209101112.jpg")})
            << row.what;
    }
    EXPECT_EQ(Entries(env.root() + QStringLiteral("/表示")),
              QStringList{QStringLiteral("ソフト画像")});
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(StillCaptureTest, FolderThatCannotBeCreatedStoresNothing) {
    StartWith(false);
    const QString plain = env.root() + QStringLiteral("/plain");
    ASSERT_TRUE(TempEnvironment::writeFile(plain, "x"));
    dlg->m_saveFolder = plain + QStringLiteral("/sub/deeper");
    dlg->OnCapture();
    EXPECT_EQ(
        prompts.messages,
        QStringList{QStringLiteral("保存フォルダーの作成に失敗しました。[%1/sub]").arg(plain)});
    EXPECT_TRUE(QFileInfo(plain).isFile());
    EXPECT_EQ(TempEnvironment::readFile(plain), "x");
    EXPECT_TRUE(dlg->m_strip.names().isEmpty());
    EXPECT_EQ(dlg->m_viewState, 1);
    EXPECT_EQ(dlg->m_live, 1);
}

TEST_F(StillCaptureTest, NoPreviewMeansNoPicture) {
    StartWith(false);
    dlg->m_viewState = 0;
    dlg->OnCapture();
    EXPECT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(Entries(dlg->m_saveFolder).isEmpty());
    EXPECT_TRUE(dlg->m_strip.names().isEmpty());
}

TEST_F(StillCaptureTest, StillPinCameraStoresOnTheSecondPass) {
    StartWith(true);
    ASSERT_TRUE(CaptureGraph::Instance().HasStillPin());
    const QString folder = env.root() + QStringLiteral("/new/stills");
    dlg->m_saveFolder = folder;
    dlg->OnCapture();
    // The first pass makes the folders and asks the camera; nothing is stored yet.
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(Entries(folder).isEmpty());
    EXPECT_EQ(dlg->m_strip.selSlot(), -1);
    EXPECT_EQ(dlg->m_live, 1);

    // The frame comes back as a camera event; its picture is named by the time then.
    clock.now = clock.now.addSecs(3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Entries(folder).size() == 2; }, 10000));
    EXPECT_EQ(Entries(folder), (QStringList{"20261209101115.ini", "20261209101115.jpg"}));
    EXPECT_EQ(QImageReader(folder + QStringLiteral("/20261209101115.jpg")).size(), QSize(640, 480));
    ExpectLiveWithNewestFirst(QStringLiteral("20261209101115.jpg"));
    // Exactly one picture per press: the delivered frame was taken from its slot.
    RunPostedEvents();
    EXPECT_EQ(Entries(folder).size(), 2);
    EXPECT_FALSE(CaptureGraph::Instance().HasFrame());
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();
}

TEST_F(StillCaptureTest, FullDiskLeavesNoCutPictureNorSettingsFileAndSaysSo) {
    // Every file of the child is limited to 4 KiB: enough for the settings files, far too little
    // for a 640 x 480 picture, so the picture's write fails part-way as on a full disk.
    if (!InTestChild()) {
        const ChildResult child = RunTestInChild(4096);
        EXPECT_TRUE(child.Passed()) << child.output.toStdString();
        return;
    }
    StartWith(false);
    const QString folder = dlg->m_saveFolder;
    ASSERT_TRUE(WritePicture(folder + QStringLiteral("/20200101000000.jpg"), Qt::red));
    dlg->ResetImageList();
    dlg->OnCapture();
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("ERROR: save file failed!")});
    EXPECT_EQ(Entries(folder), QStringList{QStringLiteral("20200101000000.jpg")});
    ExpectLiveWithNewestFirst(QStringLiteral("20200101000000.jpg"));
}

TEST_F(StillCaptureTest, FullDiskKeepsSettingsAndCommentFilesByteForByte) {
    // After the set-up no file of the child may grow past 64 bytes, so that every write below,
    // each longer, fails part-way as on a full disk.
    if (!InTestChild()) {
        const ChildResult child = RunTestInChild(std::nullopt);
        EXPECT_TRUE(child.Passed()) << child.output.toStdString();
        return;
    }
    StartWith(false);
    dlg->OnCapture();
    const QString folder = dlg->m_saveFolder;
    const QString settings = folder + QStringLiteral("/20261209101112.ini");
    const QString comment = folder + QStringLiteral("/20261209101112.txt");
    ASSERT_TRUE(TempEnvironment::writeFile(comment, QByteArray("old\0", 4)));
    dlg->OnImageAreaLeftClick(250, 540);
    dlg->grab();
    ASSERT_EQ(dlg->m_commentPath, comment);
    const QByteArray ini = TempEnvironment::readFile(env.iniFile());
    const QByteArray pictureSettings = TempEnvironment::readFile(settings);
    ASSERT_TRUE(ini.contains("[Orvane Q7]") && pictureSettings.contains("[USBProperty]"));
    ASSERT_TRUE(LimitFileSizeFromNow(64));

    // Settings: VELDOR.ini (a check box, the camera's settings) and the picture's own file.
    // Their failures are silent, and the camera's settings move to the temporary folder,
    // where they cannot be written either.
    static_cast<QAbstractButton*>(dlg->GetDlgItem(IDC_KEEP_ASPECT))->click();
    EXPECT_EQ(dlg->m_keepAspect, 1);
    dlg->saveVideoProperty();
    dlg->saveUSBProperty(settings);
    EXPECT_EQ(TempEnvironment::readFile(env.iniFile()), ini);
    EXPECT_EQ(TempEnvironment::readFile(settings), pictureSettings);
    EXPECT_TRUE(dlg->m_iniPath.startsWith(env.temp())) << dlg->m_iniPath.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dlg->m_iniPath));
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();

    // The comment: the old one stays and the user is told.
    prompts.comments = {QStringLiteral(
        "a new comment for this picture, a good deal longer than the 64 bytes allowed")};
    dlg->OnImageAreaRightClick(400, 200);
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("ERROR: Comment File don't saved..")});
    EXPECT_EQ(TempEnvironment::readFile(comment), QByteArray("old\0", 4));
    EXPECT_EQ(dlg->m_showComment, 0);

    // No half-written file is left beside any of them.
    EXPECT_EQ(Entries(folder),
              (QStringList{"20261209101112.ini", "20261209101112.jpg", "20261209101112.txt"}));
    EXPECT_EQ(Entries(env.work()).filter(QStringLiteral("VELDOR")),
              QStringList{QStringLiteral("VELDOR.ini")});
    EXPECT_TRUE(Entries(env.temp()).filter(QStringLiteral("VELDOR")).isEmpty());
}

} // namespace
