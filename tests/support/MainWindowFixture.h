#pragma once

#include "app/CKestrelDlg.h"
#include "support/FixedClock.h"
#include "support/ScriptedPrompts.h"
#include "support/TempEnvironment.h"

#include <gtest/gtest.h>
#include <memory>

class VideoOutput;

// What happened while the main window started.
struct MainWindowStart {
    bool result = false;            // OnInitDialog's result
    bool splashShown = false;       // the splash window ran modally
    bool shownBeforeSplash = false; // the main window was already visible when the splash came
    int messagesBeforeSplash = -1;  // messages shown before the splash (scripted prompts only)
};

// Runs dlg.OnInitDialog() as the program's start does, but ends the modal splash as soon as
// it is up instead of after its 3 s: a repeating 10 ms timer finds it as the active modal
// widget and fires its own timer at once, so the splash still ends through its timer handler.
MainWindowStart StartMainWindow(CKestrelDlg& dlg);

// A test with its own folders, scripted prompts, a fixed clock and a main window made on
// demand. The window is destroyed (its shut-down runs) before the folders are removed.
class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(env.ok()); }
    void TearDown() override;

    // Makes the window and runs its start-up; returns OnInitDialog's result, details in
    // `started`. Cameras (env.useCameras) and VELDOR.ini must be in place before.
    bool Start();
    // Start(), then shows the window as DoModal does and waits until it is exposed.
    bool StartAndShow();
    // Waits until the live video has shown a frame and the grabber holds one to take, which
    // under load can be a while after the first frame is on screen.
    static bool WaitForLiveFrames();
    // The video output the graph feeds now, null without a graph.
    static VideoOutput* LiveOutput();
    CKestrelDlg& window() { return *dlg; }

    TempEnvironment env;
    ScriptedPrompts prompts;
    FixedClock clock;
    std::unique_ptr<CKestrelDlg> dlg;
    MainWindowStart started;
};
