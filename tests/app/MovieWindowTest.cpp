#include "app/ControlIds.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "library/ImageList.h"
#include "platform/language/Language.h"
#include "platform/video/VideoSource.h"
#include "support/AviFile.h"
#include "support/ChildProcess.h"
#include "support/MainWindowFixture.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>

namespace {

// Stands in for the desktop's file manager.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

using D = CMovieDlg;

const QColor kNoCamera(48, 48, 48);

class MovieWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        const QString cameras = env.root() + QStringLiteral("/cameras.json");
        ASSERT_TRUE(TempEnvironment::writeFile(cameras, R"([{"name": "Orvane Q7",
            "stillPin": true, "formats": [{"format": "YUY2", "width": 320, "height": 240}]}])"));
        env.set("VELDOR_SIMULATED_CAMERAS", cameras.toLocal8Bit());
    }
    bool StartIn(int language) {
        dlg = std::make_unique<CKestrelDlg>(prompts, clock);
        dlg->m_languageOverride = language;
        started = StartMainWindow(*dlg);
        if (!started.result) {
            return false;
        }
        dlg->m_movieFolder = env.root() + QStringLiteral("/movies");
        dlg->show();
        return QTest::qWaitForWindowExposed(dlg.get());
    }

    // Opens the movie window from the main window and runs script in it. A script that
    // leaves the window open has it ended with still mode. Returns the window's result.
    int RunMovieWindow(const std::function<void(D&)>& script) {
        QTimer::singleShot(0, dlg.get(), [&] {
            D& movie = dlg->m_movieDlg;
            script(movie);
            if (movie.isVisible()) {
                movie.OnOK();
            }
        });
        dlg->OnMovieDlg();
        return dlg->m_movieDlg.result();
    }

    static QPushButton* Button(D& movie, int id) {
        return static_cast<QPushButton*>(movie.GetDlgItem(id));
    }
    static bool OthersEnabled(D& movie, bool enabled) {
        for (int id : {int(D::IDC_CHANGE_FOLDER), int(D::IDC_OPEN_FOLDER), int(D::IDC_MOVIE_EXIT),
                       int(IDOK)}) {
            if (movie.GetDlgItem(id)->isEnabled() != enabled) {
                return false;
            }
        }
        return true;
    }
    // Waits until the file being recorded holds frames (the first 2 s are not recorded).
    static bool WaitForFrames(const QString& path) {
        return QTest::qWaitFor([&] { return QFileInfo(path).size() > 400000; }, 15000);
    }
    static void ExpectPlayable(const QString& path) {
        const std::optional<DecodedMovie> movie = DecodeMovie(path);
        ASSERT_TRUE(movie) << path.toStdString();
        EXPECT_GT(movie->frames, 0);
        EXPECT_EQ(movie->size, QSize(320, 240));
    }
    // The video area shows the plain picture that says the camera is gone.
    static bool NoticeShown(D& movie) {
        const QImage shown = movie.grab().toImage();
        return !movie.m_videoWindow->isVisible() && shown.pixelColor(21, 31) == kNoCamera &&
               shown.pixelColor(660, 510) == kNoCamera;
    }
    // The graph feeds the window's video again, which shows new frames.
    static bool PreviewResumed(D& movie, int shownBefore) {
        return QTest::qWaitFor(
            [&] {
                return LiveOutput() == movie.m_videoOutput && movie.m_videoWindow->isVisible() &&
                       movie.m_videoOutput->FramesShown() > shownBefore + 1;
            },
            5000);
    }
    QString Movie(const char* name) const {
        return dlg->m_movieFolder + QLatin1Char('/') + QLatin1String(name);
    }
};

TEST_F(MovieWindowTest, OpensAtTheMainWindowsCornerWithTheLiveVideoAndEndsTheProgramOnClose) {
    ASSERT_TRUE(StartIn(kEnglish));
    const int result = RunMovieWindow([&](D& movie) {
        EXPECT_EQ(movie.m_owner, dlg.get());
        EXPECT_EQ(movie.pos(), dlg->frameGeometry().topLeft());
        EXPECT_EQ(movie.size(), QSize(820, 540));
        const struct {
            int id;
            const char* caption;
            QRect rect;
        } table[] = {{D::IDC_START_STOP, "Start/Stop", {680, 30, 120, 30}},
                     {D::IDC_CHANGE_FOLDER, "ChangeFolder", {680, 90, 120, 30}},
                     {D::IDC_OPEN_FOLDER, "OpenFolder", {680, 140, 120, 30}},
                     {IDOK, "OK", {680, 430, 120, 30}},
                     {D::IDC_MOVIE_EXIT, "EXIT", {680, 480, 120, 30}}};
        for (const auto& row : table) {
            EXPECT_EQ(Button(movie, row.id)->text(), QLatin1String(row.caption));
            EXPECT_EQ(Button(movie, row.id)->geometry(), row.rect);
            EXPECT_TRUE(Button(movie, row.id)->isEnabled());
        }
        EXPECT_EQ(movie.m_videoWindow->geometry(), QRect(20, 30, 642, 482));
        EXPECT_EQ(movie.m_videoWindow->contentsRect().size(), QSize(640, 480));
        VideoOutput* video = LiveOutput();
        ASSERT_TRUE(video);
        EXPECT_EQ(video->parentWidget(), movie.m_videoWindow);
        EXPECT_EQ(video->geometry(), QRect(1, 1, 640, 480));
        EXPECT_TRUE(QTest::qWaitFor([&] { return video->FramesShown() > 1; }, 10000));
        EXPECT_EQ(CaptureGraph::Instance().EventWindow(), &movie);

        // The folder buttons: the chooser starts at the movie folder; Cancel changes nothing,
        // a choice is stored at once. OpenFolder hands the folder to the desktop.
        const QString before = dlg->m_movieFolder;
        movie.OnChangeFolder();
        EXPECT_EQ(dlg->m_movieFolder, before);
        const QString chosen = env.root() + QStringLiteral("/chosen");
        prompts.folders = {chosen};
        QTest::mouseClick(Button(movie, D::IDC_CHANGE_FOLDER), Qt::LeftButton);
        EXPECT_EQ(prompts.folderTitles, QStringList(2, QStringLiteral("Select Movie Folder")));
        EXPECT_EQ(prompts.folderStarts, (QStringList{before, before}));
        EXPECT_EQ(dlg->m_movieFolder, chosen);
        EXPECT_TRUE(TempEnvironment::readFile(env.iniFile())
                        .contains("MOVIE_FOLDER=" + chosen.toUtf8() + "\n"));
        UrlRecorder desktop;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "open");
        QTest::mouseClick(Button(movie, D::IDC_OPEN_FOLDER), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        EXPECT_EQ(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(chosen)});

        // The system's close command is EXIT.
        movie.close();
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->isVisible(); }, 5000));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(MovieWindowTest, JapaneseCaptionsAndChooserTitle) {
    ASSERT_TRUE(StartIn(kJapanese));
    RunMovieWindow([&](D& movie) {
        EXPECT_EQ(Button(movie, D::IDC_START_STOP)->text(), QStringLiteral("録画開始"));
        EXPECT_EQ(Button(movie, D::IDC_CHANGE_FOLDER)->text(), QStringLiteral("フォルダー変更"));
        EXPECT_EQ(Button(movie, D::IDC_OPEN_FOLDER)->text(), QStringLiteral("フォルダー開く"));
        EXPECT_EQ(Button(movie, IDOK)->text(), QStringLiteral("静止画モードへ"));
        EXPECT_EQ(Button(movie, D::IDC_MOVIE_EXIT)->text(), QStringLiteral("終了"));
        movie.OnChangeFolder();
        EXPECT_EQ(prompts.folderTitles, QStringList{QStringLiteral("動画フォルダの選択")});
    });
}

TEST_F(MovieWindowTest, EveryRouteStopsRecordingWithAPlayableFile) {
    ASSERT_TRUE(StartIn(kEnglish));
    RunMovieWindow([&](D& movie) {
        QPushButton* startStop = Button(movie, D::IDC_START_STOP);
        QTest::mouseClick(startStop, Qt::LeftButton);
        ASSERT_EQ(movie.m_recording, 1);
        EXPECT_EQ(startStop->text(), QStringLiteral("録画停止"));
        EXPECT_TRUE(OthersEnabled(movie, false));
        const QString first = Movie("20261209101112.avi");
        EXPECT_EQ(movie.m_moviePath, first);
        // Keys do nothing here: no picture, no stop, no end of the window.
        startStop->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space, Qt::Key_A}) {
            QTest::keyClick(startStop, key);
        }
        QCoreApplication::processEvents(); // runs a command a key may have posted
        EXPECT_EQ(movie.m_recording, 1);
        EXPECT_TRUE(movie.isVisible());
        EXPECT_TRUE(ReloadImageList(dlg->m_saveFolder).isEmpty());
        ASSERT_TRUE(WaitForFrames(first));

        // The camera button's flag stops; the camera's still frame starts (same second).
        dlg->m_buttonPressed = 1;
        ASSERT_TRUE(QTest::qWaitFor([&] { return movie.m_recording == 0; }, 2000));
        EXPECT_EQ(dlg->m_buttonPressed, 0);
        EXPECT_EQ(startStop->text(), QStringLiteral("録画開始"));
        EXPECT_TRUE(OthersEnabled(movie, true));
        ExpectPlayable(first);
        ASSERT_TRUE(TriggerStill(CaptureGraph::Instance().Source()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return movie.m_recording == 1; }, 5000));
        const QString second = Movie("20261209101112-1.avi");
        EXPECT_EQ(movie.m_moviePath, second);
        ASSERT_TRUE(WaitForFrames(second));

        // Leaving by still mode while recording completes the file too.
        movie.OnOK();
        ExpectPlayable(second);
    });
    // Back in the main window's live graph, the strip reset; the movie window's poll ended.
    EXPECT_TRUE(dlg->m_buttonPoll.IsActive());
    EXPECT_EQ(dlg->m_strip.selSlot(), -1);
    EXPECT_EQ(dlg->m_strip.topIndex(), 0);
    VideoOutput* video = LiveOutput();
    ASSERT_EQ(video, dlg->m_videoOutput);
    EXPECT_EQ(video->parentWidget(), dlg->m_videoWindow);
    EXPECT_TRUE(QTest::qWaitFor([&] { return video->FramesShown() > 1; }, 10000));
}

TEST_F(MovieWindowTest, AMovieThatRunsOutOfRoomEndsPlayableWithAMessage) {
    // No file of the child may grow past 4 MiB: room for some 20 frames of 320 x 240 YUY2.
    constexpr long kLimit = 4 << 20;
    if (!InTestChild()) {
        const ChildResult child = RunTestInChild(kLimit);
        EXPECT_TRUE(child.Passed()) << child.output.toStdString();
        return;
    }
    ASSERT_TRUE(StartIn(kEnglish));
    RunMovieWindow([&](D& movie) {
        movie.OnStartStop();
        ASSERT_EQ(movie.m_recording, 1);
        const QString path = Movie("20261209101112.avi");
        ASSERT_TRUE(QTest::qWaitFor([&] { return movie.m_recording == 0; }, 20000));
        EXPECT_EQ(prompts.messages,
                  QStringList{QStringLiteral("Recording stopped: there is no more room for the "
                                             "movie file (the disk is full or the file is as "
                                             "large as allowed). [%1]")
                                  .arg(path)});
        EXPECT_EQ(Button(movie, D::IDC_START_STOP)->text(), QStringLiteral("録画開始"));
        EXPECT_TRUE(OthersEnabled(movie, true));

        // Every frame in the file is in its indexes and headers, and a player plays them all.
        EXPECT_LE(QFileInfo(path).size(), kLimit);
        const std::optional<AviFile> avi = ReadAviFile(path);
        ASSERT_TRUE(avi);
        EXPECT_FALSE(avi->truncated);
        EXPECT_GT(avi->moviFrames, 10);
        EXPECT_EQ(avi->idx1Frames, avi->moviFrames);
        EXPECT_EQ(int(avi->avihFrames), avi->moviFrames);
        EXPECT_EQ(int(avi->odmlFrames), avi->moviFrames);
        const std::optional<DecodedMovie> decoded = DecodeMovie(path);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->frames, avi->moviFrames);

        // Only the file had no room: the live picture goes on.
        VideoOutput* preview = LiveOutput();
        ASSERT_TRUE(preview);
        const int shown = preview->FramesShown();
        EXPECT_TRUE(QTest::qWaitFor([&] { return preview->FramesShown() > shown; }, 5000));
    });
}

// Unplugged while idle, the video area says so instead of freezing, and Start/Stop says so
// instead of binding a camera that is not there; plugged in again, the preview comes back
// without a click.
TEST_F(MovieWindowTest, UnpluggedWhileIdleThePreviewComesBackByItself) {
    ASSERT_TRUE(StartIn(kEnglish));
    const QString cameras = env.root() + QStringLiteral("/cameras.json");
    const QByteArray description = TempEnvironment::readFile(cameras);
    RunMovieWindow([&](D& movie) {
        VideoOutput* video = movie.m_videoOutput;
        ASSERT_TRUE(QTest::qWaitFor([&] { return LiveOutput() == video; }, 5000));
        ASSERT_TRUE(TempEnvironment::writeFile(cameras, "[]"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return NoticeShown(movie); }, 3000));
        EXPECT_FALSE(CaptureGraph::Instance().Exists());

        QTest::mouseClick(Button(movie, D::IDC_START_STOP), Qt::LeftButton);
        EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("The camera is not connected.")});
        EXPECT_EQ(movie.m_recording, 0);
        EXPECT_FALSE(QFileInfo::exists(dlg->m_movieFolder));
        EXPECT_TRUE(OthersEnabled(movie, true));
        EXPECT_TRUE(NoticeShown(movie));

        const int shown = video->FramesShown();
        ASSERT_TRUE(TempEnvironment::writeFile(cameras, description));
        EXPECT_TRUE(PreviewResumed(movie, shown));
        EXPECT_EQ(CaptureGraph::Instance().EventWindow(), &movie);
        EXPECT_EQ(prompts.messages.size(), 1);
    });
}

// Unplugged while a movie is recorded: the movie is complete and playable and the window idle;
// plugged in again, the preview comes back without recording again. Left while the camera is
// gone, the main window waits for it and resumes its live view when it is plugged in.
TEST_F(MovieWindowTest, UnpluggedWhileRecordingTheMovieIsComplete) {
    ASSERT_TRUE(StartIn(kEnglish));
    const QString cameras = env.root() + QStringLiteral("/cameras.json");
    const QByteArray description = TempEnvironment::readFile(cameras);
    QString path;
    RunMovieWindow([&](D& movie) {
        movie.OnStartStop();
        ASSERT_EQ(movie.m_recording, 1);
        path = movie.m_moviePath;
        ASSERT_TRUE(WaitForFrames(path));
        ASSERT_TRUE(TempEnvironment::writeFile(cameras, "[]"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return movie.m_recording == 0; }, 3000));
        ExpectPlayable(path);
        EXPECT_TRUE(OthersEnabled(movie, true));
        EXPECT_EQ(Button(movie, D::IDC_START_STOP)->text(), QStringLiteral("録画開始"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return NoticeShown(movie); }, 3000));

        const int shown = movie.m_videoOutput->FramesShown();
        ASSERT_TRUE(TempEnvironment::writeFile(cameras, description));
        EXPECT_TRUE(PreviewResumed(movie, shown));
        EXPECT_EQ(movie.m_recording, 0);
        EXPECT_EQ(QDir(dlg->m_movieFolder).entryList(QDir::Files),
                  QStringList{QFileInfo(path).fileName()});

        ASSERT_TRUE(TempEnvironment::writeFile(cameras, "[]"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return NoticeShown(movie); }, 3000));
    });
    // Still mode without a camera binds none: the recording's end is the only message.
    EXPECT_EQ(prompts.messages,
              QStringList{QStringLiteral("Recording stopped because of an error. [%1]").arg(path)});
    EXPECT_EQ(dlg->m_viewState, 0);
    EXPECT_TRUE(dlg->m_cameraLost);
    EXPECT_FALSE(CaptureGraph::Instance().Exists());
    ASSERT_TRUE(TempEnvironment::writeFile(cameras, description));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            VideoOutput* video = LiveOutput();
            return dlg->m_viewState == 1 && video == dlg->m_videoOutput && video->FramesShown() > 0;
        },
        5000));
}

TEST_F(MovieWindowTest, NamesAndFolders) {
    ASSERT_TRUE(StartIn(kEnglish));
    RunMovieWindow([&](D& movie) {
        // A folder several levels deep is made at the first start. Stopped within the first
        // 2 s, the file has no frame and is not kept.
        dlg->m_movieFolder = env.root() + QStringLiteral("/a/b/c/movies");
        movie.OnStartStop();
        ASSERT_EQ(movie.m_recording, 1);
        EXPECT_EQ(movie.m_moviePath, Movie("20261209101112.avi"));
        EXPECT_TRUE(QFileInfo(dlg->m_movieFolder).isDir());
        movie.OnStartStop();
        EXPECT_EQ(movie.m_recording, 0);
        EXPECT_FALSE(QFileInfo::exists(movie.m_moviePath));
        EXPECT_TRUE(prompts.messages.isEmpty());

        // A folder that cannot be made: both messages; nothing records, the preview comes
        // back, and another folder can be chosen, into which Start/Stop then records.
        ASSERT_TRUE(TempEnvironment::writeFile(env.root() + QStringLiteral("/file"), "x"));
        dlg->m_movieFolder = env.root() + QStringLiteral("/file/movies");
        const int shown = movie.m_videoOutput->FramesShown();
        movie.OnStartStop();
        EXPECT_EQ(movie.m_recording, kMovieRenderFailed);
        EXPECT_EQ(prompts.messages,
                  (QStringList{QStringLiteral("保存フォルダーの作成に失敗しました。[%1]")
                                   .arg(env.root() + QStringLiteral("/file/movies")),
                               QStringLiteral("The movie file could not be created. [%1]")
                                   .arg(Movie("20261209101112.avi"))}));
        EXPECT_EQ(Button(movie, D::IDC_START_STOP)->text(), QStringLiteral("録画開始"));
        EXPECT_TRUE(OthersEnabled(movie, true));
        EXPECT_TRUE(PreviewResumed(movie, shown));
        const QString good = env.root() + QStringLiteral("/good");
        prompts.folders = {good};
        QTest::mouseClick(Button(movie, D::IDC_CHANGE_FOLDER), Qt::LeftButton);
        ASSERT_EQ(dlg->m_movieFolder, good);
        QTest::mouseClick(Button(movie, D::IDC_START_STOP), Qt::LeftButton);
        EXPECT_EQ(movie.m_recording, 1);
        EXPECT_EQ(movie.m_moviePath, Movie("20261209101112.avi"));
        EXPECT_TRUE(QFileInfo::exists(movie.m_moviePath));
        movie.OnStartStop();
        EXPECT_EQ(movie.m_recording, 0);

        // All names of the second taken: nothing is recorded over them, and the preview of
        // the failed start comes back.
        prompts.messages.clear();
        dlg->m_movieFolder = env.root() + QStringLiteral("/full");
        ASSERT_TRUE(TempEnvironment::writeFile(Movie("20261209101112.avi"), "old"));
        for (int i = 1; i <= 999; ++i) {
            ASSERT_TRUE(TempEnvironment::writeFile(
                dlg->m_movieFolder + QStringLiteral("/20261209101112-%1.avi").arg(i), "old"));
        }
        movie.OnStartStop();
        EXPECT_EQ(movie.m_recording, 0);
        EXPECT_EQ(prompts.messages,
                  QStringList{QStringLiteral("All movie file names of this second are taken; "
                                             "nothing is recorded. [%1]")
                                  .arg(dlg->m_movieFolder)});
        EXPECT_EQ(QDir(dlg->m_movieFolder).entryList(QDir::Files).size(), 1000);
        EXPECT_EQ(Button(movie, D::IDC_START_STOP)->text(), QStringLiteral("録画開始"));
        EXPECT_TRUE(OthersEnabled(movie, true));
        VideoOutput* video = LiveOutput();
        ASSERT_TRUE(video);
        EXPECT_TRUE(QTest::qWaitFor([&] { return video->FramesShown() > 1; }, 10000));
    });
}

} // namespace

#include "MovieWindowTest.moc"
