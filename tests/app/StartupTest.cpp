#include "app/CKestrelDlg.h"
#include "app/ControlIds.h"
#include "capture/CaptureGraph.h"
#include "platform/instance/InstanceLock.h"
#include "platform/language/Language.h"
#include "platform/paths/Paths.h"
#include "support/ChildProcess.h"
#include "support/EventLoop.h"
#include "support/MainWindowFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QString kTitle = QStringLiteral("VELDOR - v1.0b7");

// The main window's controls as the program's layout defines them.
struct ControlRow {
    int id;
    const char* english;  // template caption; nullptr for the combo box and the static text
    const char* japanese; // nullptr: keeps the English caption in Japanese
    bool shown;
    bool enabled; // once shown: the repaint disables the picture commands without a selection
    QRect rect;   // empty: not checked (template position, or a size of its own)
};

const ControlRow kControls[] = {
    {1000, "Capture", "静止画撮影", true, true, {40, 30, 130, 30}},
    {1001, "default", nullptr, false, true, {}},
    {1002, "EXIT", "終了", true, true, {880, 540, 120, 30}},
    {1003, "SaveFolder", "保存フォルダー", true, true, {20, 500, 120, 30}},
    {1004, "DeleteImage", "イメージ削除", true, false, {20, 540, 120, 30}},
    {1005, "<", nullptr, true, false, {150, 498, 30, 90}},
    {1006, ">", nullptr, true, false, {840, 498, 30, 90}},
    {1007, "CompView", "２画面比較", true, true, {880, 500, 120, 30}},
    {1008, "VideoProperty", "画質調整", true, true, {850, 160, 130, 30}},
    {1009, "VideoFormat", "フォーマット", true, true, {850, 200, 130, 30}},
    {1010, "Live", nullptr, false, true, {40, 50, 130, 30}},
    {1011, "TitleBar", "タイトルバー", true, true, {850, 50, 130, 30}},
    {1012, "OriginalSize", nullptr, false, true, {40, 90, 130, 20}},
    {1013, "FitWindow", "メイン表示", true, true, {40, 110, 130, 20}},
    {1014, "FullScreen", "フルスクリーン", true, true, {40, 130, 130, 20}},
    {1015, nullptr, nullptr, true, true, {}},
    {1016, "MovieDlg", "動画モードへ", true, true, {40, 200, 130, 30}},
    {1017, nullptr, nullptr, true, true, {40, 90, 130, 20}},
    {1018, "don't ask", nullptr, true, false, {50, 570, 100, 20}},
    {1019, "keep aspect", nullptr, true, true, {70, 150, 100, 20}},
    {1020, "CopyProperty", "画質設定", true, false, {850, 400, 130, 30}},
    {1022, "comment", nullptr, true, true, {910, 470, 100, 20}},
};

QString CaptionOf(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    return QString();
}

// Counts the Show events a widget receives.
class ShowCounter : public QObject {
public:
    explicit ShowCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            ++shows;
        }
        return false;
    }
    int shows = 0;
};

// Prompts that also note whether the live graph ran when each message came.
class GraphWatchingPrompts : public ScriptedPrompts {
public:
    void MessageBox(const QString& text) override {
        graphRan.append(CaptureGraph::Instance().Exists());
        ScriptedPrompts::MessageBox(text);
    }
    QList<bool> graphRan;
};

class StartupTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
    }
};

TEST_F(StartupTest, FirstInstanceShowsTheSplashThenRunsTheWindow) {
    const QString workFile = TempPath() + QStringLiteral("/zz_Workfile.jpg");
    ASSERT_TRUE(TempEnvironment::writeFile(workFile, "x"));
    dlg = std::make_unique<CKestrelDlg>(prompts, clock);
    ShowCounter shows(dlg.get());
    started = StartMainWindow(*dlg);
    ASSERT_TRUE(started.result) << prompts.messages.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(started.splashShown);
    EXPECT_FALSE(started.shownBeforeSplash);
    EXPECT_EQ(shows.shows, 0) << "DoModal shows the window, not the start-up";
    EXPECT_TRUE(prompts.messages.isEmpty());

    CKestrelDlg& w = window();
    EXPECT_EQ(w.windowTitle(), kTitle);
    EXPECT_EQ(w.m_iniPath, QStringLiteral("./VELDOR.ini"));
    EXPECT_EQ(w.m_language, SystemLanguage());
    EXPECT_EQ(w.m_font.family(), QStringLiteral("Arial"));
    EXPECT_EQ(w.m_font.pointSize(), 9);
    EXPECT_EQ(w.font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(w.m_strip.topIndex(), 0);
    EXPECT_EQ(w.m_strip.selSlot(), -1);
    EXPECT_EQ(w.m_buttonPressed, 0);
    EXPECT_EQ(w.m_mainActive, 1);
    EXPECT_TRUE(w.m_buttonPoll.IsActive());
    EXPECT_FALSE(QFileInfo::exists(workFile)) << "choosing the camera deletes the work file";
}

TEST_F(StartupTest, NoCameraRefusesAfterTheSplashWithoutShowingTheWindow) {
    ASSERT_TRUE(env.useCameras({}));
    dlg = std::make_unique<CKestrelDlg>(prompts, clock);
    ShowCounter shows(dlg.get());
    EXPECT_FALSE(StartMainWindow(*dlg).result);
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral(" Video Device not found !")});
    RunPostedEvents(); // the posted quit
    EXPECT_EQ(shows.shows, 0);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->m_viewState, 0);
    EXPECT_EQ(dlg->m_mainActive, 0);
    EXPECT_FALSE(dlg->m_buttonPoll.IsActive());
    EXPECT_FALSE(CaptureGraph::Instance().Exists());
}

TEST_F(StartupTest, NoCameraMessageComesAfterTheSplash) {
    ASSERT_TRUE(env.useCameras({}));
    ASSERT_FALSE(Start());
    EXPECT_TRUE(started.splashShown);
    EXPECT_EQ(started.messagesBeforeSplash, 0);
}

TEST_F(StartupTest, SecondInstanceStartsThePreviewThenRefusesWithoutSplash) {
    // Titles compare without letter case; the title of another program file name is another.
    const struct {
        QString heldTitle;
        bool refused;
    } cases[] = {
        {kTitle, true},
        {QStringLiteral("veldor - V1.0B7"), true},
        {QStringLiteral("VELDOR2 - v1.0b7"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.heldTitle.toStdString());
        InstanceLock first;
        ASSERT_FALSE(first.OtherInstanceRuns(c.heldTitle));
        GraphWatchingPrompts watching;
        auto second = std::make_unique<CKestrelDlg>(watching, clock);
        ShowCounter shows(second.get());
        const MainWindowStart start = StartMainWindow(*second);
        if (!c.refused) {
            EXPECT_TRUE(start.result);
            EXPECT_TRUE(start.splashShown);
            EXPECT_TRUE(watching.messages.isEmpty());
            continue;
        }
        EXPECT_FALSE(start.result);
        EXPECT_FALSE(start.splashShown);
        EXPECT_EQ(watching.messages,
                  QStringList{QStringLiteral("The program has already been running!")});
        EXPECT_EQ(watching.graphRan, QList<bool>{true}) << "the preview starts before the message";
        EXPECT_EQ(second->m_viewState, 1);
        EXPECT_EQ(second->m_cameraName, QStringLiteral("Orvane Q7"));
        EXPECT_FALSE(second->m_buttonPoll.IsActive());
        EXPECT_EQ(second->m_mainActive, 0);
        RunPostedEvents();
        EXPECT_EQ(shows.shows, 0);
        second.reset();
        EXPECT_FALSE(CaptureGraph::Instance().Exists()) << "the refusal runs the shut-down";
    }
}

TEST_F(StartupTest, NoCameraAndSecondInstanceGivesOnlyTheDeviceMessage) {
    ASSERT_TRUE(env.useCameras({}));
    InstanceLock first;
    ASSERT_FALSE(first.OtherInstanceRuns(kTitle));
    EXPECT_FALSE(Start());
    EXPECT_FALSE(started.splashShown);
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral(" Video Device not found !")});
}

TEST_F(StartupTest, AnotherProgramNameHasItsOwnTitleAndSettingsFile) {
    InstanceLock first;
    ASSERT_FALSE(first.OtherInstanceRuns(kTitle));
    QApplication::setApplicationName(QStringLiteral("VELDOR2"));
    const bool ran = Start();
    QApplication::setApplicationName(QStringLiteral("VELDOR"));
    EXPECT_TRUE(ran) << prompts.messages.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(window().windowTitle(), QStringLiteral("VELDOR2 - v1.0b7"));
    EXPECT_EQ(window().m_iniPath, QStringLiteral("./VELDOR2.ini"));
    EXPECT_EQ(window().m_saveFolder, env.desktop() + QStringLiteral("/VELDOR2/images"));
    EXPECT_TRUE(QFile::exists(env.work() + QStringLiteral("/VELDOR2.ini")));
    EXPECT_FALSE(QFile::exists(env.iniFile()));
}

// A FIFO in the settings file's place, which no one writes: the start neither waits for it nor
// replaces it, and the settings go to the temporary folder as for any unreadable file. The
// child must end within its time limit.
TEST_F(StartupTest, SettingsFileThatIsAFifoDoesNotHoldUpTheStart) {
    if (!InTestChild()) {
        const ChildResult child = RunTestInChild(std::nullopt, 30000);
        EXPECT_TRUE(child.Passed()) << child.output.toStdString();
        return;
    }
    ASSERT_EQ(mkfifo(QFile::encodeName(env.iniFile()).constData(), 0600), 0);
    EXPECT_TRUE(Start()) << prompts.messages.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(window().m_iniPath, TempPath() + QStringLiteral("/./VELDOR.ini"));
    EXPECT_TRUE(QFile::exists(window().m_iniPath));
    struct stat st {};
    ASSERT_EQ(lstat(QFile::encodeName(env.iniFile()).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(StartupTest, ControlsSitWhereTheLayoutPutsThem) {
    ASSERT_TRUE(StartAndShow());
    CKestrelDlg& w = window();
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.id);
        QWidget* control = w.GetDlgItem(row.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parentWidget(), &w);
        if (!row.rect.isEmpty()) {
            EXPECT_EQ(control->geometry(), row.rect);
        }
        if (row.english) {
            EXPECT_EQ(CaptionOf(control), QString::fromUtf8(row.english));
        }
        EXPECT_EQ(control->isVisible(), row.shown);
        EXPECT_EQ(control->isEnabled(), row.enabled);
    }
    EXPECT_EQ(w.GetDlgItem(IDC_CAMERA_SELECT)->pos(), QPoint(850, 120));
    EXPECT_EQ(w.GetDlgItem(IDC_CAMERA_SELECT), w.m_deviceCombo);
    EXPECT_EQ(CaptionOf(w.GetDlgItem(IDC_RESOLUTION)), w.m_resolutionText);
    EXPECT_FALSE(w.m_resolutionText.isEmpty());
    // FitWindow is the selected view mode.
    EXPECT_EQ(w.m_viewMode, 1);
    EXPECT_TRUE(static_cast<QRadioButton*>(w.GetDlgItem(IDC_FIT_WINDOW))->isChecked());
    EXPECT_FALSE(static_cast<QRadioButton*>(w.GetDlgItem(IDC_FULL_SCREEN))->isChecked());
}

TEST_F(StartupTest, JapaneseSetsTheTwelveCaptionsAndKeepsTheOthersEnglish) {
    for (const int language : {kJapanese, kEnglish}) {
        SCOPED_TRACE(language);
        dlg = std::make_unique<CKestrelDlg>(prompts, clock);
        dlg->m_languageOverride = language;
        ASSERT_TRUE(StartMainWindow(*dlg).result);
        EXPECT_EQ(dlg->m_language, language);
        int japanese = 0;
        for (const ControlRow& row : kControls) {
            if (!row.english) {
                continue;
            }
            SCOPED_TRACE(row.id);
            const bool translated = language == kJapanese && row.japanese;
            japanese += translated;
            EXPECT_EQ(CaptionOf(dlg->GetDlgItem(row.id)),
                      QString::fromUtf8(translated ? row.japanese : row.english));
        }
        EXPECT_EQ(japanese, language == kJapanese ? 12 : 0);
        dlg.reset();
    }
}

TEST_F(StartupTest, WindowSizeAndCaptionFollowTheTitleBarSetting) {
    const struct {
        const char* ini; // nullptr: no settings file
        int height;
        bool caption;
    } cases[] = {
        {nullptr, 620, false},
        {"[CAPTURE]\nTITLE_BAR=FALSE\n", 620, false},
        {"[CAPTURE]\nTITLE_BAR=TRUE\n", 670, true},
        {"[CAPTURE]\nTITLE_BAR=false\n", 670, true},
        {"[CAPTURE]\nTITLE_BAR=\n", 670, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini ? c.ini : "no file");
        QFile::remove(env.iniFile());
        if (c.ini) {
            ASSERT_TRUE(TempEnvironment::writeFile(env.iniFile(), c.ini));
        }
        ASSERT_TRUE(StartAndShow());
        // The size is the outer one, the window system's frame included.
        EXPECT_EQ(dlg->windowHandle()->frameGeometry().size(), QSize(1024, c.height));
        EXPECT_EQ(dlg->m_titleBar, c.caption ? 1 : 0);
        EXPECT_EQ(dlg->windowFlags().testFlag(Qt::FramelessWindowHint), !c.caption);
        EXPECT_EQ(dlg->windowFlags().testFlag(Qt::WindowTitleHint), c.caption);
        EXPECT_EQ(static_cast<QAbstractButton*>(dlg->GetDlgItem(IDC_TITLE_BAR))->isChecked(),
                  c.caption);
        dlg.reset();
    }
}

TEST_F(StartupTest, VideoChildHasItsRectangleAndThinBorder) {
    ASSERT_TRUE(StartAndShow());
    QFrame* video = window().m_videoWindow;
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->parentWidget(), dlg.get());
    EXPECT_EQ(video->geometry(), QRect(190, 10, 642, 482));
    EXPECT_EQ(video->frameWidth(), 1);
    EXPECT_EQ(video->contentsRect().size(), QSize(640, 480));
    EXPECT_TRUE(video->isVisible());
}

TEST_F(StartupTest, SplashClosesByItselfAfterThreeSeconds) {
    dlg = std::make_unique<CKestrelDlg>(prompts, clock);
    CNullDlg& splash = dlg->m_splashDlg;
    // What the splash's timer is set to once it is up, and whether its end came from the timer.
    bool seen = false;
    int interval = -1;
    bool singleShot = false;
    bool mainVisible = true;
    bool endedByTimer = false;
    QObject::connect(&splash.timer1(), &QTimer::timeout, [&] { endedByTimer = true; });
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!seen && QApplication::activeModalWidget() == &splash && splash.timer1().isActive()) {
            seen = true;
            interval = splash.timer1().interval();
            singleShot = splash.timer1().isSingleShot();
            mainVisible = dlg->isVisible();
        }
    });
    // A splash that never ends is ended after a deadline, so that the test fails instead of
    // hanging.
    bool deadlinePassed = false;
    QTimer::singleShot(20000, &splash, [&] {
        deadlinePassed = true;
        splash.done(0);
    });
    watch.start();
    ASSERT_TRUE(dlg->OnInitDialog());
    watch.stop();
    EXPECT_TRUE(seen);
    EXPECT_EQ(interval, 3000);
    EXPECT_TRUE(singleShot);
    EXPECT_FALSE(mainVisible);
    EXPECT_TRUE(endedByTimer);
    EXPECT_FALSE(deadlinePassed);
    EXPECT_EQ(splash.size(), QSize(975, 492));
    EXPECT_EQ(splash.bitmap().size(), QSize(975, 492));
}

} // namespace
