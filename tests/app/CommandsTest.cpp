#include "app/ControlIds.h"
#include "capture/CameraEvent.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "library/CommentFile.h"
#include "library/ImageList.h"
#include "support/EventLoop.h"
#include "support/FileReplacements.h"
#include "support/MainWindowFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

class CommandsTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
        ASSERT_TRUE(StartAndShow());
        ASSERT_TRUE(WaitForLiveFrames());
    }
    int Pictures() const { return static_cast<int>(ReloadImageList(dlg->m_saveFolder).size()); }
    // Waits until timer 1 has polled the camera button flag, then runs what the poll posted.
    bool PollButton() {
        const bool polled = QTest::qWaitFor([this] { return dlg->m_buttonPressed == 0; }, 5000);
        RunPostedEvents();
        return polled;
    }
    void AddPicture(const QString& name) {
        ASSERT_TRUE(QDir().mkpath(dlg->m_saveFolder));
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        ASSERT_TRUE(image.save(dlg->m_saveFolder + QLatin1Char('/') + name, "JPEG"));
    }
    void SelectFirstPicture() {
        dlg->ResetImageList();
        dlg->OnImageAreaLeftClick(200, 520);
    }
    QAbstractButton* Button(int id) { return static_cast<QAbstractButton*>(dlg->GetDlgItem(id)); }
};

TEST_F(CommandsTest, EveryKeyInLiveViewTakesOnePicture) {
    int expected = 0;
    for (Qt::Key key : {Qt::Key_A, Qt::Key_Tab, Qt::Key_Return, Qt::Key_Escape}) {
        clock.now = clock.now.addSecs(1);
        QTest::keyClick(dlg->GetDlgItem(IDC_CAPTURE), key);
        RunPostedEvents();
        EXPECT_EQ(Pictures(), ++expected) << key;
        EXPECT_TRUE(dlg->isVisible()) << key;
        EXPECT_EQ(dlg->m_viewState, 1);
    }
}

TEST_F(CommandsTest, SystemKeysTakeNoPictureALetterDoes) {
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int pictures;
    } table[] = {
        {Qt::Key_Alt, Qt::NoModifier, 0},     {Qt::Key_Shift, Qt::NoModifier, 0},
        {Qt::Key_Control, Qt::NoModifier, 0}, {Qt::Key_Meta, Qt::NoModifier, 0},
        {Qt::Key_Tab, Qt::AltModifier, 0},    {Qt::Key_F4, Qt::AltModifier, 0},
        {Qt::Key_C, Qt::ControlModifier, 0},  {Qt::Key_F10, Qt::NoModifier, 0},
        {Qt::Key_A, Qt::ShiftModifier, 1},    {Qt::Key_F9, Qt::NoModifier, 1},
    };
    int expected = 0;
    for (const auto& row : table) {
        clock.now = clock.now.addSecs(1);
        QTest::keyClick(dlg->GetDlgItem(IDC_CAPTURE), row.key, row.modifiers);
        RunPostedEvents();
        expected += row.pictures;
        EXPECT_EQ(Pictures(), expected) << row.key << " " << row.modifiers;
    }
    // A held key: its press takes one picture, the repeats none.
    clock.now = clock.now.addSecs(1);
    for (bool repeat : {false, true, true}) {
        QKeyEvent held(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), repeat);
        QApplication::sendEvent(dlg->GetDlgItem(IDC_CAPTURE), &held);
        RunPostedEvents();
        clock.now = clock.now.addSecs(1);
    }
    EXPECT_EQ(Pictures(), expected + 1);
}

TEST_F(CommandsTest, KeysInTheCompareAndMovieWindowsStoreNothing) {
    for (QDialog* child :
         {static_cast<QDialog*>(&dlg->m_compDlg), static_cast<QDialog*>(&dlg->m_movieDlg)}) {
        auto* poll = new QTimer;
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, [poll, child] {
            if (QApplication::activeModalWidget() != child) {
                return;
            }
            poll->deleteLater();
            poll->stop();
            QTest::keyClick(child, Qt::Key_A);
            QTest::keyClick(child->findChild<QPushButton*>(), Qt::Key_B);
            RunPostedEvents();
            child->done(1);
        });
        poll->start();
        if (child == &dlg->m_compDlg) {
            dlg->OnCompView();
        } else {
            dlg->OnMovieDlg();
        }
        RunPostedEvents();
        EXPECT_EQ(Pictures(), 0) << child->objectName().toStdString();
        EXPECT_EQ(dlg->m_viewState, 1);
    }
}

TEST_F(CommandsTest, EscapeInStillViewEndsTheWindow) {
    AddPicture(QStringLiteral("20261209000000.jpg"));
    SelectFirstPicture();
    ASSERT_EQ(dlg->m_viewState, 2);
    ASSERT_EQ(dlg->m_live, 0);
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    RunPostedEvents();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(Pictures(), 1);
}

TEST_F(CommandsTest, CameraButtonFlag) {
    // Three presses within one poll take one picture.
    dlg->m_buttonPressed = 1;
    dlg->m_buttonPressed = 1;
    dlg->m_buttonPressed = 1;
    ASSERT_TRUE(PollButton());
    EXPECT_EQ(Pictures(), 1);
    EXPECT_EQ(dlg->m_buttonPressed, 0);
    EXPECT_TRUE(dlg->m_buttonPoll.IsActive());

    // With a picture shown the button returns to live view without a capture.
    clock.now = clock.now.addSecs(5);
    SelectFirstPicture();
    ASSERT_EQ(dlg->m_viewState, 2);
    dlg->m_buttonPressed = 1;
    ASSERT_TRUE(PollButton());
    EXPECT_EQ(Pictures(), 1);
    EXPECT_EQ(dlg->m_viewState, 1);
    EXPECT_EQ(dlg->m_strip.selSlot(), -1);
    dlg->m_buttonPressed = 1;
    ASSERT_TRUE(PollButton());
    EXPECT_EQ(Pictures(), 2);

    // Without a preview nothing happens.
    clock.now = clock.now.addSecs(5);
    dlg->m_viewState = 0;
    dlg->m_buttonPressed = 1;
    ASSERT_TRUE(PollButton());
    EXPECT_EQ(Pictures(), 2);
    EXPECT_EQ(dlg->m_buttonPressed, 0);
}

TEST_F(CommandsTest, TwoClicksOnTheLiveVideoSwitchFullScreenOnAndOffAndSelectNothing) {
    for (const char* name : {"20261209000001.jpg", "20261209000002.jpg", "20261209000003.jpg"}) {
        AddPicture(QLatin1String(name));
    }
    dlg->ResetImageList();
    VideoOutput* output = LiveOutput();
    // The click that ends full screen only ends it, wherever it lands: here on the places that
    // lie under it once the video is back in its child at (191, 11) of the window, a thumbnail
    // of the first and of the last picture and the picture area.
    for (const QPoint under : {QPoint(250, 540), QPoint(500, 545), QPoint(500, 250)}) {
        QTest::mouseClick(output, Qt::LeftButton, {}, QPoint(100, 100));
        EXPECT_EQ(output->parentWidget(), nullptr);
        EXPECT_EQ(dlg->m_viewMode, 2);
        EXPECT_EQ(dlg->m_fullScreenClick, 1);
        QTest::mouseClick(output, Qt::LeftButton, {}, under - QPoint(191, 11));
        RunPostedEvents();
        EXPECT_EQ(output->parentWidget(), dlg->m_videoWindow);
        EXPECT_EQ(dlg->m_viewMode, 1);
        EXPECT_TRUE(Button(IDC_FIT_WINDOW)->isChecked());
        EXPECT_EQ(dlg->m_strip.selSlot(), -1) << under.x() << "," << under.y();
        EXPECT_EQ(dlg->m_viewState, 1);
        EXPECT_TRUE(output->isVisible());
    }
    EXPECT_EQ(Pictures(), 3);
}

TEST_F(CommandsTest, CaptureClickedInFitWindowRepaintsOnceLater) {
    QTest::mouseClick(Button(IDC_CAPTURE), Qt::LeftButton);
    EXPECT_EQ(dlg->m_fullScreenClick, -1);
    RunPostedEvents();
    EXPECT_EQ(Pictures(), 1);
    EXPECT_EQ(dlg->m_viewState, 1);
    EXPECT_TRUE(dlg->m_timer2.isActive());
    EXPECT_EQ(dlg->m_timer2.interval(), 500);
    EXPECT_TRUE(dlg->m_timer2.isSingleShot());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !dlg->m_timer2.isActive(); }, 5000));
    EXPECT_EQ(dlg->m_fullScreenClick, -2);
    EXPECT_FALSE(dlg->m_timer2.isActive());
}

TEST_F(CommandsTest, FullScreenRadioWithAndWithoutKeepAspect) {
    VideoOutput* output = LiveOutput();
    for (bool keep : {false, true}) {
        dlg->m_keepAspect = keep;
        dlg->UpdateData(false);
        Button(IDC_FULL_SCREEN)->setChecked(true);
        dlg->OnViewMode();
        EXPECT_EQ(output->parentWidget(), nullptr) << keep;
        EXPECT_EQ(output->KeepAspect(), keep);
        EXPECT_EQ(bool(output->windowState() & Qt::WindowFullScreen), keep);
        EXPECT_EQ(dlg->m_fullScreenClick, 0);
        output->SetFullScreen(0, keep);
        EXPECT_EQ(output->parentWidget(), dlg->m_videoWindow);
        dlg->m_viewMode = 1;
        dlg->UpdateData(false);
    }
}

TEST_F(CommandsTest, TitleBarSwitchesSizeFrameAndSetting) {
    QAbstractButton* titleBar = Button(IDC_TITLE_BAR);
    titleBar->click();
    EXPECT_EQ(dlg->windowHandle()->frameGeometry().size(), QSize(1024, 670));
    EXPECT_FALSE(dlg->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(TempEnvironment::readFile(env.iniFile()).contains("TITLE_BAR=TRUE"));
    titleBar->click();
    EXPECT_EQ(dlg->windowHandle()->frameGeometry().size(), QSize(1024, 620));
    EXPECT_TRUE(dlg->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(TempEnvironment::readFile(env.iniFile()).contains("TITLE_BAR=FALSE"));
}

TEST_F(CommandsTest, EachOptionCheckBoxWritesAllSevenKeys) {
    const struct {
        int id;
        const char* key;
    } table[] = {{IDC_DONT_ASK, "DONT_ASK=TRUE"},
                 {IDC_KEEP_ASPECT, "KEEP_ASPECT=TRUE"},
                 {IDC_SHOW_COMMENT, "SHOW_COMMENT=TRUE"}};
    for (const auto& row : table) {
        ASSERT_TRUE(QFile::remove(env.iniFile()));
        // "don't ask" is enabled only with a picture selected: toggle it as its click would.
        Button(row.id)->setChecked(true);
        FileReplacements replacements(env.work());
        dlg->OnOptionCheck();
        EXPECT_EQ(replacements.Count(QStringLiteral("VELDOR.ini")), 1) << "one write per save";
        const QByteArray ini = TempEnvironment::readFile(env.iniFile());
        const QList<QByteArray> keys = {
            "SAVE_FOLDER=", "COMP_FOLDER=", "MOVIE_FOLDER=", "TITLE_BAR=",
            "DONT_ASK=",    "KEEP_ASPECT=", "SHOW_COMMENT="};
        qsizetype at = ini.indexOf("[CAPTURE]");
        ASSERT_GE(at, 0) << row.key;
        for (const QByteArray& key : keys) {
            const qsizetype next = ini.indexOf(key, at);
            EXPECT_GT(next, at) << key.constData();
            at = next;
        }
        EXPECT_TRUE(ini.contains(row.key)) << row.key;
    }
}

TEST_F(CommandsTest, ChoosingTheSelectedCameraAgainDoesNothing) {
    // A rebuild would make the camera's controls anew.
    const std::uint64_t controls = CaptureGraph::Instance().ControlsGeneration();
    Q_EMIT dlg->m_deviceCombo->activated(0);
    EXPECT_EQ(CaptureGraph::Instance().ControlsGeneration(), controls);
    EXPECT_TRUE(GraphRuns());
}

TEST_F(CommandsTest, CameraEvents) {
    // A graph notification, or a still frame of the movie graph come late, never takes a
    // picture.
    for (CameraEvent::Kind kind :
         {CameraEvent::Kind::GraphNotification, CameraEvent::Kind::Press}) {
        QCoreApplication::postEvent(dlg.get(), new CameraEvent(kind));
    }
    RunPostedEvents();
    EXPECT_EQ(Pictures(), 0);

    // A queued bus message is drained.
    CaptureGraph& graph = CaptureGraph::Instance();
    GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, "gone");
    gst_element_post_message(graph.Source(),
                             gst_message_new_warning(GST_OBJECT(graph.Source()), error, ""));
    g_error_free(error);
    RunPostedEvents();
    EXPECT_EQ(DrainGraphEvents(), 0);
    EXPECT_EQ(Pictures(), 0);
}

TEST_F(CommandsTest, StillFrameEventTakesThePicture) {
    dlg.reset();
    const QString file = env.root() + QStringLiteral("/still.json");
    ASSERT_TRUE(TempEnvironment::writeFile(file, R"([{"name": "Orvane Q7", "stillPin": true,
                   "formats": [{"format": "YUY2", "width": 320, "height": 240}]}])"));
    env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
    ASSERT_TRUE(StartAndShow());
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
            VideoOutput* output = LiveOutput();
            return output && output->FramesShown() > 0;
        },
        10000));
    dlg->OnCapture(); // only triggers the camera
    EXPECT_EQ(Pictures(), 0);
    // The still frame's camera event runs the capture a second time.
    EXPECT_TRUE(QTest::qWaitFor([this] { return Pictures() == 1; }, 10000));
    EXPECT_TRUE(QFileInfo::exists(ReplaceLastThree(
        dlg->m_saveFolder + QLatin1Char('/') + ReloadImageList(dlg->m_saveFolder).first(), "ini")));
}

// Presses a button of the child window as soon as it is up.
void PressInChild(const char* name) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, name] {
        QWidget* child = QApplication::activeModalWidget();
        if (auto* button = child ? child->findChild<QPushButton*>(QLatin1String(name)) : nullptr) {
            poll->deleteLater();
            poll->stop();
            button->click();
        }
    });
    poll->start();
}

TEST_F(CommandsTest, ChildWindowReturnsToLiveView) {
    AddPicture(QStringLiteral("20261209000000.jpg"));
    PressInChild("return");
    dlg->OnCompView();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->m_mainActive, 1);
    EXPECT_TRUE(dlg->m_buttonPoll.IsActive());
    EXPECT_EQ(dlg->m_strip.names().size(), 1);
    EXPECT_EQ(dlg->m_viewState, 1);
    EXPECT_EQ(dlg->m_compDlg.m_owner, dlg.get());

    SetNotifyWindow(nullptr);
    PressInChild("ok");
    dlg->OnMovieDlg();
    EXPECT_EQ(CaptureGraph::Instance().EventWindow(), dlg.get());
    EXPECT_EQ(LiveOutput()->parentWidget(), dlg->m_videoWindow);
}

TEST_F(CommandsTest, ChildWindowExitEndsTheProgram) {
    PressInChild("exit");
    dlg->OnMovieDlg();
    RunPostedEvents();
    EXPECT_FALSE(dlg->isVisible());
}

class CommentsTest : public CommandsTest {
protected:
    QString CommentFile() const {
        return dlg->m_saveFolder + QStringLiteral("/20261209000000.txt");
    }
};

TEST_F(CommentsTest, EnteredCommentIsStoredWithOneNulAndShown) {
    AddPicture(QStringLiteral("20261209000000.jpg"));
    SelectFirstPicture();
    ASSERT_EQ(dlg->m_commentPath, CommentFile());
    prompts.comments = {QStringLiteral("abc")};
    QTest::mouseClick(dlg.get(), Qt::RightButton, {}, QPoint(400, 200));
    EXPECT_EQ(TempEnvironment::readFile(CommentFile()), QByteArray("abc\0", 4));
    EXPECT_EQ(prompts.commentPrompts, QStringList{QStringLiteral("Input Comment on this image.")});
    EXPECT_EQ(dlg->m_showComment, 1);
    EXPECT_TRUE(Button(IDC_SHOW_COMMENT)->isChecked());
    EXPECT_TRUE(TempEnvironment::readFile(env.iniFile()).contains("SHOW_COMMENT=TRUE"));
    // The box is drawn at (280, 430)-(740, 460) with its black outline.
    const QImage shown = dlg->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(280, 445)), QColor(Qt::black));
    EXPECT_EQ(QColor(shown.pixel(500, 455)), QColor(Qt::white));

    // The dialog opens pre-filled; an empty answer deletes the file; Cancel changes nothing.
    prompts.comments = {QString()};
    dlg->OnImageAreaRightClick(400, 200);
    EXPECT_EQ(prompts.commentTexts.last(), QStringLiteral("abc"));
    EXPECT_FALSE(QFileInfo::exists(CommentFile()));
    ASSERT_TRUE(TempEnvironment::writeFile(CommentFile(), QByteArray("old\0", 4)));
    prompts.comments = {std::nullopt};
    dlg->OnImageAreaRightClick(400, 200);
    EXPECT_EQ(TempEnvironment::readFile(CommentFile()), QByteArray("old\0", 4));
}

TEST_F(CommentsTest, RightClickActsOnlyOnAShownPicture) {
    AddPicture(QStringLiteral("20261209000000.jpg"));
    dlg->ResetImageList();
    // On the live video there is no picture to comment on.
    prompts.comments = {QStringLiteral("text")};
    QTest::mouseClick(LiveOutput(), Qt::RightButton, {}, QPoint(200, 200));
    dlg->OnImageAreaRightClick(400, 200);
    EXPECT_TRUE(prompts.commentPrompts.isEmpty());
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(dlg->m_showComment, 0);
    // A picture shown: the strip is no place for its comment, the picture is.
    SelectFirstPicture();
    dlg->OnImageAreaRightClick(400, 550);
    EXPECT_TRUE(prompts.commentPrompts.isEmpty());
    dlg->OnImageAreaRightClick(400, 200);
    EXPECT_EQ(prompts.commentPrompts.size(), 1);
    EXPECT_EQ(TempEnvironment::readFile(CommentFile()), QByteArray("text\0", 5));
}

TEST_F(CommentsTest, WindowsCommentsAreShownAndEditedInTheirCodePage) {
    AddPicture(QStringLiteral("20261209000000.jpg"));
    const QString fixtures = QStringLiteral(VELDOR_FIXTURES "/comments/");
    const QString text = QStringLiteral("試料Ａ 倍率40倍 ひらがなとカタカナ");
    const QByteArray windows = TempEnvironment::readFile(fixtures + "cp932-kanji-kana.txt");
    dlg->m_showComment = 1;
    dlg->UpdateData(false);
    SelectFirstPicture();
    // The comment is read when the picture is chosen.
    auto overlay = [this](const QByteArray& bytes) {
        EXPECT_TRUE(TempEnvironment::writeFile(CommentFile(), bytes));
        SelectFirstPicture();
        return dlg->grab().toImage().copy(QRect(280, 430, 461, 31));
    };
    // The overlay of the Windows file is the overlay of the same text in UTF-8.
    const QImage fromWindows = overlay(windows);
    EXPECT_EQ(fromWindows, overlay(TempEnvironment::readFile(fixtures + "utf8-kanji-kana.txt")));
    EXPECT_NE(fromWindows, overlay(QByteArray("\0", 1)));

    // OK with the text unchanged leaves the file as it was, even bytes of no encoding.
    for (const QByteArray& bytes : {windows, TempEnvironment::readFile(fixtures + "neither.txt")}) {
        ASSERT_TRUE(TempEnvironment::writeFile(CommentFile(), bytes));
        prompts.comments = {ReadCommentForInput(CommentFile()).text};
        dlg->OnImageAreaRightClick(400, 200);
        EXPECT_EQ(TempEnvironment::readFile(CommentFile()), bytes);
    }
    EXPECT_EQ(prompts.commentTexts.first(), text);

    // A changed comment stays in code page 932, so that the Windows version can read it.
    ASSERT_TRUE(TempEnvironment::writeFile(CommentFile(), windows));
    prompts.comments = {QStringLiteral("試料Ｂ 倍率100倍")};
    dlg->OnImageAreaRightClick(400, 200);
    EXPECT_EQ(TempEnvironment::readFile(CommentFile()),
              QByteArray("\x8e\x8e\x97\xbf\x82\x61\x20\x94\x7b\x97\xa6\x31\x30\x30\x94\x7b\0", 17));
}

TEST_F(CommentsTest, UnwritableCommentKeepsTheOldOne) {
    AddPicture(QStringLiteral("20261209000000.jpg"));
    SelectFirstPicture();
    // A directory in the comment file's place cannot be replaced, even by root.
    ASSERT_TRUE(QDir().mkpath(CommentFile() + QStringLiteral("/inside")));
    prompts.comments = {QStringLiteral("new")};
    dlg->OnImageAreaRightClick(400, 200);
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("ERROR: Comment File don't saved..")});
    EXPECT_TRUE(QFileInfo(CommentFile() + QStringLiteral("/inside")).isDir());
    EXPECT_EQ(dlg->m_showComment, 0);
}

} // namespace
