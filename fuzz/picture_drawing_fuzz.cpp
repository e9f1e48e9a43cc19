// The picture strip on any file a save folder may hold: the decoder gives an image of exactly
// the drawn size or none, and drawing a thumbnail or the large picture from the file either
// draws into its target or reports 0 and leaves the canvas untouched.

#include "FuzzCheck.h"

#include "library/PictureCache.h"
#include "library/PictureDecoder.h"
#include "library/PictureDrawing.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdint>
#include <cstring>

namespace {

QTemporaryDir* g_folder = nullptr;

struct Canvas {
    QRect target;
    QImage image;
    QImage blank;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Images need a GUI application for their plugins; it lives as long as the process.
    static QGuiApplication app(*argc, *argv);
    // Decoders warn about every damaged file; millions of warnings would only slow the run.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // /dev/shm keeps the millions of writes off the disk where it exists.
    static QTemporaryDir folder(QFile::exists(QStringLiteral("/dev/shm"))
                                    ? QStringLiteral("/dev/shm/veldor-fuzz-XXXXXX")
                                    : QString());
    g_folder = &folder;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FUZZ_CHECK(g_folder != nullptr && g_folder->isValid());
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = QStringLiteral("20260101000000.jpg");
    {
        QFile file(g_folder->filePath(name));
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    // A thumbnail of the strip and the large picture, each on a canvas larger than its target.
    // The canvases live on: allocating them anew for each input would cost more than drawing.
    static Canvas canvases[] = {{QRect(10, 8, 120, 90), {}, {}}, {QRect(4, 4, 640, 480), {}, {}}};
    for (Canvas& c : canvases) {
        if (c.blank.isNull()) {
            c.blank = QImage(c.target.size() + QSize(20, 16), QImage::Format_RGB32);
            c.blank.fill(Qt::darkCyan);
            c.image = c.blank.copy();
        }
        const QImage decoded = DecodePicture(bytes, c.target.size());
        FUZZ_CHECK(decoded.isNull() ||
                   (decoded.size() == c.target.size() && decoded.format() == QImage::Format_RGB32));

        // A new cache for each input: the file is rewritten in place, and an entry could outlive
        // the bytes it was decoded from within one clock tick.
        PictureCache cache;
        int drawn = 0;
        {
            QPainter painter(&c.image);
            const QString path = g_folder->filePath(name);
            drawn = DrawPicture(painter, cache, path, PictureCache::Stamp(path), c.target);
        }
        FUZZ_CHECK(drawn == (decoded.isNull() ? 0 : 1));
        if (drawn == 0) {
            // Byte for byte: QImage's == compares pixel by pixel and would take most of the time.
            FUZZ_CHECK(std::memcmp(c.image.constBits(), c.blank.constBits(),
                                   size_t(c.blank.sizeInBytes())) == 0);
            continue;
        }
        // Nothing is drawn outside the target.
        const QRect all = c.image.rect();
        FUZZ_CHECK(c.image.pixel(all.topLeft()) == c.blank.pixel(all.topLeft()));
        FUZZ_CHECK(c.image.pixel(all.bottomRight()) == c.blank.pixel(all.bottomRight()));
        FUZZ_CHECK(c.image.pixel(c.target.right() + 1, c.target.bottom() + 1) ==
                   c.blank.pixel(0, 0));
        c.image.fill(Qt::darkCyan);
    }
    return 0;
}
