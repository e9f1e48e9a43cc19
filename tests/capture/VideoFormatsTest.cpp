#include "capture/VideoFormats.h"
#include "platform/CameraFixtures.h"
#include "platform/video/CapsParsing.h"
#include "platform/video/GstHandles.h"

#include <gtest/gtest.h>

namespace {

// ---- The format the format step offers for a stored size ---------------------------------

QList<VideoCapability> FixtureCaps(const char* file) {
    return CapabilitiesFromCapsString(CameraFixtures::CapsFromV4l2Formats(QLatin1String(file)));
}

VideoCapability Cap(const QString& text) {
    // "MJPG 1280x720"
    const QStringList parts = text.split(QLatin1Char(' '));
    const QStringList size = parts.value(1).split(QLatin1Char('x'));
    return {parts.value(0), size.value(0).toInt(), size.value(1).toInt(), {}};
}

QString Name(const VideoCapability& cap) {
    return QStringLiteral("%1 %2x%3").arg(cap.format).arg(cap.width).arg(cap.height);
}

struct OfferCase {
    const char* fixture; // a real camera's listing, or nullptr for `inline`
    const char* current;
    int width;
    int height;
    const char* offered;
    bool cameraHasIt; // false: the camera refuses it and keeps its format
};

TEST(FormatToOffer, RealCamerasFormatLists) {
    const OfferCase cases[] = {
        // The first format as wide as asked, with the height asked.
        {"formats-hp-w300-webcam-mjpg-yuyv-many-sizes.txt", "YUY2 640x480", 1280, 720,
         "MJPG 1280x720", true},
        {"formats-hp-w300-webcam-mjpg-yuyv-many-sizes.txt", "MJPG 1920x1080", 640, 360,
         "MJPG 640x360", true},
        {"formats-orbbec-astra-stereo-s-u3-color-duplicate-intervals.txt", "YUY2 640x480", 320, 240,
         "MJPG 320x240", true},
        {"formats-usb-2.0-camera-arducam-duplicate-entries.txt", "MJPG 1920x1080", 640, 480,
         "MJPG 640x480", true},
        // A camera that already has the size keeps its pixel format.
        {"formats-hp-w300-webcam-mjpg-yuyv-many-sizes.txt", "YUY2 640x480", 640, 480,
         "YUY2 640x480", true},
        // Sizes the camera does not have: 1280 wide it has only 1280 x 480; nothing 640 wide.
        {"formats-3d-usb-camera-elp-stereo-mjpg-yuyv.txt", "YUY2 640x240", 1280, 720,
         "MJPG 1280x720", false},
        {"formats-old-layout-vimicro-usb-camera-altair-yuyv-only.txt", "YUY2 320x240", 640, 480,
         "YUY2 640x480", false},
    };
    for (const OfferCase& c : cases) {
        const QList<VideoCapability> caps = FixtureCaps(c.fixture);
        ASSERT_FALSE(caps.isEmpty()) << c.fixture;
        const VideoCapability offer =
            FormatToOffer(caps, Cap(QLatin1String(c.current)), c.width, c.height);
        EXPECT_EQ(Name(offer), QLatin1String(c.offered)) << c.fixture << " " << c.width;
        const bool listed = std::any_of(caps.begin(), caps.end(), [&](const VideoCapability& cap) {
            return cap.SameFormat(offer);
        });
        EXPECT_EQ(listed, c.cameraHasIt) << c.fixture << " " << c.width;
    }
}

TEST(FormatToOffer, AnotherPixelFormatOfExactlyThatSizeIsTakenBeforeARefusal) {
    const QList<VideoCapability> caps = {Cap("YUY2 640x480"), Cap("MJPG 640x360")};
    EXPECT_EQ(Name(FormatToOffer(caps, caps[0], 640, 360)), QStringLiteral("MJPG 640x360"));
}

// ---- The media-type dump ----------------------------------------------------------------

TEST(DumpMediaType, LinesOfAYuy2Format) {
    ASSERT_TRUE(EnsureGstInit());
    GstCapsPtr caps(
        gst_caps_from_string("video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, "
                             "framerate=(fraction){ 15/1, 30/1 }"));
    const std::optional<MediaType> type = MediaTypeFromCaps(caps.get());
    ASSERT_TRUE(type);
    EXPECT_EQ(MediaTypeLines(*type, "StartVideo"), (QStringList{"DumpMediaType:: StartVideo",
                                                                "  majortype=MEDIATYPE_Video",
                                                                "  subtype=MEDIASUBTYPE_YUY2",
                                                                "  bFixedSizeSamples=YES",
                                                                "  bTemporalCompression=NO",
                                                                "  lSampleSize=614400",
                                                                "  formattype=FORMAT_VideoInfo",
                                                                "  cbFormat=88",
                                                                "  rcSource=(0,0) - (0,0)",
                                                                "  rcTarget=(0,0) - (0,0)",
                                                                "  dwBitRate=147456000",
                                                                "  dwBitErrorRate=0",
                                                                "  AvgTimePerFrame=333333",
                                                                "  biSize=40",
                                                                "  biWidth=640",
                                                                "  biHeight=480",
                                                                "  biPlanes=1",
                                                                "  biBitCount=16",
                                                                "  biCompression=844715353",
                                                                "  biSizeImage=614400",
                                                                "  biXPelsPerMeter=0",
                                                                "  biYPelsPerMeter=0",
                                                                "  biClrUsed=0",
                                                                "  biClrImportant=0"}));
}

TEST(DumpMediaType, MjpgAndRgbFormats) {
    ASSERT_TRUE(EnsureGstInit());
    const struct {
        const char* caps;
        QStringList lines;
    } cases[] = {
        {"image/jpeg, width=(int)1280, height=(int)720, framerate=(fraction)15/2",
         {"  subtype=???", "  bFixedSizeSamples=NO", "  lSampleSize=0", "  biBitCount=24",
          "  biCompression=1196444237", "  biSizeImage=2764800", "  AvgTimePerFrame=1333333"}},
        // Rows padded to 4 bytes; no frame rate gives no frame duration.
        {"video/x-raw, format=(string)BGR, width=(int)642, height=(int)481",
         {"  subtype=MEDIASUBTYPE_RGB24", "  biBitCount=24", "  biCompression=0",
          "  biSizeImage=927368", "  AvgTimePerFrame=0"}},
    };
    for (const auto& c : cases) {
        GstCapsPtr caps(gst_caps_from_string(c.caps));
        const std::optional<MediaType> type = MediaTypeFromCaps(caps.get());
        ASSERT_TRUE(type) << c.caps;
        const QStringList lines = MediaTypeLines(*type, "OpenVideoFormatDlg");
        for (const QString& line : c.lines) {
            EXPECT_TRUE(lines.contains(line)) << c.caps << ": " << line.toStdString();
        }
    }
    GstCapsPtr audio(gst_caps_from_string("audio/x-raw, rate=(int)8000"));
    EXPECT_FALSE(MediaTypeFromCaps(audio.get()));
}

} // namespace
