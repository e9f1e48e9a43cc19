#include "capture/CameraFrames.h"

#include <cmath>
#include <cstdlib>
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>
#include <libyuv.h>
#include <turbojpeg.h>

QByteArray CameraJpeg(const QImage& picture, int quality) {
    const QImage bgrx = picture.convertToFormat(QImage::Format_RGB32);
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    QByteArray out;
    if (handle &&
        tjCompress2(handle, bgrx.constBits(), bgrx.width(), int(bgrx.bytesPerLine()), bgrx.height(),
                    TJPF_BGRX, &jpeg, &size, TJSAMP_422, quality, TJFLAG_ACCURATEDCT) == 0) {
        out = QByteArray(reinterpret_cast<const char*>(jpeg), qsizetype(size));
    }
    tjFree(jpeg);
    tjDestroy(handle);
    return out;
}

QByteArray WithoutHuffmanTables(const QByteArray& jpeg) {
    QByteArray out = jpeg.left(2); // SOI
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xFF) {
        const uchar marker = uchar(jpeg[at + 1]);
        const qsizetype length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
        if (marker == 0xDA) { // start of scan: the rest is entropy-coded data
            return out + jpeg.mid(at);
        }
        if (marker != 0xC4) {
            out += jpeg.mid(at, 2 + length);
        }
        at += 2 + length;
    }
    return {};
}

namespace {

GstSamplePtr MakeSample(const void* data, size_t size, GstCaps* caps) {
    GstBuffer* buffer = size ? gst_buffer_new_memdup(data, size) : gst_buffer_new();
    GST_BUFFER_PTS(buffer) = 0;
    GstSamplePtr sample(gst_sample_new(buffer, caps, nullptr, nullptr));
    gst_buffer_unref(buffer);
    gst_caps_unref(caps);
    return sample;
}

} // namespace

GstSamplePtr JpegSample(const QByteArray& jpeg, QSize size) {
    return MakeSample(jpeg.constData(), size_t(jpeg.size()),
                      gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT, size.width(), "height",
                                          G_TYPE_INT, size.height(), "framerate", GST_TYPE_FRACTION,
                                          30, 1, nullptr));
}

GstSamplePtr Yuy2Sample(const QImage& picture, const char* colorimetry) {
    const QImage argb = picture.convertToFormat(QImage::Format_RGB32);
    const int stride = ((argb.width() + 1) / 2) * 4;
    QByteArray yuy2(qsizetype(stride) * argb.height(), '\0');
    libyuv::ARGBToYUY2(argb.constBits(), int(argb.bytesPerLine()),
                       reinterpret_cast<uint8_t*>(yuy2.data()), stride, argb.width(),
                       argb.height());
    return MakeSample(yuy2.constData(), size_t(yuy2.size()),
                      gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "YUY2", "width",
                                          G_TYPE_INT, argb.width(), "height", G_TYPE_INT,
                                          argb.height(), "framerate", GST_TYPE_FRACTION, 30, 1,
                                          "colorimetry", G_TYPE_STRING, colorimetry, nullptr));
}

QImage GstDecoded(GstSample* sample, const char* chain) {
    const QByteArray description =
        QByteArray("appsrc name=in ! ") + chain + " ! appsink name=out sync=false";
    GError* error = nullptr;
    GstElementPtr pipeline(gst_parse_launch(description.constData(), &error));
    if (error) {
        g_error_free(error);
        return {};
    }
    GstElementPtr in(gst_bin_get_by_name(GST_BIN(pipeline.get()), "in"));
    GstElementPtr out(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
    g_object_set(in.get(), "caps", gst_sample_get_caps(sample), "format", GST_FORMAT_TIME, nullptr);
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    gst_app_src_push_buffer(GST_APP_SRC(in.get()), gst_buffer_ref(gst_sample_get_buffer(sample)));
    gst_app_src_end_of_stream(GST_APP_SRC(in.get()));
    GstSamplePtr decoded(gst_app_sink_try_pull_sample(GST_APP_SINK(out.get()), 10 * GST_SECOND));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    GstVideoInfo info;
    if (!decoded || !gst_video_info_from_caps(&info, gst_sample_get_caps(decoded.get())) ||
        GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGRx) {
        return {};
    }
    GstMapInfo map;
    GstBuffer* buffer = gst_sample_get_buffer(decoded.get());
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return {};
    }
    const QImage image = QImage(map.data, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                                GST_VIDEO_INFO_PLANE_STRIDE(&info, 0), QImage::Format_RGB32)
                             .copy();
    gst_buffer_unmap(buffer, &map);
    return image;
}

int CellMeanDifference(const QImage& a, const QImage& b, int columns, int rows) {
    auto mean = [](const QImage& image, int column, int row, int columns, int rows, int channel) {
        const int x0 = column * image.width() / columns,
                  x1 = (column + 1) * image.width() / columns;
        const int y0 = row * image.height() / rows, y1 = (row + 1) * image.height() / rows;
        long sum = 0;
        for (int y = y0; y < y1; ++y) {
            const uchar* line = image.constScanLine(y);
            for (int x = x0; x < x1; ++x) {
                sum += line[4 * x + channel];
            }
        }
        return double(sum) / std::max(1, (x1 - x0) * (y1 - y0));
    };
    double worst = 0;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            for (int channel = 0; channel < 3; ++channel) {
                const double d = std::abs(mean(a, column, row, columns, rows, channel) -
                                          mean(b, column, row, columns, rows, channel));
                worst = std::max(worst, d);
            }
        }
    }
    return int(std::lround(worst));
}

QImage ExactYuy2Conversion(GstSample* sample, double kr, double kb, bool fullRange) {
    GstVideoInfo info;
    GstMapInfo map;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) ||
        !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return {};
    }
    const int width = GST_VIDEO_INFO_WIDTH(&info), height = GST_VIDEO_INFO_HEIGHT(&info);
    const int stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
    QImage out(width, height, QImage::Format_RGB32);
    auto level = [](double v) { return qBound(0, int(std::lround(v)), 255); };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* pair = map.data + size_t(y) * stride + (x / 2) * 4;
            const double luma = pair[(x & 1) * 2], cb = pair[1] - 128.0, cr = pair[3] - 128.0;
            const double e = fullRange ? luma : (luma - 16) * 255 / 219;
            const double pb = fullRange ? cb : cb * 255 / 224, pr = fullRange ? cr : cr * 255 / 224;
            const double r = e + 2 * (1 - kr) * pr, b = e + 2 * (1 - kb) * pb;
            const double g = (e - kr * r - kb * b) / (1 - kr - kb);
            out.setPixel(x, y, qRgb(level(r), level(g), level(b)));
        }
    }
    gst_buffer_unmap(buffer, &map);
    return out;
}

int GrabbedFrameDifference(const GrabbedFrame& frame, const QImage& picture) {
    const int width = frame.format.width, height = frame.format.height;
    const size_t stride = size_t(width * 3 + 3) / 4 * 4;
    if (picture.size() != QSize(width, height) || frame.bytes.size() < stride * height) {
        return 256;
    }
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int row = 0; row < height; ++row) {
        const uchar* stored = frame.bytes.data() + row * stride;
        const auto* expected = reinterpret_cast<const QRgb*>(rgb.constScanLine(height - 1 - row));
        for (int x = 0; x < width; ++x) {
            worst = std::max({worst, std::abs(stored[3 * x] - qBlue(expected[x])),
                              std::abs(stored[3 * x + 1] - qGreen(expected[x])),
                              std::abs(stored[3 * x + 2] - qRed(expected[x]))});
        }
    }
    return worst;
}
