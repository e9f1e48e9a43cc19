#include "capture/CameraCalibrations.h"
#include "capture/VideoOutput.h"
#include "library/ImageList.h"
#include "platform/profile/Profile.h"
#include "support/Eventually.h"
#include "support/MainWindowFixture.h"
#include "support/PictureFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTest>
#include <QTimer>

namespace {

// The longest run of near-white pixels along a row of rect: the scale bar, on a black picture.
int LongestWhiteRun(const QImage& image, const QRect& rect) {
    int longest = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        int run = 0;
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            run = qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    return longest;
}

// The lower right quarter of a rectangle, where the bar is drawn.
QRect LowerRight(const QRect& r) {
    return QRect(r.center(), r.bottomRight());
}

class ScaleBarTest : public MainWindowFixture {
protected:
    // A 1280 x 720 camera of black frames.
    void StartCamera() {
        const QString file = env.root() + QStringLiteral("/cameras.json");
        ASSERT_TRUE(TempEnvironment::writeFile(
            file, R"([{"name": "Orvane Q7", "pattern": "black", "controls": ["Brightness"],
                       "formats": [{"format": "YUY2", "width": 1280, "height": 720}]}])"));
        env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
        ASSERT_TRUE(StartAndShow());
        ASSERT_TRUE(WaitForLiveFrames());
    }
    // Right-clicks the live video and chooses the entry of that text.
    void ChooseFromMenu(const QString& text) {
        const qsizetype menus = prompts.menus.size();
        prompts.onMenu = [text](const QList<MenuItem>& items) -> std::optional<int> {
            for (int i = 0; i < items.size(); ++i) {
                if (items[i].text == text) {
                    return i;
                }
            }
            return std::nullopt;
        };
        QTest::mouseClick(LiveOutput(), Qt::RightButton, {}, QPoint(320, 240));
        ASSERT_EVENTUALLY(prompts.menus.size() == menus + 1);
    }
    QStringList Pictures() const {
        return QDir(dlg->m_saveFolder)
            .entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    }
};

TEST_F(ScaleBarTest, CalibratedOnTheLiveVideoPicturesCarryItAndTheBarGoesIntoThemWhenChosen) {
    StartCamera();
    VideoOutput* output = LiveOutput();
    ASSERT_EQ(output, dlg->m_videoOutput);

    ChooseFromMenu(QStringLiteral("Calibrate…"));
    QStringList texts;
    for (const MenuItem& item : prompts.menus.first()) {
        texts << (item.separator
                      ? QStringLiteral("-")
                      : item.text + (item.checked ? "*" : "") + (item.enabled ? "" : "!"));
    }
    EXPECT_EQ(texts, (QStringList{"Scale bar*", "Calibrate…", "-", "(no calibration)!", "-",
                                  "Scale bar in saved pictures", "Focus meter"}));
    ASSERT_TRUE(output->Measuring());

    // 320 of the box's 640 pixels across: 640 of the frame's 1280, the marks 1 mm apart.
    prompts.calibrations = {CalibrationInput{1, true, QStringLiteral("100×")}};
    QTest::mousePress(output, Qt::LeftButton, {}, QPoint(100, 200));
    QTest::mouseMove(output, QPoint(260, 200));
    QTest::mouseMove(output, QPoint(420, 200));
    QTest::mouseRelease(output, Qt::LeftButton, {}, QPoint(420, 200));
    ASSERT_EVENTUALLY(!output->Measuring());
    ASSERT_EQ(prompts.calibrationTexts.size(), 1);
    EXPECT_TRUE(prompts.calibrationTexts[0].prompt.contains("640.0 pixels"));
    EXPECT_TRUE(prompts.calibrationTexts[0].prompt.contains("1280 × 720"));

    const CameraCalibrations stored =
        CameraCalibrations::Load(dlg->m_iniPath, QStringLiteral("Orvane Q7"));
    ASSERT_NE(stored.Current(), nullptr);
    EXPECT_EQ(stored.Current()->name, QStringLiteral("100×"));
    EXPECT_DOUBLE_EQ(stored.Current()->micrometresPerPixel, 1.5625);
    // 3.125 µm per pixel of the box: a fifth of it is 400 µm, the bar 500 µm, 160 pixels.
    const QImage live = output->grab().toImage();
    EXPECT_NEAR(LongestWhiteRun(live, LowerRight(live.rect())), 160, 1);

    // A picture records the calibration for its 1280 x 960 pixels, without a bar in it.
    dlg->OnCapture();
    ASSERT_EQ(Pictures().size(), 1);
    const QString first = dlg->m_saveFolder + QLatin1Char('/') + Pictures()[0];
    const QString ini = ReplaceLastThree(first, "ini");
    auto key = [&](const char* name) {
        return GetPrivateProfileString(QStringLiteral("Calibration"), QLatin1String(name),
                                       QString(), ini);
    };
    EXPECT_EQ(key("Name"), QStringLiteral("100×"));
    EXPECT_EQ(key("MicrometresPerPixelX"), QStringLiteral("1.5625"));
    EXPECT_EQ(key("MicrometresPerPixelY"), QStringLiteral("1.171875"));
    EXPECT_EQ(key("Width"), QStringLiteral("1280"));
    EXPECT_EQ(key("Height"), QStringLiteral("960"));
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("USBProperty"), QStringLiteral("device"),
                                      QString(), ini),
              QStringLiteral("Orvane Q7"));
    const QImage plain = QImageReader(first).read();
    ASSERT_EQ(plain.size(), QSize(1280, 960));
    EXPECT_EQ(LongestWhiteRun(plain, LowerRight(plain.rect())), 0);

    ChooseFromMenu(QStringLiteral("Scale bar in saved pictures"));
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("OVERLAY"),
                                      QStringLiteral("SCALE_BAR_IN_PICTURES"), QString(),
                                      dlg->m_iniPath),
              QStringLiteral("TRUE"));
    dlg->OnCapture();
    ASSERT_EQ(Pictures().size(), 2);
    QStringList pictures = Pictures();
    pictures.removeAll(QFileInfo(first).fileName());
    ASSERT_EQ(pictures.size(), 1);
    const QImage burned = QImageReader(dlg->m_saveFolder + QLatin1Char('/') + pictures[0]).read();
    // 500 µm at 1.5625 µm per pixel.
    EXPECT_NEAR(LongestWhiteRun(burned, LowerRight(burned.rect())), 320, 3);
}

// Pictures taken at other zooms than the current one: each shows the bar of its own file.
TEST_F(ScaleBarTest, AShownPictureDrawsTheBarOfItsOwnFile) {
    StartCamera();
    dlg->m_calibrations.Put(
        *MeasuredCalibration(QStringLiteral("20×"), 1000, 50, QSize(1280, 720)));
    dlg->ApplyOverlays();
    const QString folder = dlg->m_saveFolder;
    auto add = [&](const char* name, double perPixel) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(name);
        ASSERT_TRUE(WritePicture(path, Qt::black, QSize(1280, 960)));
        QByteArray ini = "[USBProperty]\ndevice=Orvane Q7\n";
        if (perPixel > 0) {
            ini +=
                "[Calibration]\nName=zoom\nMicrometresPerPixelX=" + QByteArray::number(perPixel) +
                "\nMicrometresPerPixelY=1\nWidth=1280\n" + "Height=960\n";
        }
        ASSERT_TRUE(TempEnvironment::writeFile(ReplaceLastThree(path, "ini"), ini));
    };
    add("20261209000003.jpg", 1.5625);
    add("20261209000002.jpg", 2.5);
    add("20261209000001.jpg", 0);
    dlg->ResetImageList();
    const QRect area(190, 10, 640, 480);
    auto barOfSlot = [&](int slot) {
        dlg->OnImageAreaLeftClick(190 + 130 * slot + 60, 540);
        const QImage shown = dlg->grab().toImage();
        return LongestWhiteRun(shown, LowerRight(area));
    };
    // 1.5625 µm per pixel shown 640 wide: 500 µm, 160 pixels; 2.5: 500 µm, 100 pixels. The
    // current calibration would give 5 mm, 125 pixels.
    const QImage live = LiveOutput()->grab().toImage();
    EXPECT_NEAR(LongestWhiteRun(live, LowerRight(live.rect())), 125, 1);
    EXPECT_NEAR(barOfSlot(0), 160, 1);
    EXPECT_NEAR(barOfSlot(1), 100, 1);
    EXPECT_EQ(barOfSlot(2), 0);

    // The compare window, both sides from the same folder: 480 wide, 500 µm in 120 pixels on
    // the left, 500 µm in 75 pixels on the right.
    dlg->m_compFolder = folder;
    dlg->ResetImageList();
    QTimer::singleShot(0, dlg.get(), [&] {
        CCompDlg& comp = dlg->m_compDlg;
        comp.m_compStrip.SelectSlot(1);
        comp.ApplyViewState();
        const QImage both = comp.grab().toImage();
        EXPECT_NEAR(LongestWhiteRun(both, LowerRight(QRect(20, 30, 480, 360))), 120, 1);
        EXPECT_NEAR(LongestWhiteRun(both, LowerRight(QRect(524, 30, 480, 360))), 75, 1);
        comp.done(1);
    });
    dlg->OnCompView();
}

} // namespace
