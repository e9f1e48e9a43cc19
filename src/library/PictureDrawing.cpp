#include "library/PictureDrawing.h"

#include "capture/ScaleBar.h"
#include "library/CommentFile.h"
#include "library/ImageList.h"
#include "library/PictureCache.h"

#include <QFileInfo>
#include <QPainter>

int DrawPicture(QPainter& dc, PictureCache& cache, const QString& path,
                const std::optional<FileStamp>& stamp, const QRect& target) {
    const QImage image = cache.Picture(path, target.size(), stamp);
    if (image.isNull()) {
        return 0;
    }
    dc.drawImage(target.topLeft(), image);
    return 1;
}

LargePicture LargePicture::Read(const QString& folder, const QString& name) {
    LargePicture picture;
    picture.path = folder + QLatin1Char('/') + name;
    picture.stamp = PictureCache::Stamp(picture.path);
    const QString commentPath = MakeCommentPath(folder, name);
    picture.comment = ReadCommentForDisplay(commentPath);
    picture.calibration = ReadPictureCalibration(ReplaceLastThree(commentPath, "ini"));
    return picture;
}

void DrawPictureScaleBar(QPainter& dc, const QRect& target, const PictureCalibration& calibration,
                         std::optional<int> clearBelow) {
    const std::optional<ScaleBar> bar =
        ChooseScaleBar(calibration.MicrometresPerShownPixel(target.width()), target.width());
    if (!bar) {
        return;
    }
    DrawScaleBar(dc, target, *bar, clearBelow ? std::optional<double>(*clearBelow) : std::nullopt);
}

void DrawComment(QPainter& dc, QPoint corner, const QString& text) {
    // A 1-pixel outline of a QRect covers one column and row past its right and bottom edges,
    // so the outline rectangle ends one pixel short of the box itself.
    dc.drawRect(QRect(corner, QSize(459, 29)));
    dc.drawText(QRect(corner + QPoint(0, 5), QSize(460, 25)), Qt::AlignHCenter | Qt::AlignTop,
                text);
}

QString CaptionText(const QDateTime& created) {
    return QStringLiteral("'%1/%2")
        .arg(created.date().year() % 100, 2, 10, QLatin1Char('0'))
        .arg(created.toString(QStringLiteral("MM/dd HH:mm")));
}

std::optional<QDateTime> FileCreationTime(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return std::nullopt;
    }
    const QDateTime birth = info.birthTime();
    return birth.isValid() ? birth : info.lastModified();
}
