#include "platform/video/VideoDevice.h"
#include "platform/video/VideoSource.h"
#include "support/Eventually.h"
#include "support/SourceFrames.h"
#include "support/TempEnvironment.h"
#include "support/TestPicture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class ReplayCameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env.ok());
        ASSERT_TRUE(EnsureGstInit());
    }

    // Lists the one camera of the description and binds it, as the capture code does.
    GstElementPtr BindCamera(const QByteArray& description) {
        const QString file = env.root() + QStringLiteral("/cameras.json");
        EXPECT_TRUE(TempEnvironment::writeFile(file, description));
        env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
        const QList<VideoDeviceInfo> devices = EnumerateVideoDevices();
        EXPECT_EQ(devices.size(), 1);
        return devices.isEmpty() ? nullptr : BindVideoSource(devices[0]);
    }

    // A JPEG file of a picture of size, numbered by seed.
    QByteArray WriteJpeg(const QString& path, QSize size, unsigned seed) {
        QFile file(path);
        EXPECT_TRUE(TestPicture(size, seed).save(&file, "JPEG", 85));
        file.close();
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    TempEnvironment env;
};

TEST_F(ReplayCameraTest, JpegFolderPlaysInNameOrderLoopingAtTheFormatsRate) {
    const QString folder = env.root() + QStringLiteral("/frames");
    ASSERT_TRUE(QDir().mkpath(folder));
    // Written out of order; played by name. Files of other kinds are not frames.
    const QByteArray c = WriteJpeg(folder + QStringLiteral("/c.JPG"), QSize(320, 240), 3);
    const QByteArray a = WriteJpeg(folder + QStringLiteral("/a.jpg"), QSize(320, 240), 1);
    const QByteArray b = WriteJpeg(folder + QStringLiteral("/b.jpeg"), QSize(320, 240), 2);
    ASSERT_TRUE(TempEnvironment::writeFile(folder + QStringLiteral("/notes.txt"), "not a frame"));

    SourceFrames frames(BindCamera(R"([{"name": "Replay", "replay": "frames",
        "formats": [{"format": "MJPG", "width": 320, "height": 240, "framerate": 20}]}])"));
    ASSERT_TRUE(frames.Start());
    ASSERT_EVENTUALLY(frames.Count() >= 7 || !frames.Error().isEmpty());
    EXPECT_EQ(frames.Error(), QString());
    const QList<QByteArray> got = frames.Frames();
    ASSERT_GE(got.size(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(got[i], (QList<QByteArray>{a, b, c})[i % 3]) << i;
    }
    EXPECT_TRUE(frames.CapsText().startsWith("image/jpeg")) << frames.CapsText().constData();
    EXPECT_TRUE(frames.CapsText().contains("width=(int)320")) << frames.CapsText().constData();

    // Paced like a camera: over a second, about 20 frames, never a burst of the recording.
    const int before = frames.Count();
    QElapsedTimer window;
    window.start();
    QTest::qWait(1000);
    const double seconds = window.elapsed() / 1000.0;
    const int counted = frames.Count() - before;
    EXPECT_LE(counted, 20 * seconds + 3);
    EXPECT_GE(counted, 10 * seconds); // a loaded machine may fall behind, never ahead
}

TEST_F(ReplayCameraTest, YuyvFormatReplaysTheFramesConvertedOnce) {
    const QString folder = env.root() + QStringLiteral("/frames");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray first = WriteJpeg(folder + QStringLiteral("/1.jpg"), QSize(160, 120), 1);
    WriteJpeg(folder + QStringLiteral("/2.jpg"), QSize(160, 120), 2);

    SourceFrames frames(BindCamera(R"([{"name": "Replay", "replay": "frames",
        "formats": [{"format": "YUY2", "width": 160, "height": 120}]}])"));
    ASSERT_TRUE(frames.Start());
    ASSERT_EVENTUALLY(frames.Count() >= 5 || !frames.Error().isEmpty());
    ASSERT_EQ(frames.Error(), QString());
    EXPECT_TRUE(frames.CapsText().contains("format=(string)YUY2")) << frames.CapsText().data();
    EXPECT_TRUE(frames.CapsText().contains("colorimetry=(string)bt601"));
    const QList<QByteArray> got = frames.Frames();
    ASSERT_EQ(got[0].size(), 160 * 120 * 2);
    EXPECT_NE(got[0], got[1]);
    EXPECT_EQ(got[0], got[2]);
    EXPECT_EQ(got[1], got[3]);
    EXPECT_EQ(got[0], got[4]);
    // The luma of a pixel, BT.601 with limited range.
    const QRgb pixel = QImage::fromData(first).pixel(33, 17);
    const double luma =
        16 + (65.481 * qRed(pixel) + 128.553 * qGreen(pixel) + 24.966 * qBlue(pixel)) / 255;
    EXPECT_NEAR(uchar(got[0][17 * 320 + 33 * 2]), luma, 1.5);
}

TEST_F(ReplayCameraTest, UnreadableRecordingsFailTheStreamWithAnError) {
    const QString small = env.root() + QStringLiteral("/small");
    ASSERT_TRUE(QDir().mkpath(small));
    WriteJpeg(small + QStringLiteral("/1.jpg"), QSize(64, 48), 1);
    const QString notJpeg = env.root() + QStringLiteral("/notjpeg");
    ASSERT_TRUE(TempEnvironment::writeFile(notJpeg + QStringLiteral("/1.jpg"), "GIF89a..."));
    ASSERT_TRUE(TempEnvironment::writeFile(env.root() + QStringLiteral("/garbage.avi"),
                                           QByteArray(50000, 'x')));
    ASSERT_TRUE(QDir().mkpath(env.root() + QStringLiteral("/empty")));
    for (const char* path : {"missing.avi", "garbage.avi", "empty", "small", "notjpeg"}) {
        SCOPED_TRACE(path);
        SourceFrames frames(BindCamera(QByteArray(R"([{"name": "Replay", "replay": ")") + path +
                                       R"(", "formats": [{"format": "MJPG", "width": 320,
                                       "height": 240}]}])"));
        ASSERT_TRUE(frames.Start());
        ASSERT_EVENTUALLY(!frames.Error().isEmpty());
        EXPECT_EQ(frames.Count(), 0);
    }
}

} // namespace
