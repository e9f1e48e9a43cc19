#include "platform/video/CapsParsing.h"
#include "platform/CameraFixtures.h"

#include <gtest/gtest.h>
#include <string>

#include <algorithm>

namespace {

VideoCapability Cap(const char* format, int width, int height, QList<Fraction> rates = {}) {
    return {QString::fromLatin1(format), width, height, rates};
}

QStringList Describe(const QList<VideoCapability>& caps) {
    QStringList out;
    for (const VideoCapability& cap : caps) {
        out.append(CapabilityToString(cap));
    }
    return out;
}

// Capabilities as a set, for listings whose order differs between tools.
QStringList Sorted(const QList<VideoCapability>& caps) {
    QStringList out = Describe(caps);
    out.sort();
    return out;
}

struct ParseCase {
    const char* label;
    const char* caps;
    QList<VideoCapability> expected;
};

void PrintTo(const ParseCase& c, std::ostream* out) {
    *out << c.label;
}

class CapsParsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(CapsParsing, GivesFormatSizeAndRates) {
    const ParseCase& c = GetParam();
    EXPECT_EQ(Describe(CapabilitiesFromCapsString(QString::fromLatin1(c.caps))),
              Describe(c.expected))
        << c.caps;
}

INSTANTIATE_TEST_SUITE_P(
    Names, CapsParsing,
    ::testing::Values(
        ParseCase{"yuy2",
                  "video/x-raw, format=YUY2, width=640, height=480, framerate=30/1",
                  {Cap("YUY2", 640, 480, {{30, 1}})}},
        ParseCase{"jpeg",
                  "image/jpeg, width=1280, height=720, framerate=(fraction)30/1",
                  {Cap("MJPG", 1280, 720, {{30, 1}})}},
        ParseCase{"h264",
                  "video/x-h264, stream-format=(string)byte-stream, alignment=(string)au, "
                  "width=(int)1920, height=(int)1080, framerate=(fraction)25/1",
                  {Cap("H264", 1920, 1080, {{25, 1}})}},
        ParseCase{"otherRaw",
                  "video/x-raw, format=NV12, width=1280, height=720; "
                  "video/x-raw, format=I420, width=320, height=240; "
                  "video/x-raw, format=RGB, width=160, height=120; "
                  "video/x-raw, format=BGR, width=160, height=120; "
                  "video/x-raw, format=GRAY8, width=640, height=480",
                  {Cap("NV12", 1280, 720), Cap("I420", 320, 240), Cap("RGB", 160, 120),
                   Cap("BGR", 160, 120), Cap("GRAY8", 640, 480)}}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Rates, CapsParsing,
    ::testing::Values(
        ParseCase{"fraction",
                  "image/jpeg, width=640, height=480, framerate=15/2",
                  {Cap("MJPG", 640, 480, {{15, 2}})}},
        ParseCase{"listWithDuplicates",
                  "image/jpeg, width=640, height=480, framerate={ 5/1, 30/1, 15/1, 30/1 }",
                  {Cap("MJPG", 640, 480, {{30, 1}, {15, 1}, {5, 1}})}},
        ParseCase{"range",
                  "video/x-raw, format=YUY2, width=640, height=480, framerate=[ 5/1, 30/1 ]",
                  {Cap("YUY2", 640, 480, {{30, 1}, {5, 1}})}},
        ParseCase{
            "none", "video/x-raw, format=YUY2, width=640, height=480", {Cap("YUY2", 640, 480)}}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Skipped, CapsParsing,
    ::testing::Values(
        ParseCase{"sizeRange", "video/x-raw, format=YUY2, width=[ 16, 1920 ], height=480", {}},
        ParseCase{"heightList", "image/jpeg, width=640, height={ 480, 360 }", {}},
        ParseCase{"audio", "audio/x-raw, format=S16LE, rate=48000, channels=2", {}},
        ParseCase{"rawWithoutFormat", "video/x-raw, width=640, height=480", {}},
        ParseCase{"rawFormatList", "video/x-raw, format={ YUY2, NV12 }, width=640, height=480", {}},
        ParseCase{"dmabuf", "video/x-raw(memory:DMABuf), format=NV12, width=640, height=480", {}},
        ParseCase{"bayer", "video/x-bayer, format=bggr, width=640, height=480", {}},
        ParseCase{"zeroSize", "image/jpeg, width=0, height=480", {}}, ParseCase{"any", "ANY", {}},
        ParseCase{"empty", "EMPTY", {}}, ParseCase{"notCaps", "this is ; not , = caps", {}},
        ParseCase{"onlyGoodKept",
                  "audio/x-raw, rate=8000; video/x-raw, format=YUY2, width=[ 1, 100 ], "
                  "height=100; image/jpeg, width=320, height=240, framerate=30/1",
                  {Cap("MJPG", 320, 240, {{30, 1}})}}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Merged, CapsParsing,
    ::testing::Values(ParseCase{
        "sameSizeUnitedInFirstPlace",
        "video/x-raw, format=YUY2, width=640, height=480, framerate=15/1; "
        "image/jpeg, width=640, height=480, framerate=30/1; "
        "video/x-raw, format=YUY2, width=640, height=480, framerate={ 30/1, 15/1 }; "
        "video/x-raw, format=YUY2, width=320, height=240",
        {Cap("YUY2", 640, 480, {{30, 1}, {15, 1}}), Cap("MJPG", 640, 480, {{30, 1}}),
         Cap("YUY2", 320, 240)}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CapsParsingNull, NullCapsGiveNothing) {
    EXPECT_TRUE(CapabilitiesFromCaps(nullptr).isEmpty());
}

// Firmware that lists a size twice and an interval twice must not show the size twice.
TEST(CapsParsingFixtures, DuplicateEntriesAreMerged) {
    const QString arducam =
        CameraFixtures::CapsFromV4l2Formats("formats-usb-2.0-camera-arducam-duplicate-entries.txt");
    ASSERT_FALSE(arducam.isEmpty());
    EXPECT_EQ(Describe(CapabilitiesFromCapsString(arducam)),
              QStringList({"MJPG 1920x1080 30/1", "MJPG 1280x720 30/1", "MJPG 640x480 30/1",
                           "MJPG 320x240 30/1", "YUY2 640x480 30/1", "YUY2 320x240 30/1"}));

    const QString orbbec = CameraFixtures::CapsFromV4l2Formats(
        "formats-orbbec-astra-stereo-s-u3-color-duplicate-intervals.txt");
    const QList<VideoCapability> caps = CapabilitiesFromCapsString(orbbec);
    const auto count = [&](const char* format) {
        return std::count_if(caps.begin(), caps.end(), [&](const VideoCapability& cap) {
            return cap.SameFormat(Cap(format, 640, 480));
        });
    };
    EXPECT_EQ(count("MJPG"), 1);
    EXPECT_EQ(count("YUY2"), 1);
    ASSERT_FALSE(caps.isEmpty());
    EXPECT_EQ(CapabilityToString(caps.first()), "MJPG 640x480 60/1 30/1 25/1 20/1 15/1 10/1 5/1");
}

// The same ELP camera listed by v4l2src and by v4l2-ctl must give the same capabilities.
TEST(CapsParsingFixtures, V4l2srcCapsMatchTheV4l2Listing) {
    const QList<VideoCapability> fromGst = CapabilitiesFromCapsString(
        CameraFixtures::ReadText("extra-v4l2src-caps-hd-usb-camera-elp-4k.txt"));
    const QList<VideoCapability> fromV4l2 = CapabilitiesFromCapsString(
        CameraFixtures::CapsFromV4l2Formats("formats-hd-usb-camera-elp-4k-many-sizes.txt"));
    EXPECT_EQ(fromGst.size(), 22);
    EXPECT_EQ(Sorted(fromGst), Sorted(fromV4l2));
}

struct RoundTrip {
    VideoCapability cap;
    const char* mediaType;
};

void PrintTo(const RoundTrip& c, std::ostream* out) {
    *out << CapabilityToString(c.cap).toStdString();
}

class CapsRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(CapsRoundTrip, FilterCapsReadBackAsTheCapability) {
    const VideoCapability& cap = GetParam().cap;
    for (const bool withRate : {true, false}) {
        GstCaps* caps = CapsForCapability(cap, withRate);
        ASSERT_NE(caps, nullptr);
        EXPECT_TRUE(gst_caps_is_fixed(caps));
        EXPECT_STREQ(gst_structure_get_name(gst_caps_get_structure(caps, 0)), GetParam().mediaType);
        VideoCapability expected = cap;
        expected.frameRates =
            withRate ? QList<Fraction>{*HighestFrameRate(cap)} : QList<Fraction>{};
        EXPECT_EQ(Describe(CapabilitiesFromCaps(caps)), Describe({expected}))
            << "withRate " << withRate;
        gst_caps_unref(caps);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CapsRoundTrip,
    ::testing::Values(RoundTrip{Cap("YUY2", 640, 480, {{15, 1}, {30, 1}, {5, 1}}), "video/x-raw"},
                      RoundTrip{Cap("MJPG", 1920, 1080, {{30, 1}, {25, 1}}), "image/jpeg"},
                      RoundTrip{Cap("NV12", 1280, 720, {{60, 1}}), "video/x-raw"},
                      RoundTrip{Cap("H264", 1280, 720, {{30, 1}}), "video/x-h264"}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(CapsForCapability, RefusesWhatNoCapsfilterCouldSelect) {
    for (const VideoCapability& cap :
         {Cap("", 640, 480), Cap("FOO", 640, 480), Cap("YUY2", 0, 480), Cap("MJPG", 640, -1)}) {
        GstCaps* caps = CapsForCapability(cap, true);
        EXPECT_EQ(caps, nullptr) << CapabilityToString(cap).toStdString();
        if (caps) {
            gst_caps_unref(caps);
        }
    }
}

TEST(CapsForCapability, WithoutAnyRateHasNoFramerate) {
    GstCaps* caps = CapsForCapability(Cap("MJPG", 640, 480), true);
    ASSERT_NE(caps, nullptr);
    EXPECT_FALSE(gst_structure_has_field(gst_caps_get_structure(caps, 0), "framerate"));
    gst_caps_unref(caps);
}

TEST(IsDisplayable, ShowsRawAndJpegButNotEncodedVideo) {
    const struct {
        VideoCapability cap;
        bool displayable;
    } cases[] = {
        {Cap("YUY2", 640, 480), true},    {Cap("MJPG", 1920, 1080), true},
        {Cap("NV12", 640, 480), true},    {Cap("GRAY8", 640, 480), true},
        {Cap("BGR", 640, 480), true},     {Cap("H264", 1920, 1080), false},
        {Cap("HEVC", 1920, 1080), false}, {Cap("FOO", 640, 480), false},
        {Cap("YUY2", 0, 0), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsDisplayable(c.cap), c.displayable) << CapabilityToString(c.cap).toStdString();
    }
}

} // namespace
