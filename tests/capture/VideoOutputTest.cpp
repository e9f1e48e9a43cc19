#include "capture/VideoOutput.h"
#include "capture/CameraFrames.h"
#include "support/Eventually.h"
#include "support/TestPicture.h"

#include <QCoreApplication>
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

// Frames come faster than the screen takes them, and some are broken.
TEST_F(VideoOutputTest, DecodesOnlyWhatTheScreenTakesAtTheSizeShownAndKeepsTheLastGoodPicture) {
    ASSERT_TRUE(EnsureGstInit());
    output->SetFormat(QStringLiteral("MJPG"), QSize(1280, 720));
    const QImage picture = TestPicture(QSize(1280, 720));
    const QByteArray jpeg = CameraJpeg(picture);
    const GstSamplePtr frame = JpegSample(jpeg, picture.size());

    // The second frame comes before the screen has taken the first: it is dropped undecoded.
    output->Render(frame.get());
    output->Render(frame.get());
    EXPECT_EQ(output->Decodes(), 1);
    ASSERT_EVENTUALLY(output->FramesShown() == 1);
    // Decoded at the smallest reduced size covering 640 x 480, not at the frame's.
    const QImage shown = output->Picture();
    EXPECT_EQ(shown.size(), QSize(960, 540));
    EXPECT_LE(CellMeanDifference(shown, picture), 8);

    // A cut frame and a corrupt one show nothing; the last good picture stays.
    QByteArray corrupt = jpeg;
    for (qsizetype i = jpeg.size() / 3; i < jpeg.size() / 3 + 64; ++i) {
        corrupt[i] = char(~corrupt[i]);
    }
    for (const QByteArray& broken : {jpeg.left(jpeg.size() / 2), corrupt}) {
        output->Render(JpegSample(broken, picture.size()).get());
    }
    EXPECT_EQ(output->Decodes(), 3);
    QCoreApplication::processEvents();
    EXPECT_EQ(output->FramesShown(), 1);
    EXPECT_EQ(output->Picture().cacheKey(), shown.cacheKey());
    output->Render(JpegSample(CameraJpeg(TestPicture(QSize(1280, 720), 2)), picture.size()).get());
    ASSERT_EVENTUALLY(output->FramesShown() == 2);
    EXPECT_EQ(output->Decodes(), 4);

    // Nothing is decoded for a box that cannot be seen.
    box.hide();
    output->Render(frame.get());
    EXPECT_EQ(output->Decodes(), 4);
}

} // namespace
