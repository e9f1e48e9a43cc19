#include "library/CCompDlg.h"

#include "app/ControlIds.h"
#include "capture/CameraProperty.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "library/CommentFile.h"
#include "library/ImageList.h"
#include "platform/language/Language.h"
#include "platform/video/SourceControls.h"
#include "platform/video/VideoSource.h"
#include "support/EventLoop.h"
#include "support/Eventually.h"
#include "support/MainWindowFixture.h"
#include "support/PictureFiles.h"
#include "support/PixelCounts.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QFrame>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

using D = CCompDlg;

TEST(CompareLabel, LastPartOfTheFolder) {
    const QString name = QStringLiteral("20261209101112.jpg");
    EXPECT_EQ(CompareLabel(QStringLiteral("/media/Pictures/Cmp"), name), "[Cmp]" + name);
    EXPECT_EQ(CompareLabel(QStringLiteral("/"), name), "[]" + name);
    EXPECT_EQ(CompareLabel(QStringLiteral("/media/usb/"), name), "[]" + name);
    EXPECT_EQ(CompareLabel(QStringLiteral("Cmp"), name), name);
}

class CompareWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        const QString cameras = env.root() + QStringLiteral("/cameras.json");
        ASSERT_TRUE(TempEnvironment::writeFile(
            cameras,
            QByteArray(R"([{"name": "Orvane Q7", "controls": ["Brightness"], "stillPin": )") +
                (stillPin ? "true" : "false") +
                R"(, "formats": [{"format": "YUY2", "width": 320, "height": 240}]}])"));
        env.set("VELDOR_SIMULATED_CAMERAS", cameras.toLocal8Bit());
        ResetSimulatedControls();
        ResetCameraProperties();
        ASSERT_TRUE(StartAndShow());
        ASSERT_TRUE(QTest::qWaitFor(
            [] {
                VideoOutput* output = LiveOutput();
                return output && output->FramesShown() > 1;
            },
            10000));
        dlg->m_saveFolder = env.root() + QStringLiteral("/save");
        dlg->m_compFolder = env.root() + QStringLiteral("/reference");
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        ResetSimulatedControls();
        ResetCameraProperties();
    }

    // Picture i of a folder, named so that a higher i is newer, with its camera settings.
    static QString AddPicture(const QString& folder, int i, QColor colour, int brightness = 0) {
        const QString path =
            folder + QStringLiteral("/202612090000%1.jpg").arg(i, 2, 10, QChar('0'));
        EXPECT_TRUE(WritePicture(path, colour));
        EXPECT_TRUE(TempEnvironment::writeFile(ReplaceLastThree(path, "ini"),
                                               "[USBProperty]\ndevice=Orvane Q7\nBrightness=" +
                                                   QByteArray::number(brightness) + "/2\n"));
        return QFileInfo(path).fileName();
    }
    static int CameraBrightness() {
        int value = 0;
        int flags = 0;
        return GraphCameraControls()->Get(kVideoProcAmp, 0, &value, &flags) ? value : -1000;
    }

    // Opens the compare window from the main window and runs script in it. A script that
    // leaves the window open has it ended with RETURN. Returns the window's result.
    int RunCompareWindow(const std::function<void(D&)>& script) {
        dlg->ResetImageList();
        QTimer::singleShot(0, dlg.get(), [&] {
            D& comp = dlg->m_compDlg;
            script(comp);
            if (comp.isVisible()) {
                Button(comp, IDOK)->click();
            }
        });
        dlg->OnCompView();
        return dlg->m_compDlg.result();
    }
    static QAbstractButton* Button(D& comp, int id) {
        return static_cast<QAbstractButton*>(comp.GetDlgItem(id));
    }

    bool stillPin = false;
};

TEST_F(CompareWindowTest, OpensAtTheMainStripsPlaceWithItsControlsAndFolderChoices) {
    for (int i = 0; i < 12; ++i) {
        AddPicture(dlg->m_saveFolder, i, Qt::green);
    }
    dlg->m_showComment = 1;
    dlg->ResetImageList();
    dlg->m_strip.SetTopIndex(5);
    dlg->m_strip.SelectSlot(3);
    QTimer::singleShot(0, dlg.get(), [&] {
        D& comp = dlg->m_compDlg;
        EXPECT_EQ(comp.m_owner, dlg.get());
        EXPECT_EQ(comp.pos(), dlg->frameGeometry().topLeft());
        EXPECT_EQ(comp.size(), QSize(1024, 620));
        EXPECT_EQ(comp.m_saveStrip.topIndex(), 5);
        EXPECT_EQ(comp.m_saveStrip.selSlot(), 0);
        EXPECT_EQ(comp.m_compStrip.selSlot(), -1); // nothing to select in an empty folder
        EXPECT_EQ(comp.m_saveStrip.names().size(), 12);
        EXPECT_TRUE(comp.m_compStrip.names().isEmpty());
        EXPECT_EQ(comp.m_cmpShowComment, 1);
        const struct {
            int id;
            const char* caption;
            QRect rect;
            bool shown;
        } table[] = {
            {D::IDC_CMP_CAPTURE, "Capture", {20, 5, 120, 20}, false},
            {D::IDC_CMP_SAVE_FOLDER, "SaveFolder", {20, 400, 120, 30}, true},
            {D::IDC_COMP_FOLDER, "CompFolder", {20, 500, 120, 30}, true},
            {D::IDC_SAVE_PREV, "<", {150, 400, 30, 90}, true},
            {D::IDC_SAVE_NEXT, ">", {840, 400, 30, 90}, true},
            {D::IDC_COMP_PREV, "<", {150, 500, 30, 90}, true},
            {D::IDC_COMP_NEXT, ">", {840, 500, 30, 90}, true},
            {D::IDC_CMP_SHOW_COMMENT, "comment", {910, 470, 100, 20}, true},
            {IDOK, "RETURN", {880, 500, 120, 30}, true},
            {D::IDC_CMP_EXIT, "EXIT", {880, 540, 120, 30}, true},
            {D::IDC_CMP_DELETE_IMAGE, "DeleteImage", {20, 440, 120, 30}, false},
            {D::IDC_CMP_DONT_ASK, "don't ask", {50, 470, 100, 20}, false},
            {D::IDC_CMP_COPY_PROPERTY, "CopyProperty", {880, 410, 120, 30}, false},
        };
        for (const auto& row : table) {
            EXPECT_EQ(Button(comp, row.id)->text(), QLatin1String(row.caption));
            EXPECT_EQ(Button(comp, row.id)->geometry(), row.rect) << row.caption;
            EXPECT_EQ(Button(comp, row.id)->isVisible(), row.shown) << row.caption;
        }
        EXPECT_TRUE(Button(comp, D::IDC_CMP_SHOW_COMMENT)->isChecked());
        EXPECT_FALSE(Button(comp, D::IDC_CMP_COPY_PROPERTY)->isEnabled());
        // Index 5 of 12 can step both ways; the empty compare side neither.
        EXPECT_TRUE(Button(comp, D::IDC_SAVE_PREV)->isEnabled());
        EXPECT_TRUE(Button(comp, D::IDC_SAVE_NEXT)->isEnabled());
        EXPECT_FALSE(Button(comp, D::IDC_COMP_PREV)->isEnabled());
        EXPECT_FALSE(Button(comp, D::IDC_COMP_NEXT)->isEnabled());
        EXPECT_EQ(comp.m_videoBox->geometry(), QRect(20, 30, 482, 362));
        EXPECT_EQ(comp.m_videoBox->contentsRect().size(), QSize(480, 360));
        EXPECT_FALSE(comp.m_videoBox->isVisible());
        EXPECT_TRUE(dlg->m_buttonPoll.IsActive());
        EXPECT_EQ(dlg->m_mainActive, 0);

        // A cancelled chooser changes nothing; a chosen compare folder is stored at once and
        // shows its newest picture.
        const QString save = dlg->m_saveFolder;
        comp.OnSaveFolder();
        EXPECT_EQ(dlg->m_saveFolder, save);
        EXPECT_EQ(comp.m_saveStrip.topIndex(), 5);
        prompts.folders = {save};
        Button(comp, D::IDC_COMP_FOLDER)->click();
        EXPECT_EQ(prompts.folderTitles,
                  (QStringList{"Select Save Folder", "Select Compare Folder"}));
        EXPECT_EQ(prompts.folderStarts,
                  (QStringList{save, env.root() + QStringLiteral("/reference")}));
        EXPECT_EQ(dlg->m_compFolder, save);
        EXPECT_TRUE(TempEnvironment::readFile(env.iniFile())
                        .contains("COMP_FOLDER=" + save.toUtf8() + "\n"));
        EXPECT_EQ(comp.m_compStrip.names().size(), 12);
        EXPECT_EQ(comp.m_compStrip.selSlot(), 0);
        EXPECT_TRUE(Button(comp, D::IDC_COMP_NEXT)->isEnabled());
        Button(comp, IDOK)->click();
    });
    dlg->OnCompView();
    EXPECT_EQ(dlg->m_compDlg.result(), IDOK);

    dlg->m_language = kJapanese;
    const int result = RunCompareWindow([&](D& comp) {
        const std::pair<int, const char*> captions[] = {{D::IDC_CMP_CAPTURE, "静止画撮影"},
                                                        {D::IDC_CMP_SAVE_FOLDER, "保存フォルダー"},
                                                        {D::IDC_COMP_FOLDER, "比較フォルダー"},
                                                        {IDOK, "戻る"},
                                                        {D::IDC_CMP_EXIT, "終了"},
                                                        {D::IDC_CMP_DELETE_IMAGE, "イメージ削除"},
                                                        {D::IDC_CMP_COPY_PROPERTY, "画質設定"},
                                                        {D::IDC_CMP_SHOW_COMMENT, "comment"}};
        for (const auto& [id, caption] : captions) {
            EXPECT_EQ(Button(comp, id)->text(), QString::fromUtf8(caption));
        }
        comp.OnCompFolder();
        comp.OnSaveFolder();
        Button(comp, D::IDC_CMP_EXIT)->click();
        RunPostedEvents();
    });
    EXPECT_EQ(result, IDCANCEL);
    RunPostedEvents();
    EXPECT_FALSE(dlg->isVisible()); // EXIT ends the program
    EXPECT_EQ(prompts.folderTitles.mid(2),
              (QStringList{"比較フォルダの選択", "保存フォルダの選択"}));
}

TEST_F(CompareWindowTest, DrawsBothSidesAndAppliesTheReferencesSettingsOnce) {
    AddPicture(dlg->m_saveFolder, 1, Qt::green);
    const QString saveNewest = AddPicture(dlg->m_saveFolder, 2, Qt::green);
    ASSERT_TRUE(
        WriteComment(MakeCommentPath(dlg->m_saveFolder, saveNewest), QStringLiteral("left")));
    AddPicture(dlg->m_compFolder, 1, Qt::blue, 20);
    ASSERT_TRUE(TempEnvironment::writeFile(dlg->m_compFolder + "/20261209000002.jpg", "no jpeg"));
    const QString compNewest = AddPicture(dlg->m_compFolder, 3, Qt::blue, 30);
    ASSERT_TRUE(
        WriteComment(MakeCommentPath(dlg->m_compFolder, compNewest), QStringLiteral("right")));
    dlg->m_showComment = 1;
    RunCompareWindow([&](D& comp) {
        EXPECT_EQ(CameraBrightness(), 30);
        const QImage shot = comp.grab().toImage();
        // The large pictures, the strips' first slots, the strips' empty slots.
        EXPECT_TRUE(NearColour(shot.pixel(260, 200), Qt::green));
        EXPECT_TRUE(NearColour(shot.pixel(764, 200), Qt::blue));
        EXPECT_TRUE(NearColour(shot.pixel(250, 445), Qt::green));
        EXPECT_TRUE(NearColour(shot.pixel(250, 545), Qt::blue));
        EXPECT_TRUE(White(shot.pixel(500, 445)));
        EXPECT_TRUE(Dark(shot.pixel(450, 445)));
        EXPECT_TRUE(White(shot.pixel(630, 545)));
        // "Load ERROR" in the corrupt picture's slot.
        EXPECT_GT(Count(shot, QRect(330, 540, 100, 15), Dark), 20);
        // Red dotted frames around both selected slots.
        const auto red = [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; };
        EXPECT_GT(Count(shot, QRect(191, 401, 119, 1), red), 20);
        EXPECT_GT(Count(shot, QRect(191, 501, 119, 1), red), 20);
        // Labels in the band, comment boxes with their texts.
        EXPECT_GT(Count(shot, QRect(20, 10, 120, 15), Dark), 20);
        EXPECT_GT(Count(shot, QRect(524, 10, 200, 15), Dark), 20);
        for (int x : {20, 524}) {
            EXPECT_TRUE(Dark(shot.pixel(x + 10, 365)));
            EXPECT_TRUE(White(shot.pixel(x + 20, 370)));
            EXPECT_GT(Count(shot, QRect(x + 200, 355, 80, 15), Dark), 5);
        }

        // An idle window in its loop does not paint itself again and again, nor apply the
        // settings again; they come with the next picture shown.
        EventCounter paints(&comp, QEvent::Paint);
        int polls = 0;
        QObject::connect(&dlg->m_buttonPoll.timer(), &QTimer::timeout, [&] { ++polls; });
        GraphCameraControls()->Set(kVideoProcAmp, 0, 5, 2);
        comp.OnSaveNext();
        ASSERT_EVENTUALLY(polls >= 3);
        EXPECT_LE(paints.count, 3);
        EXPECT_EQ(CameraBrightness(), 5);
        comp.OnCompNext();
        comp.OnCompNext();
        EXPECT_EQ(CameraBrightness(), 20);
        EXPECT_FALSE(Button(comp, D::IDC_COMP_NEXT)->isEnabled());
    });
}

TEST_F(CompareWindowTest, CameraButtonShowsTheLiveVideoThenCapturesIntoBothSides) {
    dlg->m_compFolder = dlg->m_saveFolder;
    dlg->m_keepAspect = 1;
    AddPicture(dlg->m_saveFolder, 1, Qt::green);
    const QString oldest = AddPicture(dlg->m_saveFolder, 0, Qt::blue);
    AddPicture(dlg->m_saveFolder, 2, Qt::green);
    RunCompareWindow([&](D& comp) {
        comp.OnCompNext();
        comp.OnCompNext();
        ASSERT_EQ(comp.m_compStrip.SelectedName(), oldest);
        dlg->m_buttonPressed = 1;
        ASSERT_EVENTUALLY(comp.m_liveView == 1);
        EXPECT_EQ(dlg->m_buttonPressed, 0);
        VideoOutput* video = LiveOutput();
        ASSERT_TRUE(video);
        EXPECT_EQ(video->parentWidget(), comp.m_videoBox);
        EXPECT_EQ(video->geometry(), QRect(1, 1, 480, 360));
        EXPECT_TRUE(comp.m_videoBox->isVisible());
        EXPECT_TRUE(Button(comp, D::IDC_CMP_CAPTURE)->isVisible());
        EXPECT_EQ(comp.m_saveStrip.selSlot(), -1);
        const int shown = video->FramesShown();
        ASSERT_EVENTUALLY(video->FramesShown() > shown + 1);

        // Keys and a right click on the live video do nothing.
        for (Qt::Key key : {Qt::Key_A, Qt::Key_Return, Qt::Key_Escape}) {
            QTest::keyClick(Button(comp, IDOK), key);
        }
        QTest::mouseClick(video, Qt::RightButton);
        RunPostedEvents();
        EXPECT_TRUE(comp.isVisible());
        EXPECT_TRUE(prompts.commentPrompts.isEmpty());
        EXPECT_EQ(ReloadImageList(dlg->m_saveFolder).size(), 3);

        // A press in the live state takes a picture; the compare side keeps its picture.
        dlg->m_buttonPressed = 1;
        ASSERT_EVENTUALLY(comp.m_saveStrip.names().size() == 4);
        EXPECT_EQ(comp.m_saveStrip.names().first(), QStringLiteral("20261209101112.jpg"));
        EXPECT_EQ(comp.m_compStrip.SelectedName(), oldest);
        EXPECT_TRUE(prompts.messages.isEmpty());

        // A click on the live video fills the screen; a click there brings it back, fitted
        // into the box, and does nothing else wherever it lands: here on the places that lie
        // under it once the video is back at (21, 31) of the window, a thumbnail of each strip
        // and the compare picture.
        const int brightness = CameraBrightness();
        for (const QPoint under : {QPoint(380, 445), QPoint(640, 545), QPoint(764, 200)}) {
            QTest::mouseClick(video, Qt::LeftButton);
            EXPECT_EQ(video->parentWidget(), nullptr);
            QTest::mouseClick(video, Qt::LeftButton, {}, under - QPoint(21, 31));
            RunPostedEvents();
            EXPECT_EQ(video->parentWidget(), comp.m_videoBox);
            EXPECT_EQ(video->geometry(), QRect(1, 1, 480, 360));
            EXPECT_EQ(comp.m_liveView, 1) << under.x() << "," << under.y();
            EXPECT_EQ(comp.m_saveStrip.selSlot(), -1);
            EXPECT_EQ(comp.m_compStrip.SelectedName(), oldest);
            EXPECT_EQ(CameraBrightness(), brightness);
        }

        // An empty save-strip slot ends the live state with an empty large box.
        QTest::mouseClick(&comp, Qt::LeftButton, {}, comp.m_saveStrip.SlotRect(4).center());
        EXPECT_EQ(comp.m_liveView, 0);
        EXPECT_EQ(comp.m_saveStrip.selSlot(), -1);
        EXPECT_FALSE(comp.m_videoBox->isVisible());
        const QImage shot = comp.grab().toImage();
        EXPECT_EQ(Count(shot, QRect(21, 31, 478, 358), White), 478 * 358);
    });
    // RETURN gives the live video back to the main window.
    VideoOutput* video = LiveOutput();
    ASSERT_TRUE(video);
    EXPECT_EQ(video->parentWidget(), dlg->m_videoWindow);
    EXPECT_EQ(dlg->m_viewState, 1);
    EXPECT_TRUE(dlg->m_buttonPoll.IsActive());
    EXPECT_EQ(dlg->m_strip.names().size(), 4);
    ASSERT_EVENTUALLY(video->FramesShown() > 1);
}

TEST_F(CompareWindowTest, ACommentHereTurnsTheDisplayOnForBothWindows) {
    const QString name = AddPicture(dlg->m_saveFolder, 1, Qt::green);
    const QString commentFile = MakeCommentPath(dlg->m_saveFolder, name);
    RunCompareWindow([&](D& comp) {
        ASSERT_EQ(comp.m_cmpShowComment, 0);
        // Outside the large pictures, and on the empty compare side, nothing happens.
        QTest::mouseClick(&comp, Qt::RightButton, {}, QPoint(250, 445));
        QTest::mouseClick(&comp, Qt::RightButton, {}, QPoint(764, 200));
        EXPECT_TRUE(prompts.commentPrompts.isEmpty());
        prompts.comments = {QStringLiteral("abc"), std::nullopt};
        QTest::mouseClick(&comp, Qt::RightButton, {}, QPoint(20, 390));
        EXPECT_EQ(TempEnvironment::readFile(commentFile), QByteArray("abc", 4));
        EXPECT_EQ(comp.m_cmpShowComment, 1);
        EXPECT_TRUE(Button(comp, D::IDC_CMP_SHOW_COMMENT)->isChecked());
        EXPECT_EQ(dlg->m_showComment, 1);
        EXPECT_TRUE(TempEnvironment::readFile(env.iniFile()).contains("SHOW_COMMENT=TRUE\n"));
        EXPECT_TRUE(Dark(comp.grab().toImage().pixel(30, 365)));
        QTest::mouseClick(&comp, Qt::RightButton, {}, QPoint(260, 200));
        EXPECT_EQ(prompts.commentPrompts,
                  QStringList(2, QStringLiteral("Input Comment on this image.")));
        EXPECT_EQ(prompts.commentTexts, (QStringList{QString(), QStringLiteral("abc")}));
    });
    EXPECT_TRUE(static_cast<QAbstractButton*>(dlg->GetDlgItem(IDC_SHOW_COMMENT))->isChecked());
    QTest::mouseClick(dlg.get(), Qt::LeftButton, {}, QPoint(250, 540));
    ASSERT_EQ(dlg->m_strip.selSlot(), 0);
    EXPECT_TRUE(Dark(dlg->grab().toImage().pixel(280, 445)));
}

class StillPinCompareTest : public CompareWindowTest {
protected:
    void SetUp() override {
        stillPin = true;
        CompareWindowTest::SetUp();
    }
};

TEST_F(StillPinCompareTest, TheListsAreReadOneSecondAfterTheCamerasFrameIsStored) {
    AddPicture(dlg->m_saveFolder, 1, Qt::green);
    RunCompareWindow([&](D& comp) {
        ASSERT_TRUE(TriggerStill(CaptureGraph::Instance().Source()));
        const QString stored = dlg->m_saveFolder + QStringLiteral("/20261209101112.jpg");
        ASSERT_EVENTUALLY(QFileInfo::exists(stored));
        EXPECT_EQ(comp.m_saveStrip.names().size(), 1);
        ASSERT_EVENTUALLY(comp.m_saveStrip.names().size() == 2);
    });
}

} // namespace
