#include "capture/VideoOutput.h"
#include "capture/CameraFrames.h"
#include "capture/FocusMeasure.h"
#include "support/Eventually.h"
#include "support/TestPicture.h"

#include <QCoreApplication>
#include <QFrame>
#include <QScreen>
#include <QSignalSpy>
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

// The focus is measured on the streaming thread from the decoded frame, only while the meter
// is on, and reaches the meter with that frame.
TEST_F(VideoOutputTest, FocusMeasureComesWithItsFrame) {
    ASSERT_TRUE(EnsureGstInit());
    output->SetFormat(QStringLiteral("MJPG"), QSize(1280, 720));
    const QImage picture = TestPicture(QSize(1280, 720));
    const GstSamplePtr frame = JpegSample(CameraJpeg(picture), picture.size());
    output->Render(frame.get());
    ASSERT_EVENTUALLY(output->FramesShown() == 1);
    EXPECT_TRUE(output->Focus().IsEmpty());

    output->SetFocusMeter(true);
    output->Render(frame.get());
    ASSERT_EVENTUALLY(output->FramesShown() == 2);
    ASSERT_EQ(output->Focus().Values().size(), 1u);
    EXPECT_GT(output->Focus().Values().back(), 0);
    EXPECT_DOUBLE_EQ(output->Focus().Values().back(), FocusMeasure(output->Picture()));
    EXPECT_DOUBLE_EQ(output->Focus().Peak(), output->Focus().Values().back());

    output->SetFocusMeter(false);
    output->Render(frame.get());
    ASSERT_EVENTUALLY(output->FramesShown() == 3);
    EXPECT_TRUE(output->Focus().IsEmpty());
}

// The line is measured in the frame's pixels, whatever the stretching of the 16:9 frame into
// the 4:3 box; a click without a drag cancels, and presses go to the measure while it runs.
TEST_F(VideoOutputTest, MeasuresTheLineDrawnInFramePixels) {
    QSignalSpy measured(output, &VideoOutput::Measured);
    QSignalSpy cancelled(output, &VideoOutput::MeasureCancelled);
    auto drag = [&](QPoint from, QPoint to) {
        QTest::mousePress(output, Qt::LeftButton, {}, from);
        QTest::mouseMove(output, (from + to) / 2);
        QTest::mouseMove(output, to);
        QTest::mouseRelease(output, Qt::LeftButton, {}, to);
    };
    drag(QPoint(100, 100), QPoint(400, 100));
    EXPECT_TRUE(measured.isEmpty()); // not measuring

    output->BeginMeasure(QStringLiteral("Drag between two marks"));
    drag(QPoint(100, 100), QPoint(400, 100)); // 300 of 640 across: 600 of 1280
    ASSERT_EQ(measured.size(), 1);
    EXPECT_DOUBLE_EQ(measured[0][0].toDouble(), 600);
    EXPECT_TRUE(output->Measuring()); // the line stays until the window is done with it
    drag(QPoint(10, 10), QPoint(300, 300));
    EXPECT_EQ(measured.size(), 1);
    output->EndMeasure();
    EXPECT_FALSE(output->Measuring());

    output->BeginMeasure(QString());
    drag(QPoint(100, 100), QPoint(100, 340)); // 240 of 480 down: 360 of 720
    ASSERT_EQ(measured.size(), 2);
    EXPECT_DOUBLE_EQ(measured[1][0].toDouble(), 360);
    output->EndMeasure();

    output->BeginMeasure(QString());
    drag(QPoint(200, 200), QPoint(203, 202));
    EXPECT_EQ(cancelled.size(), 1);
    EXPECT_EQ(measured.size(), 2);
    EXPECT_FALSE(output->Measuring());
}

} // namespace
