#include "capture/VideoOutput.h"

#include <QFrame>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class VideoOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        box.setGeometry(0, 0, 642, 482);
        box.setFrameStyle(QFrame::Box | QFrame::Plain);
        box.setLineWidth(1);
        output = new VideoOutput(&box);
        box.show();
        output->SetFormat(QStringLiteral("YUY2"), QSize(1280, 720));
    }

    QFrame box;
    VideoOutput* output = nullptr;
};

TEST_F(VideoOutputTest, FillsTheInsideOfItsBoxAndWantsThatSize) {
    EXPECT_EQ(output->geometry(), QRect(1, 1, 640, 480));
    EXPECT_EQ(output->WantedSize(), QSize(640, 480) * output->devicePixelRatioF());
    box.hide();
    EXPECT_TRUE(output->WantedSize().isEmpty());
    box.show();
    EXPECT_FALSE(output->WantedSize().isEmpty());
    box.showMinimized();
    EXPECT_TRUE(output->WantedSize().isEmpty());
    box.showNormal();
    EXPECT_FALSE(output->WantedSize().isEmpty());
}

TEST_F(VideoOutputTest, FullScreenStretchedAndBack) {
    output->SetFullScreen(1, 0);
    EXPECT_EQ(output->parentWidget(), nullptr);
    EXPECT_EQ(output->geometry(), box.screen()->geometry());
    EXPECT_FALSE(output->KeepAspect());
    EXPECT_EQ(output->WantedSize(), box.screen()->geometry().size() * output->devicePixelRatioF());
    output->SetFullScreen(0, 0);
    EXPECT_EQ(output->parentWidget(), &box);
    EXPECT_EQ(output->geometry(), QRect(1, 1, 640, 480));
    EXPECT_TRUE(output->isVisible());
}

TEST_F(VideoOutputTest, FullScreenKeepingAspectAndBack) {
    output->SetFullScreen(1, 1);
    EXPECT_EQ(output->parentWidget(), nullptr);
    EXPECT_TRUE(output->windowState() & Qt::WindowFullScreen);
    EXPECT_TRUE(output->KeepAspect());
    // The 16:9 picture fitted into the screen.
    ASSERT_TRUE(QTest::qWaitFor([&] { return output->size() == box.screen()->size(); }));
    const QSize fitted =
        QSize(1280, 720).scaled(output->size() * output->devicePixelRatioF(), Qt::KeepAspectRatio);
    EXPECT_EQ(output->WantedSize(), fitted);
    output->SetFullScreen(0, 1);
    EXPECT_EQ(output->parentWidget(), &box);
    EXPECT_EQ(output->geometry(), QRect(1, 1, 640, 480));
    EXPECT_FALSE(output->windowState() & Qt::WindowFullScreen);
}

} // namespace
