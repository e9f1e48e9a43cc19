#include "PhotoFrames.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <libyuv.h>
#include <turbojpeg.h>

namespace {

const char* const kPhotograph = "/usr/share/backgrounds/Kleiber_by_Lukas_Baubkus.jpg";

// The photograph a quarter larger than size, so that frames can pan across it.
QImage Photograph(QSize size, QString* error) {
    QImageReader reader(QString::fromLatin1(kPhotograph));
    reader.setScaledSize(size * 5 / 4);
    const QImage photo = reader.read().convertToFormat(QImage::Format_RGB32);
    if (photo.isNull() && error) {
        *error = QStringLiteral("%1 is missing: scripts/install-deps test installs it")
                     .arg(QString::fromLatin1(kPhotograph));
    }
    return photo;
}

QImage Frame(const QImage& photo, QSize size, int i, int count) {
    return photo.copy(i * size.width() / 4 / count, i * size.height() / 4 / count, size.width(),
                      size.height());
}

} // namespace

QList<QByteArray> PhotoJpegFrames(QSize size, int count, QString* error) {
    const QImage photo = Photograph(size, error);
    if (photo.isNull()) {
        return {};
    }
    QList<QByteArray> frames;
    tjhandle compressor = tjInitCompress();
    for (int i = 0; compressor && i < count; ++i) {
        const QImage frame = Frame(photo, size, i, count);
        unsigned char* jpeg = nullptr;
        unsigned long length = 0;
        if (tjCompress2(compressor, frame.constBits(), size.width(), int(frame.bytesPerLine()),
                        size.height(), TJPF_BGRX, &jpeg, &length, TJSAMP_422, 85, 0) != 0) {
            if (error) {
                *error = QStringLiteral("compression failed");
            }
            frames.clear();
            break;
        }
        frames.append(QByteArray(reinterpret_cast<const char*>(jpeg), qsizetype(length)));
        tjFree(jpeg);
    }
    if (compressor) {
        tjDestroy(compressor);
    }
    return frames;
}

QList<QByteArray> PhotoYuy2Frames(QSize size, int count, QString* error) {
    const QImage photo = Photograph(size, error);
    if (photo.isNull()) {
        return {};
    }
    QList<QByteArray> frames;
    const int stride = size.width() * 2;
    for (int i = 0; i < count; ++i) {
        const QImage frame = Frame(photo, size, i, count);
        QByteArray bytes(qsizetype(stride) * size.height(), '\0');
        libyuv::ARGBToYUY2(frame.constBits(), int(frame.bytesPerLine()),
                           reinterpret_cast<uint8_t*>(bytes.data()), stride, size.width(),
                           size.height());
        frames.append(bytes);
    }
    return frames;
}

bool WritePhotoJpegFolder(const QString& folder, QSize size, int count, QString* error) {
    const QList<QByteArray> frames = PhotoJpegFrames(size, count, error);
    if (frames.isEmpty() || !QDir().mkpath(folder)) {
        return false;
    }
    for (int i = 0; i < frames.size(); ++i) {
        QFile file(folder + QStringLiteral("/%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(frames[i]) != frames[i].size()) {
            if (error) {
                *error = QStringLiteral("%1 cannot be written").arg(file.fileName());
            }
            return false;
        }
    }
    return true;
}
