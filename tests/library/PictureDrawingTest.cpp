#include "library/PictureDrawing.h"
#include "library/PictureCache.h"
#include "support/TempEnvironment.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A picture whose four quadrants are red, green, blue and yellow.
QImage Quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, width / 2, height / 2, Qt::red);
    p.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
    p.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
    p.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::yellow);
    return image;
}

bool Near(QRgb pixel, QColor expected) {
    return std::abs(qRed(pixel) - expected.red()) < 60 &&
           std::abs(qGreen(pixel) - expected.green()) < 60 &&
           std::abs(qBlue(pixel) - expected.blue()) < 60;
}

class PictureDrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        canvas.fill(Qt::gray);
    }
    int Draw(const QString& name, QRect target) {
        QPainter p(&canvas);
        const QString path = dir.filePath(name);
        return DrawPicture(p, cache, path, PictureCache::Stamp(path), target);
    }
    QTemporaryDir dir;
    PictureCache cache;
    QImage canvas{1024, 620, QImage::Format_RGB32};
};

TEST_F(PictureDrawingTest, StretchesEveryPictureOverTheWholeTarget) {
    const QRect area(190, 10, 640, 480);
    for (const QSize size :
         {QSize(1280, 720), QSize(1600, 1200), QSize(320, 240), QSize(2592, 1944)}) {
        canvas.fill(Qt::gray);
        ASSERT_TRUE(Quadrants(size.width(), size.height())
                        .save(dir.path() + QStringLiteral("/p.jpg"), "JPEG", 95));
        ASSERT_EQ(Draw(QStringLiteral("p.jpg"), area), 1);
        const std::string what = std::to_string(size.width()) + "x" + std::to_string(size.height());
        EXPECT_TRUE(Near(canvas.pixel(192, 12), Qt::red)) << what;
        EXPECT_TRUE(Near(canvas.pixel(827, 12), Qt::green)) << what;
        EXPECT_TRUE(Near(canvas.pixel(192, 487), Qt::blue)) << what;
        EXPECT_TRUE(Near(canvas.pixel(827, 487), Qt::yellow)) << what;
        // Nothing outside the target.
        EXPECT_EQ(canvas.pixel(189, 250), QColor(Qt::gray).rgb()) << what;
        EXPECT_EQ(canvas.pixel(830, 250), QColor(Qt::gray).rgb()) << what;
        EXPECT_EQ(canvas.pixel(500, 9), QColor(Qt::gray).rgb()) << what;
        EXPECT_EQ(canvas.pixel(500, 490), QColor(Qt::gray).rgb()) << what;
    }
}

TEST_F(PictureDrawingTest, LargePictureIntoAThumbnailSlot) {
    ASSERT_TRUE(Quadrants(2592, 1944).save(dir.path() + QStringLiteral("/big.jpg"), "JPEG", 90));
    ASSERT_EQ(Draw(QStringLiteral("big.jpg"), QRect(190, 498, 120, 90)), 1);
    EXPECT_TRUE(Near(canvas.pixel(191, 499), Qt::red));
    EXPECT_TRUE(Near(canvas.pixel(308, 586), Qt::yellow));
    EXPECT_EQ(canvas.pixel(310, 540), QColor(Qt::gray).rgb());
    EXPECT_EQ(canvas.pixel(250, 588), QColor(Qt::gray).rgb());
}

TEST_F(PictureDrawingTest, UnreadablePicturesDrawNothing) {
    ASSERT_TRUE(
        TempEnvironment::writeFile(dir.path() + QStringLiteral("/text.jpg"), "not a picture"));
    ASSERT_TRUE(TempEnvironment::writeFile(dir.path() + QStringLiteral("/empty.jpg"), ""));
    QByteArray truncated;
    {
        ASSERT_TRUE(Quadrants(640, 480).save(dir.path() + QStringLiteral("/whole.jpg"), "JPEG"));
        truncated = TempEnvironment::readFile(dir.path() + QStringLiteral("/whole.jpg")).left(20);
    }
    ASSERT_TRUE(TempEnvironment::writeFile(dir.path() + QStringLiteral("/cut.jpg"), truncated));
    const QImage before = canvas;
    for (const char* name : {"text.jpg", "empty.jpg", "missing.jpg", "cut.jpg"}) {
        EXPECT_EQ(Draw(QLatin1String(name), QRect(190, 10, 640, 480)), 0) << name;
    }
    EXPECT_EQ(canvas, before);
}

TEST_F(PictureDrawingTest, EachPictureIsDecodedOncePerSizeUntilItsFileChanges) {
    const QString path = dir.path() + QStringLiteral("/p.jpg");
    ASSERT_TRUE(Quadrants(640, 480).save(path, "JPEG"));
    const QRect thumbnail(190, 498, 120, 90);
    const QRect large(190, 10, 640, 480);
    for (int repaint = 0; repaint < 3; ++repaint) {
        ASSERT_EQ(Draw(QStringLiteral("p.jpg"), thumbnail), 1);
        ASSERT_EQ(Draw(QStringLiteral("p.jpg"), large), 1);
        ASSERT_EQ(Draw(QStringLiteral("bad.jpg"), thumbnail), 0);
    }
    EXPECT_EQ(cache.decodes(), 2) << "a missing file is no decode";
    ASSERT_TRUE(TempEnvironment::writeFile(dir.path() + QStringLiteral("/bad.jpg"), "no picture"));
    EXPECT_EQ(Draw(QStringLiteral("bad.jpg"), thumbnail), 0);
    EXPECT_EQ(Draw(QStringLiteral("bad.jpg"), thumbnail), 0);
    EXPECT_EQ(cache.decodes(), 3) << "a failed decode is remembered";

    // A picture replaced under the same name is decoded again and drawn new.
    QImage blue(640, 480, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(blue.save(dir.path() + QStringLiteral("/new.jpg"), "JPEG"));
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(dir.path() + QStringLiteral("/new.jpg"), path));
    ASSERT_EQ(Draw(QStringLiteral("p.jpg"), large), 1);
    EXPECT_TRUE(Near(canvas.pixel(192, 12), Qt::blue));
    EXPECT_EQ(cache.decodes(), 4);

    cache.Clear();
    ASSERT_EQ(Draw(QStringLiteral("p.jpg"), large), 1);
    EXPECT_EQ(cache.decodes(), 5);
}

TEST(CaptionText, TwoDigitYearAndMinutes) {
    struct Case {
        QDateTime time;
        const char* text;
    };
    const Case cases[] = {
        {QDateTime(QDate(2024, 5, 17), QTime(13, 45, 59)), "'24/05/17 13:45"},
        {QDateTime(QDate(2000, 1, 2), QTime(3, 4, 5)), "'00/01/02 03:04"},
        {QDateTime(QDate(1999, 12, 31), QTime(23, 59)), "'99/12/31 23:59"},
        {QDateTime(QDate(2109, 10, 9), QTime(0, 0)), "'09/10/09 00:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CaptionText(c.time), QString::fromUtf8(c.text));
    }
}

TEST(FileCreationTime, ExistingFileHasATimeMissingOneNone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.path() + QStringLiteral("/x.jpg");
    EXPECT_FALSE(FileCreationTime(file).has_value());
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    ASSERT_TRUE(TempEnvironment::writeFile(file, "x"));
    const std::optional<QDateTime> created = FileCreationTime(file);
    ASSERT_TRUE(created.has_value());
    EXPECT_GE(*created, before);
    EXPECT_LE(*created, QDateTime::currentDateTime().addSecs(2));
}

} // namespace
