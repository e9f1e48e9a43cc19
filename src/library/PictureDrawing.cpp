#include "library/PictureDrawing.h"

#include "library/PictureCache.h"

#include <QFileInfo>
#include <QPainter>

int DrawPicture(QPainter& dc, PictureCache& cache, const QString& name, int x, int y, int width,
                int height, const QString& folder) {
    const QImage image = cache.Picture(folder + QLatin1Char('/') + name, QSize(width, height));
    if (image.isNull()) {
        return 0;
    }
    dc.drawImage(QPoint(x, y), image);
    return 1;
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
