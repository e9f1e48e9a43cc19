#include "capture/PreviewDecoder.h"

#include "capture/CameraSample.h"

#include <gst/video/video.h>
#include <turbojpeg.h>

namespace {

bool Covers(QSize size, QSize shown) {
    return size.width() >= shown.width() && size.height() >= shown.height();
}

} // namespace

QSize PreviewDecodeSize(const QString& format, QSize frame, QSize shown) {
    if (format == QLatin1String("YUY2")) {
        return shown.boundedTo(frame);
    }
    if (format != QLatin1String("MJPG")) {
        return frame;
    }
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    QSize best = frame;
    for (int i = 0; factors && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num >= f.denom) {
            continue; // never larger than the frame
        }
        const QSize scaled(TJSCALED(frame.width(), f), TJSCALED(frame.height(), f));
        if (Covers(scaled, shown) && scaled.width() <= best.width() &&
            scaled.height() <= best.height()) {
            best = scaled;
        }
    }
    return best;
}

PreviewDecoder::PreviewDecoder() = default;
PreviewDecoder::~PreviewDecoder() = default;

QImage PreviewDecoder::Decode(GstSample* sample, QSize shown) {
    if (!sample || shown.isEmpty()) {
        return {};
    }
    return IsJpegSample(sample) ? DecodeJpeg(sample, shown) : ConvertYuy2(sample, shown);
}

QImage PreviewDecoder::DecodeJpeg(GstSample* sample, QSize shown) {
    const MappedSample data(sample);
    if (!data.IsMapped()) {
        return {};
    }
    const std::optional<QSize> frame = m_jpeg.FrameSize(data.Data(), data.Size());
    if (!frame || !IsSampleFrameSize(sample, *frame)) {
        return {};
    }
    QImage image(PreviewDecodeSize(QStringLiteral("MJPG"), *frame, shown), QImage::Format_RGB32);
    // The fast DCT and chroma upsampling merged into the colour conversion: for a preview their
    // error is below what the reduced size shows, and they save a tenth of the decode.
    if (image.isNull() || !m_jpeg.Decode(data.Data(), data.Size(), image.bits(), image.size(),
                                         static_cast<int>(image.bytesPerLine()), TJPF_BGRX,
                                         TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE)) {
        return {};
    }
    return image;
}

QImage PreviewDecoder::ConvertYuy2(GstSample* sample, QSize shown) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) ||
        GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_YUY2) {
        return {};
    }
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        return {};
    }
    const QSize size(GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame));
    QImage image(PreviewDecodeSize(QStringLiteral("YUY2"), size, shown), QImage::Format_RGB32);
    const bool converted =
        !image.isNull() &&
        m_yuy2.ToBgrx(static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                      GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), size, info.colorimetry, image.bits(),
                      static_cast<int>(image.bytesPerLine()), image.size());
    gst_video_frame_unmap(&frame);
    return converted ? image : QImage();
}
