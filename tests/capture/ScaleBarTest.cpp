#include "capture/ScaleBar.h"
#include "capture/CameraCalibrations.h"
#include "capture/FrameResample.h"
#include "capture/OverlaySettings.h"
#include "capture/PictureCalibration.h"
#include "platform/profile/Profile.h"
#include "platform/profile/ProfileBatch.h"
#include "support/TempEnvironment.h"

#include <QFile>
#include <array>
#include <cmath>
#include <gtest/gtest.h>

namespace {

struct BarCase {
    double micrometresPerPixel;
    double width;
    double micrometres;
    const char* label;
    double pixels;
};

TEST(ScaleBar, RoundLengthNearestToAFifthOfTheWidth) {
    const BarCase cases[] = {
        {1.0, 640, 100, "100 µm", 100},     // a fifth is 128 µm: 100 is 1.28 below, 200 1.56 above
        {0.5, 640, 50, "50 µm", 100},       // 64 µm
        {3.3, 640, 500, "500 µm", 151.515}, // 422 µm
        {2.5, 1920, 1000, "1 mm", 400},     // 960 µm
        {10, 1920, 5000, "5 mm", 500},      // 3840 µm: 5 mm is 1.30 above, 2 mm 1.92 below
        {100, 1000, 20000, "20 mm", 200},   // 20 mm exactly
        {0.01, 640, 1, "1 µm", 100},        // 1.28 µm
        {0.002, 640, 0.2, "0.2 µm", 100},   // 0.256 µm
        {0.0007, 640, 0.1, "0.1 µm", 142.857},
        {1.0, 1550, 200, "200 µm", 200}, // 310 µm: 200 is 1.55 below, 500 1.61 above
        {1.0, 1600, 500, "500 µm", 500}, // 320 µm: 500 is 1.5625 above, 200 1.6 below
    };
    for (const BarCase& c : cases) {
        const std::optional<ScaleBar> bar = ChooseScaleBar(c.micrometresPerPixel, c.width);
        ASSERT_TRUE(bar) << c.micrometresPerPixel << " " << c.width;
        EXPECT_DOUBLE_EQ(bar->micrometres, c.micrometres) << c.label;
        EXPECT_EQ(bar->label, QString::fromUtf8(c.label));
        EXPECT_NEAR(bar->pixels, c.pixels, 0.001) << c.label;
    }
    // Over six decades: always 1, 2 or 5 times a power of ten, and within the ratio the gaps
    // between those allow (2 to 5 is the widest: sqrt(2.5)) of a fifth of the width.
    for (double perPixel = 0.001; perPixel < 1000; perPixel *= 1.0173) {
        const std::optional<ScaleBar> bar = ChooseScaleBar(perPixel, 640);
        ASSERT_TRUE(bar);
        const double mantissa =
            bar->micrometres / std::pow(10, std::floor(std::log10(bar->micrometres) + 1e-9));
        EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 ||
                    std::abs(mantissa - 5) < 1e-9)
            << bar->micrometres;
        EXPECT_LE(std::abs(std::log(bar->pixels / 128)), std::log(std::sqrt(2.5)) + 1e-9)
            << perPixel;
    }
    for (double bad : {0.0, -1.0, double(NAN), double(INFINITY)}) {
        EXPECT_FALSE(ChooseScaleBar(bad, 640));
        EXPECT_FALSE(ChooseScaleBar(1, bad));
    }
}

// The same optics at another capture size, and a still's own pixels: its rows are resampled to
// 4:3, its width kept.
TEST(ScaleBar, CalibrationAt1280x720UsedAt1920x1080AndInItsPictures) {
    // 1 mm between two marks 400 pixels apart in a 1280 x 720 frame.
    const std::optional<Calibration> calibration =
        MeasuredCalibration(QStringLiteral(" 200× "), 1000, 400, QSize(1280, 720));
    ASSERT_TRUE(calibration);
    EXPECT_EQ(calibration->name, QStringLiteral("200×"));
    EXPECT_DOUBLE_EQ(calibration->MicrometresPerPixelAt(1280), 2.5);
    EXPECT_DOUBLE_EQ(calibration->MicrometresPerPixelAt(1920), 2.5 * 1280 / 1920);
    EXPECT_DOUBLE_EQ(calibration->MicrometresPerPixelAt(640), 5.0);

    // A 1920 x 1080 frame becomes a 1920 x 1440 picture: a pixel of it spans 1080 / 1440 of a
    // frame pixel downwards.
    const PictureCalibration wide =
        CalibrationOfPicture(*calibration, QSize(1920, 1080), QSize(1920, 1440));
    EXPECT_DOUBLE_EQ(wide.micrometresPerPixelX, 5.0 / 3);
    EXPECT_DOUBLE_EQ(wide.micrometresPerPixelY, 1.25);
    // Shown 640 wide, a pixel of the picture shown covers 3 of its pixels.
    EXPECT_DOUBLE_EQ(wide.MicrometresPerShownPixel(640), 5.0);
    const PictureCalibration square =
        CalibrationOfPicture(*calibration, QSize(640, 480), QSize(640, 480));
    EXPECT_DOUBLE_EQ(square.micrometresPerPixelX, 5.0);
    EXPECT_DOUBLE_EQ(square.micrometresPerPixelY, 5.0);

    EXPECT_FALSE(MeasuredCalibration(QStringLiteral("x"), 1000, 0, QSize(1280, 720)));
    EXPECT_FALSE(MeasuredCalibration(QStringLiteral("x"), -1, 400, QSize(1280, 720)));
    EXPECT_FALSE(MeasuredCalibration(QStringLiteral("  "), 1000, 400, QSize(1280, 720)));
    EXPECT_FALSE(MeasuredCalibration(QStringLiteral("x"), 1000, 400, QSize()));
}

// The keys the Windows version reads, looked up by its rules (first section of that name,
// letter case ignored), before and after the new sections are written.
QStringList OldKeys(const QString& path, const QString& camera) {
    QStringList values;
    const QList<std::pair<QString, QStringList>> sections = {
        {QStringLiteral("LoadIniFile"), {QStringLiteral("date")}},
        {QStringLiteral("CAPTURE"),
         {QStringLiteral("SAVE_FOLDER"), QStringLiteral("COMP_FOLDER"),
          QStringLiteral("MOVIE_FOLDER"), QStringLiteral("TITLE_BAR"), QStringLiteral("DONT_ASK"),
          QStringLiteral("KEEP_ASPECT"), QStringLiteral("SHOW_COMMENT")}},
        {QStringLiteral("VideoDevice"), {QStringLiteral("Name")}},
        {camera, {QStringLiteral("Width"), QStringLiteral("Height"), QStringLiteral("Brightness")}},
        {QStringLiteral("USBProperty"),
         {QStringLiteral("device"), QStringLiteral("Brightness"), QStringLiteral("Hue")}},
    };
    for (const auto& [section, keys] : sections) {
        for (const QString& key : keys) {
            values << GetPrivateProfileString(section, key, QStringLiteral("<none>"), path);
        }
    }
    return values;
}

TEST(ScaleBar, CalibrationsKeptBesideTheWindowsVersionsSettings) {
    TempEnvironment env;
    ASSERT_TRUE(env.ok());
    const QString settings = env.work() + QStringLiteral("/VELDOR.ini");
    const QString picture = env.work() + QStringLiteral("/20240517134559.ini");
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELDOR_FIXTURES "/ini/windows-cp932.ini"), settings));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELDOR_FIXTURES "/ini/picture-settings.ini"), picture));
    const QString camera = QStringLiteral("顕微鏡カメラ ｿﾌﾄ");
    const QStringList before = OldKeys(settings, camera) + OldKeys(picture, camera);
    ASSERT_EQ(before[9], QStringLiteral("1280")); // the camera's section reads, in code page 932

    // Files of the Windows version have none of the new sections.
    EXPECT_TRUE(CameraCalibrations::Load(settings, camera).List().isEmpty());
    EXPECT_FALSE(ReadPictureCalibration(picture));
    const OverlaySettings defaults = OverlaySettings::Load(settings);
    EXPECT_TRUE(defaults.scaleBar);
    EXPECT_FALSE(defaults.scaleBarInPictures);
    EXPECT_FALSE(defaults.focusMeter);

    CameraCalibrations calibrations;
    ASSERT_TRUE(
        calibrations.Put(*MeasuredCalibration(QStringLiteral("50×"), 100, 250, QSize(1280, 960))));
    ASSERT_TRUE(calibrations.Put(
        *MeasuredCalibration(QStringLiteral("200×"), 1000, 400, QSize(1280, 720))));
    // Made again under the same name, it takes the old one's place and becomes current.
    ASSERT_TRUE(
        calibrations.Put(*MeasuredCalibration(QStringLiteral("50×"), 100, 200, QSize(1280, 960))));
    EXPECT_FALSE(calibrations.Put(*MeasuredCalibration(QStringLiteral("a\nb"), 1, 1, QSize(1, 1))));
    ASSERT_TRUE(calibrations.Save(settings, camera));
    OverlaySettings chosen;
    chosen.scaleBarInPictures = true;
    chosen.focusMeter = true;
    ASSERT_TRUE(chosen.Save(settings));
    ProfileBatch batch(picture);
    ASSERT_TRUE(WritePictureCalibration(
        batch, CalibrationOfPicture(calibrations.List()[1], QSize(1280, 720), QSize(1280, 960))));
    ASSERT_TRUE(batch.Commit());

    EXPECT_EQ(OldKeys(settings, camera) + OldKeys(picture, camera), before);

    const CameraCalibrations read = CameraCalibrations::Load(settings, camera);
    ASSERT_EQ(read.List().size(), 2);
    ASSERT_NE(read.Current(), nullptr);
    EXPECT_EQ(read.Current()->name, QStringLiteral("50×"));
    EXPECT_DOUBLE_EQ(read.Current()->micrometresPerPixel, 0.5);
    EXPECT_EQ(read.List()[1].size, QSize(1280, 720));
    EXPECT_TRUE(
        CameraCalibrations::Load(settings, QStringLiteral("Other camera")).List().isEmpty());
    const OverlaySettings reread = OverlaySettings::Load(settings);
    EXPECT_TRUE(reread.scaleBar && reread.scaleBarInPictures && reread.focusMeter);
    const std::optional<PictureCalibration> own = ReadPictureCalibration(picture);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->name, QStringLiteral("200×"));
    EXPECT_DOUBLE_EQ(own->micrometresPerPixelX, 2.5);
    EXPECT_DOUBLE_EQ(own->micrometresPerPixelY, 1.875);
    EXPECT_EQ(own->size, QSize(1280, 960));

    // A damaged entry is left out, the others still read.
    ASSERT_TRUE(WritePrivateProfileString(CameraCalibrations::SectionOf(camera),
                                          QStringLiteral("MicrometresPerPixel1"),
                                          QStringLiteral("lots"), settings));
    const CameraCalibrations damaged = CameraCalibrations::Load(settings, camera);
    ASSERT_EQ(damaged.List().size(), 1);
    EXPECT_EQ(damaged.List()[0].name, QStringLiteral("200×"));
    EXPECT_EQ(damaged.Current(), nullptr);
}

// A picture is stored bottom row first; its bar belongs in its lower right corner.
TEST(ScaleBar, BurnedIntoAStillsLowerRightCorner) {
    Picture43 picture;
    picture.width = 1280;
    picture.height = 960;
    const int stride = FrameStride(1280, 24);
    picture.pixels.assign(size_t(stride) * 960, 128);
    ASSERT_TRUE(BurnScaleBar(picture, 2.5)); // a fifth is 640 µm: 500 µm, 200 pixels
    auto pixel = [&](int x, int yFromTop) {
        const unsigned char* p =
            picture.pixels.data() + size_t(959 - yFromTop) * stride + size_t(x) * 3;
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    // The longest run of white along any row of the lower right quarter is the bar.
    int longest = 0;
    for (int y = 480; y < 960; ++y) {
        int run = 0;
        for (int x = 640; x < 1280; ++x) {
            run = pixel(x, y) == std::array<int, 3>{255, 255, 255} ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    EXPECT_NEAR(longest, 200, 1);
    // The rest of the picture is as it was.
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 1280; x += 7) {
            ASSERT_EQ(pixel(x, y), (std::array<int, 3>{128, 128, 128})) << x << "," << y;
        }
    }
    EXPECT_FALSE(BurnScaleBar(picture, 0));
}

} // namespace
