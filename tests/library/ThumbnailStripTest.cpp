#include "library/ThumbnailStrip.h"
#include "library/PictureDrawing.h"
#include "support/PictureFiles.h"
#include "support/PixelCounts.h"
#include "support/TempEnvironment.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ThumbnailStripTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    // Pictures 00.jpg ... of the folder; the list shows them newest (highest) first.
    void AddPictures(int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(
                WritePicture(dir.filePath(QStringLiteral("%1.jpg").arg(i, 2, 10, QChar('0'))),
                             QColor(30 * i, 120, 200)));
        }
    }
    QImage Drawn(ThumbnailStrip& strip) {
        QImage canvas(1024, 620, QImage::Format_RGB32);
        canvas.fill(Qt::gray);
        QPainter dc(&canvas);
        strip.Draw(dc);
        return canvas;
    }
    QTemporaryDir dir;
};

TEST_F(ThumbnailStripTest, StepsMoveTheSelectionAndScrollTheStripAtItsEnds) {
    AddPictures(7);
    ThumbnailStrip strip(QPoint(190, 498));
    strip.Reset(dir.path());
    ASSERT_EQ(strip.count(), 7);
    EXPECT_EQ(strip.names().first(), QStringLiteral("06.jpg"));
    // Without a selection neither step acts.
    EXPECT_FALSE(strip.CanStepBack());
    EXPECT_FALSE(strip.CanStepOn());
    strip.StepOn();
    EXPECT_EQ(strip.selSlot(), -1);

    // '>' moves the selection to the last slot, then scrolls on up to the oldest picture.
    strip.SelectSlot(3);
    const struct {
        int top;
        int sel;
        bool more;
    } on[] = {{0, 4, true}, {1, 4, true}, {2, 4, false}, {2, 4, false}};
    for (const auto& step : on) {
        strip.StepOn();
        EXPECT_EQ(strip.topIndex(), step.top);
        EXPECT_EQ(strip.selSlot(), step.sel);
        EXPECT_EQ(strip.CanStepOn(), step.more);
    }
    EXPECT_EQ(strip.SelectedName(), QStringLiteral("00.jpg"));

    // '<' moves it to the first slot, then scrolls back down to the newest.
    const struct {
        int top;
        int sel;
        bool more;
    } back[] = {{2, 3, true}, {2, 2, true},  {2, 1, true}, {2, 0, true},
                {1, 0, true}, {0, 0, false}, {0, 0, false}};
    for (const auto& step : back) {
        strip.StepBack();
        EXPECT_EQ(strip.topIndex(), step.top);
        EXPECT_EQ(strip.selSlot(), step.sel);
        EXPECT_EQ(strip.CanStepBack(), step.more);
    }
    EXPECT_EQ(strip.SelectedIndex(), 0);
}

TEST_F(ThumbnailStripTest, ASlotPastTheEndIsSelectedUntilDroppedAndReloadKeepsThePlace) {
    AddPictures(3);
    ThumbnailStrip strip(QPoint(190, 400));
    strip.Reset(dir.path());
    strip.SelectSlot(4);
    EXPECT_EQ(strip.selSlot(), 4);
    EXPECT_FALSE(strip.SelectedIndex().has_value());
    EXPECT_TRUE(strip.SelectedName().isEmpty());
    EXPECT_TRUE(strip.DropSelectionPastEnd());
    EXPECT_EQ(strip.selSlot(), -1);

    // Reading the list again keeps the selected slot, which now shows the next older picture.
    strip.SelectSlot(1);
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("01.jpg"))));
    strip.Reload(dir.path());
    EXPECT_FALSE(strip.DropSelectionPastEnd());
    EXPECT_EQ(strip.SelectedName(), QStringLiteral("00.jpg"));
    strip.Reset(dir.path());
    EXPECT_EQ(strip.topIndex(), 0);
    EXPECT_EQ(strip.selSlot(), -1);
}

TEST(ThumbnailStripGeometry, ASlotIsHitFromItsLeftToOnePastItsRightEdgeAndBottom) {
    for (const int y : {400, 498}) {
        const ThumbnailStrip strip(QPoint(190, y));
        const struct {
            QPoint at;
            int slot;
        } cases[] = {
            {{190, y}, 0},       {{310, y + 90}, 0}, {{189, y + 40}, -1}, {{311, y + 40}, -1},
            {{319, y + 40}, -1}, {{320, y + 40}, 1}, {{715, y + 45}, 4},  {{830, y + 90}, 4},
            {{831, y + 45}, -1}, {{250, y - 1}, -1}, {{250, y + 91}, -1},
        };
        for (const auto& c : cases) {
            EXPECT_EQ(strip.SlotAt(c.at), c.slot) << c.at.x() << "," << c.at.y();
        }
        EXPECT_EQ(strip.SlotRect(2), QRect(450, y, 120, 90));
    }
}

TEST_F(ThumbnailStripTest, DrawsThumbnailsCaptionsEmptySlotsAndTheFrameWithoutReadingFiles) {
    AddPictures(2);
    ASSERT_TRUE(TempEnvironment::writeFile(dir.filePath(QStringLiteral("02.jpg")), "no picture"));
    const std::optional<QDateTime> created =
        FileCreationTime(dir.filePath(QStringLiteral("01.jpg")));
    ASSERT_TRUE(created);
    ThumbnailStrip strip(QPoint(190, 498), ThumbnailStrip::Captions::FileDates);
    strip.Reset(dir.path());
    strip.SelectSlot(1);
    const QImage image = Drawn(strip);

    // Slot 0: "Load ERROR" for the file that is no picture; slots 1 and 2 the pictures.
    EXPECT_GT(Count(image, QRect(200, 538, 100, 20), Dark), 10);
    EXPECT_FALSE(White(image.pixel(250, 520)));
    for (const int u : {1, 2}) {
        const int left = 190 + 130 * u;
        const QColor colour(30 * (2 - u), 120, 200);
        // The thumbnail fills its slot to the corners (slot 1's lie under its frame).
        const int inset = u == 1 ? 4 : 0;
        for (const QPoint p : {QPoint(left + inset, 498 + inset), QPoint(left + 60, 543),
                               QPoint(left + 119 - inset, 587 - inset)}) {
            EXPECT_TRUE(NearColour(image.pixel(p), colour)) << u << " " << p.x() << "," << p.y();
        }
        EXPECT_GT(Count(image, QRect(left, 598, 120, 20), Dark), 5) << "caption of slot " << u;
    }
    // The caption is the file's date in the caption font, at the top of its white box.
    QImage expected(120, 20, QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter p(&expected);
        QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
        font.setPointSize(8);
        p.setFont(font);
        p.drawText(QRect(0, 6, 120, 14), Qt::AlignHCenter | Qt::AlignTop, CaptionText(*created));
    }
    EXPECT_EQ(image.copy(QRect(320, 598, 120, 20)), expected);

    // Slots 3 and 4: black outlines filled white, white caption boxes without text.
    for (const int u : {3, 4}) {
        const int left = 190 + 130 * u;
        for (const QPoint p : {QPoint(left, 543), QPoint(left + 119, 543), QPoint(left + 60, 498),
                               QPoint(left + 60, 587)}) {
            EXPECT_EQ(image.pixel(p) & 0xFFFFFF, 0u) << u << " " << p.x() << "," << p.y();
        }
        EXPECT_EQ(Count(image, QRect(left + 1, 499, 118, 88), White), 118 * 88) << u;
        EXPECT_EQ(Count(image, QRect(left, 598, 120, 20), White), 120 * 20) << u;
        EXPECT_EQ(image.pixel(left + 120, 543), QColor(Qt::gray).rgb()) << u;
    }
    // The red dotted frame runs along the four sides of the selected slot only.
    EXPECT_GT(Count(image, QRect(321, 498, 118, 3), PureRed), 30);
    EXPECT_GT(Count(image, QRect(321, 586, 118, 3), PureRed), 30);
    EXPECT_GT(Count(image, QRect(320, 499, 3, 88), PureRed), 20);
    EXPECT_GT(Count(image, QRect(437, 499, 3, 88), PureRed), 20);
    EXPECT_EQ(Count(image, QRect(325, 505, 110, 78), PureRed), 0);
    EXPECT_EQ(Count(image, QRect(0, 0, 320, 620), PureRed), 0);
    EXPECT_EQ(Count(image, QRect(441, 0, 583, 620), PureRed), 0);

    // What the slots show was read with the list: with the files gone they draw the same.
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files)) {
        ASSERT_TRUE(QFile::remove(dir.filePath(name)));
    }
    EXPECT_EQ(Drawn(strip), image);
    strip.Reload(dir.path());
    EXPECT_NE(Drawn(strip), image);
}

} // namespace
