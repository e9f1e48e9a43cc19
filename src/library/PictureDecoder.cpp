#include "library/PictureDecoder.h"

#include "platform/trace/Trace.h"

#include <QBuffer>
#include <QImageReader>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

// More pixels than any camera picture has; beyond this a header is taken for a corrupt one.
constexpr quint64 kMaxPixels = quint64(1) << 28;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void ErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void OutputMessage(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, text);
    qCDebug(veldorTrace, "jpeg: %s", text);
}

struct Decoder {
    jpeg_decompress_struct info;
    ErrorManager error;
};

// The reduction m/8 (m = 1..8) that gives the smallest image still covering size.
unsigned ScaleFor(JDIMENSION width, JDIMENSION height, QSize size) {
    for (unsigned m = 1; m < 8; ++m) {
        const quint64 w = (quint64(width) * m + 7) / 8;
        const quint64 h = (quint64(height) * m + 7) / 8;
        if (w >= quint64(size.width()) && h >= quint64(size.height())) {
            return m;
        }
    }
    return 8;
}

enum class JpegResult { Decoded, Failed, NotHandled };

// Decodes into *out. No C++ object of this frame lives across the setjmp: an error longjmps
// back here from inside libjpeg.
JpegResult DecodeJpeg(Decoder* d, const QByteArray* bytes, QSize size, QImage* out) {
    d->info.err = jpeg_std_error(&d->error.pub);
    d->error.pub.error_exit = ErrorExit;
    d->error.pub.output_message = OutputMessage;
    if (setjmp(d->error.jump)) {
        jpeg_destroy_decompress(&d->info);
        *out = QImage();
        return JpegResult::Failed;
    }
    jpeg_create_decompress(&d->info);
    jpeg_mem_src(&d->info, reinterpret_cast<const unsigned char*>(bytes->constData()),
                 static_cast<unsigned long>(bytes->size()));
    jpeg_read_header(&d->info, TRUE);
    // Four-channel (CMYK) pictures are left to Qt's reader, which converts them.
    if (d->info.num_components != 1 && d->info.num_components != 3) {
        jpeg_destroy_decompress(&d->info);
        return JpegResult::NotHandled;
    }
    if (quint64(d->info.image_width) * d->info.image_height > kMaxPixels) {
        qCDebug(veldorTrace, "jpeg: %ux%u pixels refused", d->info.image_width,
                d->info.image_height);
        jpeg_destroy_decompress(&d->info);
        return JpegResult::Failed;
    }
    d->info.scale_num = ScaleFor(d->info.image_width, d->info.image_height, size);
    d->info.scale_denom = 8;
    jpeg_calc_output_dimensions(&d->info);
    if (d->info.output_width < JDIMENSION(size.width()) ||
        d->info.output_height < JDIMENSION(size.height())) {
        d->info.scale_num = 8;
    }
    d->info.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    jpeg_start_decompress(&d->info);
    *out = QImage(int(d->info.output_width), int(d->info.output_height), QImage::Format_RGB32);
    if (out->isNull()) {
        jpeg_destroy_decompress(&d->info);
        return JpegResult::Failed;
    }
    while (d->info.output_scanline < d->info.output_height) {
        JSAMPROW row = out->scanLine(int(d->info.output_scanline));
        jpeg_read_scanlines(&d->info, &row, 1);
    }
    jpeg_finish_decompress(&d->info);
    jpeg_destroy_decompress(&d->info);
    return JpegResult::Decoded;
}

QImage ReadWithQt(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QSize natural = reader.size();
    if (!natural.isValid() || quint64(natural.width()) * natural.height() > kMaxPixels) {
        return QImage();
    }
    return reader.read();
}

} // namespace

QImage DecodePicture(const QByteArray& bytes, QSize size) {
    if (size.isEmpty()) {
        return QImage();
    }
    QImage image;
    JpegResult result = JpegResult::NotHandled;
    if (bytes.startsWith("\xFF\xD8")) {
        Decoder decoder;
        result = DecodeJpeg(&decoder, &bytes, size, &image);
    }
    if (result == JpegResult::Failed) {
        return QImage();
    }
    if (result == JpegResult::NotHandled) {
        image = ReadWithQt(bytes);
    }
    if (image.isNull()) {
        return QImage();
    }
    if (image.size() != size) {
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    return image.format() == QImage::Format_RGB32 ? image
                                                  : image.convertToFormat(QImage::Format_RGB32);
}
