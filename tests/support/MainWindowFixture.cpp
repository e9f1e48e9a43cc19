#include "support/MainWindowFixture.h"

#include "app/CNullDlg.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>
#include <QWindow>

MainWindowStart StartMainWindow(CKestrelDlg& dlg) {
    MainWindowStart start;
    auto* scripted = dynamic_cast<ScriptedPrompts*>(&dlg.prompts());
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* splash = qobject_cast<CNullDlg*>(QApplication::activeModalWidget());
        if (!splash || start.splashShown) {
            return;
        }
        start.splashShown = true;
        start.shownBeforeSplash = dlg.isVisible();
        start.messagesBeforeSplash = scripted ? int(scripted->messages.size()) : -1;
        splash->timer1().start(0);
    });
    closer.start();
    start.result = dlg.OnInitDialog();
    closer.stop();
    return start;
}

void MainWindowFixture::TearDown() {
    dlg.reset();
    CaptureGraph::Instance().SetPrompts(nullptr);
}

bool MainWindowFixture::Start() {
    dlg = std::make_unique<CKestrelDlg>(prompts, clock);
    started = StartMainWindow(*dlg);
    return started.result;
}

bool MainWindowFixture::StartAndShow() {
    if (!Start()) {
        return false;
    }
    dlg->show();
    // Qt's own wait lives in QtTest, which this support library does not link.
    const QDeadlineTimer deadline(5000);
    while (!(dlg->windowHandle() && dlg->windowHandle()->isExposed())) {
        if (deadline.hasExpired()) {
            return false;
        }
        // As QTest::qWaitFor does: run what arrived, then give the streaming threads a moment.
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return true;
}

VideoOutput* MainWindowFixture::LiveOutput() {
    return dynamic_cast<VideoOutput*>(CaptureGraph::Instance().FedViewFinder());
}

bool MainWindowFixture::WaitForLiveFrames() {
    const QDeadlineTimer deadline(10000);
    for (;;) {
        CaptureGraph& graph = CaptureGraph::Instance();
        VideoOutput* output = LiveOutput();
        if (output && output->FramesShown() > 0 && graph.HasFrame()) {
            return true;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        // As QTest::qWaitFor does: run what arrived, then give the streaming threads a moment.
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
}
