#include "capture/PreviewDecoder.h"
#include "capture/CameraFrames.h"
#include "capture/GrabbedFrameConvert.h"
#include "support/TestPicture.h"

#include <gtest/gtest.h>

namespace {

TEST(PreviewDecodeSize, SmallestScaleThatCoversTheRectangle) {
    struct Case {
        const char* format;
        QSize frame, shown, expected;
    };
    const Case cases[] = {
        {"MJPG", {3840, 2160}, {640, 480}, {960, 540}},     // 1/4
        {"MJPG", {1920, 1080}, {640, 480}, {960, 540}},     // 1/2
        {"MJPG", {1280, 720}, {640, 480}, {960, 540}},      // 3/4
        {"MJPG", {640, 480}, {640, 480}, {640, 480}},       // 1/1
        {"MJPG", {3264, 2448}, {640, 480}, {816, 612}},     // 1/4
        {"MJPG", {3840, 2160}, {1920, 1080}, {1920, 1080}}, // full screen: 1/2
        {"MJPG", {1920, 1080}, {1920, 1080}, {1920, 1080}},
        {"MJPG", {1280, 720}, {1920, 1080}, {1280, 720}}, // never enlarged
        {"MJPG", {1920, 1080}, {120, 90}, {240, 135}},    // 1/8
        {"MJPG", {1921, 1081}, {962, 542}, {1201, 676}},  // 5/8, rounded up
        {"YUY2", {1920, 1080}, {640, 480}, {640, 480}},
        {"YUY2", {640, 480}, {1920, 1080}, {640, 480}},
        {"YUY2", {640, 480}, {320, 600}, {320, 480}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PreviewDecodeSize(QString::fromLatin1(c.format), c.frame, c.shown), c.expected)
            << c.format << " " << c.frame.width() << "x" << c.frame.height() << " in "
            << c.shown.width() << "x" << c.shown.height();
    }
}

class CameraFrameTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(EnsureGstInit()); }
    const QImage picture = TestPicture(QSize(1280, 720));
    const QByteArray jpeg = CameraJpeg(picture);
};

// GStreamer's jpegdec and videoconvert, today's preview, run a few levels darker than the
// exact conversion; these tolerances allow for that.
TEST_F(CameraFrameTest, MjpegColoursMatchGStreamersDecode) {
    ASSERT_FALSE(jpeg.isEmpty());
    const GstSamplePtr sample = JpegSample(jpeg, picture.size());
    const QImage reference =
        GstDecoded(sample.get(), "jpegdec ! videoconvert ! video/x-raw,format=BGRx");
    ASSERT_EQ(reference.size(), picture.size());

    PreviewDecoder decoder;
    const QImage shown = decoder.Decode(sample.get(), QSize(640, 480));
    ASSERT_EQ(shown.size(), QSize(960, 540));
    EXPECT_EQ(shown.format(), QImage::Format_RGB32);
    EXPECT_EQ(qAlpha(shown.pixel(17, 33)), 255);
    EXPECT_LE(CellMeanDifference(shown, reference), 5);
    // Without its Huffman tables the frame decodes with the standard ones, to the same picture.
    const QByteArray bare = WithoutHuffmanTables(jpeg);
    ASSERT_LT(bare.size(), jpeg.size());
    const QImage bareShown =
        decoder.Decode(JpegSample(bare, picture.size()).get(), QSize(640, 480));
    EXPECT_EQ(bareShown, shown);
}

TEST_F(CameraFrameTest, Yuy2ColoursFollowTheCapsMatrixAndRange) {
    struct Case {
        const char* colorimetry;
        double kr, kb;
        bool fullRange;
        int tolerance; // measured 2 for BT.601 and 8 for BT.709 (libyuv's blue is coarser)
    };
    const Case cases[] = {{"bt601", 0.299, 0.114, false, 3},
                          {"1:4:0:0", 0.299, 0.114, true, 3},
                          {"bt709", 0.2126, 0.0722, false, 9}};
    PreviewDecoder decoder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colorimetry);
        const GstSamplePtr sample = Yuy2Sample(picture, c.colorimetry);
        const QImage exact = ExactYuy2Conversion(sample.get(), c.kr, c.kb, c.fullRange);
        const QImage shown = decoder.Decode(sample.get(), QSize(640, 480));
        ASSERT_EQ(shown.size(), QSize(640, 480));
        EXPECT_LE(CellMeanDifference(shown, exact), c.tolerance);
        // The still: full size, bottom row first.
        const std::optional<GrabbedFrame> still = FrameFromSample(sample.get());
        ASSERT_TRUE(still);
        ASSERT_EQ(still->format.width, 1280);
        const QImage stillImage =
            QImage(still->bytes.data(), 1280, 720, 1280 * 3, QImage::Format_BGR888)
                .mirrored()
                .convertToFormat(QImage::Format_RGB32);
        EXPECT_LE(CellMeanDifference(stillImage, exact, 64, 36), c.tolerance);
        if (!c.fullRange && c.kr == 0.299) {
            // A camera's usual YUY2 against today's conversion.
            const QImage reference =
                GstDecoded(sample.get(), "videoconvert ! video/x-raw,format=BGRx");
            EXPECT_LE(CellMeanDifference(shown, reference), 6);
        }
    }
}

TEST_F(CameraFrameTest, CutOrCorruptFramesGiveNothing) {
    PreviewDecoder decoder;
    std::vector<QByteArray> broken = {jpeg.left(jpeg.size() / 2), jpeg.left(600),
                                      QByteArray(20000, '\x5a'), QByteArray()};
    QByteArray flipped = jpeg;
    for (qsizetype i = jpeg.size() / 3; i < jpeg.size() / 3 + 64; ++i) {
        flipped[i] = char(~flipped[i]);
    }
    broken.push_back(flipped);
    QByteArray otherSize = CameraJpeg(TestPicture(QSize(64, 48)));
    broken.push_back(otherSize); // not the size the caps give
    for (const QByteArray& frame : broken) {
        const GstSamplePtr sample = JpegSample(frame, picture.size());
        EXPECT_TRUE(decoder.Decode(sample.get(), QSize(640, 480)).isNull()) << frame.size();
        EXPECT_FALSE(FrameFromSample(sample.get())) << frame.size();
    }
    // A YUY2 buffer shorter than its caps say.
    GstSamplePtr yuy2 = Yuy2Sample(picture, "bt601");
    gst_buffer_resize(gst_sample_get_buffer(yuy2.get()), 0, 1000);
    EXPECT_TRUE(decoder.Decode(yuy2.get(), QSize(640, 480)).isNull());
    EXPECT_FALSE(FrameFromSample(yuy2.get()));
    // Stray bytes before the end marker, which many cameras send, are no corruption.
    QByteArray padded = jpeg;
    padded.insert(padded.size() - 2, QByteArray(3, '\0'));
    EXPECT_FALSE(
        decoder.Decode(JpegSample(padded, picture.size()).get(), QSize(640, 480)).isNull());
}

TEST_F(CameraFrameTest, MjpegStillIsTheFullDecodeBottomUpWithPaddedRows) {
    // 101 pixels wide: 303 bytes of pixels and one of padding a row.
    const QImage odd = TestPicture(QSize(101, 75), 7);
    const QByteArray frame = CameraJpeg(odd, 95);
    const std::optional<GrabbedFrame> still = FrameFromSample(JpegSample(frame, odd.size()).get());
    ASSERT_TRUE(still);
    EXPECT_EQ(still->format.width, 101);
    EXPECT_EQ(still->format.height, 75);
    EXPECT_EQ(still->format.bitCount, 24);
    EXPECT_EQ(still->format.imageSize, 304 * 75);
    ASSERT_EQ(still->bytes.size(), size_t(304 * 75));
    // Qt's own JPEG reader (libjpeg, accurate DCT) is the full decode.
    const QImage full = QImage::fromData(frame, "JPEG").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(full.size(), odd.size());
    EXPECT_LE(GrabbedFrameDifference(*still, full), 1);
    for (int row = 0; row < 75; ++row) {
        EXPECT_EQ(still->bytes[size_t(row) * 304 + 303], 0) << row;
    }
}

} // namespace
