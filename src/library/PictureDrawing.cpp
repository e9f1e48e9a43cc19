#include "library/PictureDrawing.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

int DrawPicture(QPainter& dc, const QString& name, int x, int y, int width, int height,
                const QString& folder) {
    QImageReader reader(folder + QLatin1Char('/') + name);
    reader.setAutoTransform(false);
    const QSize natural = reader.size();
    if (!natural.isValid()) {
        return 0;
    }
    // A picture drawn much smaller than its size is decoded at reduced size: the JPEG
    // decoder scales while decoding, which is what keeps a repaint of large pictures cheap.
    if (natural.width() > 2 * width && natural.height() > 2 * height) {
        reader.setScaledSize(QSize(width, height));
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        return 0;
    }
    dc.save();
    dc.setRenderHint(QPainter::SmoothPixmapTransform, false);
    dc.drawImage(QRect(x, y, width, height), image);
    dc.restore();
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
