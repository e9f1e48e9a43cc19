#include "app/ControlIds.h"
#include "capture/CameraProperty.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "library/ImageList.h"
#include "library/PictureDrawing.h"
#include "platform/video/SourceControls.h"
#include "support/MainWindowFixture.h"
#include "support/PictureFiles.h"
#include "support/PixelCounts.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QPainter>
#include <QTest>

namespace {

constexpr int kStripTop = 498;

int SlotLeft(int u) {
    return 190 + 130 * u;
}

bool Black(QRgb p) {
    return (p & 0xFFFFFF) == 0;
}

QRect CaptionBox(int u) {
    return QRect(SlotLeft(u), 598, 120, 20);
}

class ImageAreaTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(env.useCameras({QStringLiteral("Orvane Q7")}));
        // Showing a picture applies its stored camera values to the process-wide table.
        ResetSimulatedControls();
        ResetCameraProperties();
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        ResetSimulatedControls();
        ResetCameraProperties();
    }
    void StartIn(const QString& sub = QStringLiteral("pictures")) {
        ASSERT_TRUE(StartAndShow());
        dlg->m_saveFolder = env.root() + QLatin1Char('/') + sub;
        dlg->ResetImageList();
    }
    QString at(const QString& name) const { return dlg->m_saveFolder + QLatin1Char('/') + name; }
    QImage Shown() { return dlg->grab().toImage(); }
    void SelectSlot(int u) { dlg->OnImageAreaLeftClick(SlotLeft(u) + 60, kStripTop + 45); }
};

TEST_F(ImageAreaTest, SelectedSlotIsFramedAndShownLarge) {
    StartIn();
    const QColor colours[] = {Qt::darkCyan, Qt::green, Qt::blue};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(WritePicture(at(QStringLiteral("%1.jpg").arg(3 - i)), colours[i]));
    }
    dlg->ResetImageList();
    SelectSlot(1);
    const QImage image = Shown();
    EXPECT_FALSE(dlg->m_videoWindow->isVisibleTo(dlg.get()));
    EXPECT_TRUE(dlg->m_videoOutput->WantedSize().isEmpty()) << "no frame decoded behind it";
    EXPECT_EQ(dlg->m_viewState, 2);
    EXPECT_EQ(dlg->m_live, 0);
    for (const QPoint p :
         {QPoint(190, 10), QPoint(829, 10), QPoint(190, 489), QPoint(829, 489), QPoint(500, 250)}) {
        EXPECT_TRUE(NearColour(image.pixel(p), Qt::green)) << p.x() << "," << p.y();
    }
    for (const QPoint p : {QPoint(189, 250), QPoint(830, 250), QPoint(500, 9), QPoint(500, 490)}) {
        EXPECT_FALSE(NearColour(image.pixel(p), Qt::green)) << p.x() << "," << p.y();
    }
    // The dotted red frame runs along all four sides of slot 1 only.
    const int left = SlotLeft(1);
    EXPECT_GT(Count(image, QRect(left + 1, 498, 118, 3), PureRed), 30);
    EXPECT_GT(Count(image, QRect(left + 1, 586, 118, 3), PureRed), 30);
    EXPECT_GT(Count(image, QRect(left, 499, 3, 88), PureRed), 20);
    EXPECT_GT(Count(image, QRect(left + 117, 499, 3, 88), PureRed), 20);
    EXPECT_EQ(Count(image, QRect(left + 5, 505, 110, 78), PureRed), 0);
    for (int u : {0, 2, 3, 4}) {
        EXPECT_EQ(Count(image, QRect(SlotLeft(u), 497, 121, 93), PureRed), 0) << u;
    }
    // The strip's captions are the pictures' dates; past the end of the list there are none.
    EXPECT_GT(Count(image, CaptionBox(2), Dark), 5);
    EXPECT_EQ(Count(image, CaptionBox(3), White), 120 * 20);
    EXPECT_TRUE(dlg->GetDlgItem(IDC_DELETE_IMAGE)->isEnabled());
    EXPECT_TRUE(dlg->GetDlgItem(IDC_DONT_ASK)->isEnabled());
    EXPECT_FALSE(dlg->GetDlgItem(IDC_CAPTURE)->isEnabled());

    // A click on the picture goes back to the live video.
    dlg->OnImageAreaLeftClick(500, 250);
    EXPECT_EQ(dlg->m_viewState, 1);
    EXPECT_EQ(dlg->m_strip.selSlot(), -1);
    EXPECT_TRUE(dlg->m_videoWindow->isVisibleTo(dlg.get()));
    EXPECT_EQ(dlg->m_videoOutput->WantedSize(), QSize(640, 480) * dlg->devicePixelRatioF());
}

TEST_F(ImageAreaTest, APaintReadsNoFile) {
    StartIn();
    ASSERT_TRUE(WritePicture(at(QStringLiteral("b.jpg")), Qt::green));
    ASSERT_TRUE(WritePicture(at(QStringLiteral("a.jpg")), Qt::yellow, QSize(640, 480)));
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("a.txt")), QByteArray("abc\0", 4)));
    dlg->m_showComment = 1;
    dlg->UpdateData(false);
    dlg->ResetImageList();
    SelectSlot(1);
    const QImage shown = Shown();
    ASSERT_TRUE(Black(shown.pixel(280, 445)));
    // The captions, the picture and its comment were read when the picture was chosen, and the
    // pictures decoded by the first paint: with the folder gone the window looks the same.
    ASSERT_TRUE(QDir().rename(dlg->m_saveFolder, dlg->m_saveFolder + QStringLiteral("-gone")));
    EXPECT_EQ(Shown(), shown);
}

TEST_F(ImageAreaTest, EverySizeFillsThePictureArea) {
    StartIn();
    for (const QSize size : {QSize(1280, 720), QSize(1600, 1200), QSize(320, 240)}) {
        ASSERT_TRUE(WriteQuadrants(at(QStringLiteral("p.jpg")), size));
        dlg->ResetImageList();
        SelectSlot(0);
        const QImage image = Shown();
        const std::string what = std::to_string(size.width()) + "x" + std::to_string(size.height());
        EXPECT_TRUE(NearColour(image.pixel(191, 11), Qt::red)) << what;
        EXPECT_TRUE(NearColour(image.pixel(828, 11), Qt::green)) << what;
        EXPECT_TRUE(NearColour(image.pixel(191, 488), Qt::blue)) << what;
        EXPECT_TRUE(NearColour(image.pixel(828, 488), Qt::yellow)) << what;
        // The quadrants meet in the middle of the area: the picture is stretched, not fitted.
        EXPECT_TRUE(NearColour(image.pixel(505, 245), Qt::red)) << what;
        EXPECT_TRUE(NearColour(image.pixel(515, 255), Qt::yellow)) << what;
    }
}

TEST_F(ImageAreaTest, CommentBoxOnlyWhileCommentIsTicked) {
    StartIn();
    ASSERT_TRUE(WritePicture(at(QStringLiteral("a.jpg")), Qt::yellow, QSize(640, 480)));
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("a.txt")), QByteArray("abc\0", 4)));
    dlg->ResetImageList();
    SelectSlot(0);
    QImage image = Shown();
    EXPECT_EQ(dlg->m_commentPath, at(QStringLiteral("a.txt")));
    EXPECT_EQ(dlg->m_settingsPath, at(QStringLiteral("a.ini")));
    EXPECT_TRUE(NearColour(image.pixel(280, 445), Qt::yellow));
    EXPECT_EQ(Count(image, QRect(280, 430, 461, 31), Dark), 0);

    auto* comment = static_cast<QAbstractButton*>(dlg->GetDlgItem(IDC_SHOW_COMMENT));
    QTest::mouseClick(comment, Qt::LeftButton, {}, QPoint(5, comment->height() / 2));
    ASSERT_EQ(dlg->m_showComment, 1);
    image = Shown();
    for (const QPoint p :
         {QPoint(280, 445), QPoint(739, 445), QPoint(500, 430), QPoint(500, 459)}) {
        EXPECT_TRUE(Black(image.pixel(p))) << p.x() << "," << p.y();
    }
    EXPECT_TRUE(White(image.pixel(300, 455)));
    EXPECT_TRUE(NearColour(image.pixel(279, 445), Qt::yellow));
    EXPECT_TRUE(NearColour(image.pixel(740, 445), Qt::yellow));
    EXPECT_TRUE(NearColour(image.pixel(500, 460), Qt::yellow));
    EXPECT_TRUE(NearColour(image.pixel(500, 429), Qt::yellow));
    // abc stands centred at the top of the box; an empty comment leaves the box empty.
    const QRect text(281, 431, 458, 28); // inside the outline
    EXPECT_GT(Count(image, QRect(480, 431, 60, 28), Dark), 10);
    EXPECT_EQ(Count(image, text, Dark), Count(image, QRect(480, 431, 60, 28), Dark));
    // The comment is read when the picture is chosen.
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("a.txt")), QByteArray("\0", 1)));
    SelectSlot(0);
    image = Shown();
    EXPECT_TRUE(Black(image.pixel(280, 445)));
    EXPECT_EQ(Count(image, text, Dark), 0);
    // A comment file of any size still gives its box.
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("a.txt")), QByteArray(8 << 20, 'w')));
    SelectSlot(0);
    image = Shown();
    EXPECT_TRUE(Black(image.pixel(280, 445)));
    // Without a comment file there is no box.
    ASSERT_TRUE(QFile::remove(at(QStringLiteral("a.txt"))));
    SelectSlot(0);
    image = Shown();
    EXPECT_TRUE(NearColour(image.pixel(280, 445), Qt::yellow));
}

// A JPEG whose frame header claims size, with nothing decodable after it.
QByteArray EnormousJpeg(QSize size) {
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::gray);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    small.save(&buffer, "JPEG");
    const qsizetype sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    if (sof < 0) {
        return QByteArray();
    }
    bytes[sof + 5] = char(size.height() >> 8);
    bytes[sof + 6] = char(size.height() & 0xFF);
    bytes[sof + 7] = char(size.width() >> 8);
    bytes[sof + 8] = char(size.width() & 0xFF);
    return bytes.left(sof + 40);
}

TEST_F(ImageAreaTest, UndecodablePicturesSayLoadError) {
    StartIn();
    const QByteArray enormous = EnormousJpeg(QSize(65000, 65000));
    ASSERT_FALSE(enormous.isEmpty());
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("3.jpg")), "not a picture at all"));
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("2.jpg")), enormous));
    ASSERT_TRUE(WritePicture(at(QStringLiteral("1.jpg")), Qt::yellow));
    dlg->ResetImageList();
    const QImage image = Shown();
    const QRect text(SlotLeft(0) + 10, 538, 100, 20);
    for (int u : {0, 1}) {
        EXPECT_GT(Count(image, text.translated(130 * u, 0), Dark), 10) << u;
        // Not drawn as an empty slot either.
        EXPECT_FALSE(White(image.pixel(SlotLeft(u) + 60, 520))) << u;
    }
    EXPECT_EQ(Count(image, text.translated(260, 0), Dark), 0);
    EXPECT_TRUE(NearColour(image.pixel(SlotLeft(2) + 60, 520), Qt::yellow));

    // Selected, the picture area keeps what it had: here the window's background.
    SelectSlot(0);
    const QImage selected = Shown();
    EXPECT_EQ(dlg->m_viewState, 2);
    EXPECT_EQ(selected.pixel(500, 250), selected.pixel(100, 300));
}

TEST_F(ImageAreaTest, CopyPropertyOnlyForAPictureOfTheCurrentCamera) {
    const QString file = env.root() + QStringLiteral("/controls.json");
    ASSERT_TRUE(TempEnvironment::writeFile(file, R"([{"name": "Orvane Q7",
        "controls": ["Brightness", "Contrast"],
        "formats": [{"format": "YUY2", "width": 320, "height": 240}]}])"));
    env.set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
    StartIn();
    ASSERT_TRUE(WritePicture(at(QStringLiteral("a.jpg")), Qt::yellow));
    const QString settings = at(QStringLiteral("a.ini"));
    auto writeSettings = [&](const QByteArray& camera) {
        return TempEnvironment::writeFile(settings, "[USBProperty]\ndevice=" + camera +
                                                        "\nBrightness=44/2\n");
    };
    ASSERT_TRUE(writeSettings("Orvane Q7"));
    dlg->ResetImageList();
    QWidget* copy = dlg->GetDlgItem(IDC_COPY_PROPERTY);
    EXPECT_FALSE(copy->isEnabled());

    SelectSlot(0);
    EXPECT_EQ(dlg->m_settingsPath, settings);
    EXPECT_EQ(dlg->m_shotCameraName, QStringLiteral("Orvane Q7"));
    EXPECT_TRUE(copy->isEnabled());
    // With nothing selected it keeps the state of the last drawn selection.
    dlg->ReturnToLive();
    dlg->ApplyViewState();
    EXPECT_EQ(dlg->m_strip.selSlot(), -1);
    EXPECT_TRUE(copy->isEnabled());

    // A camera whose name only starts like the current one's is another camera.
    ASSERT_TRUE(writeSettings("Orvane Q70"));
    SelectSlot(0);
    EXPECT_EQ(dlg->m_shotCameraName, QStringLiteral("Orvane Q70"));
    EXPECT_FALSE(copy->isEnabled());

    ASSERT_TRUE(writeSettings("Orvane Q7"));
    SelectSlot(0);
    EXPECT_TRUE(copy->isEnabled());
    ASSERT_TRUE(QFile::remove(settings));
    SelectSlot(0);
    EXPECT_FALSE(copy->isEnabled());
}

} // namespace
