#include "capture/GrabbedFrameConvert.h"

#include "capture/CameraSample.h"
#include "capture/FrameResample.h"
#include "capture/JpegDecompressor.h"
#include "capture/Yuy2Converter.h"
#include "platform/trace/Trace.h"

#include <cstring>
#include <gst/video/video.h>
#include <turbojpeg.h>

namespace {

// An empty frame of size in the grabber's format.
GrabbedFrame EmptyFrame(QSize size) {
    GrabbedFrame out;
    const int stride = FrameStride(size.width(), 24);
    out.format = FrameFormat{size.width(), size.height(), 24, stride * size.height()};
    out.bytes.resize(static_cast<size_t>(stride) * size.height());
    return out;
}

std::optional<GrabbedFrame> DecodeJpeg(GstSample* sample) {
    const MappedSample data(sample);
    JpegDecompressor jpeg;
    const std::optional<QSize> size =
        data.IsMapped() ? jpeg.FrameSize(data.Data(), data.Size()) : std::nullopt;
    if (!size || !IsSampleFrameSize(sample, *size)) {
        qCDebug(veldorTrace, "grabber: the camera's JPEG frame has no usable header");
        return std::nullopt;
    }
    GrabbedFrame out = EmptyFrame(*size);
    if (!jpeg.Decode(data.Data(), data.Size(), out.bytes.data(), *size,
                     FrameStride(size->width(), 24), TJPF_BGR,
                     TJFLAG_ACCURATEDCT | TJFLAG_BOTTOMUP)) {
        return std::nullopt;
    }
    return out;
}

std::optional<GrabbedFrame> ConvertYuy2(const GstVideoFrame& frame) {
    const QSize size(GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame));
    GrabbedFrame out = EmptyFrame(size);
    Yuy2Converter converter;
    if (!converter.ToBottomUpBgr(static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                                 GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), size,
                                 frame.info.colorimetry, out.bytes.data(),
                                 FrameStride(size.width(), 24))) {
        return std::nullopt;
    }
    return out;
}

std::optional<GrabbedFrame> CopyBgr(const GstVideoFrame& frame) {
    const int width = GST_VIDEO_FRAME_WIDTH(&frame);
    const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
    const int inStride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const int inPixel = GST_VIDEO_FRAME_FORMAT(&frame) == GST_VIDEO_FORMAT_BGR ? 3 : 4;
    const auto* in = static_cast<const unsigned char*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));

    GrabbedFrame out = EmptyFrame(QSize(width, height));
    const int stride = FrameStride(width, 24);
    for (int y = 0; y < height; ++y) {
        // Bottom row first.
        const unsigned char* src = in + static_cast<size_t>(height - 1 - y) * inStride;
        unsigned char* dst = out.bytes.data() + static_cast<size_t>(y) * stride;
        if (inPixel == 3) {
            std::memcpy(dst, src, static_cast<size_t>(width) * 3);
        } else if (width > 0) {
            // Four bytes a pixel, each copy's fourth byte overwritten by the next pixel: the
            // byte-wise loop cost more than compressing the picture.
            int x = 0;
            for (; x + 1 < width; ++x) {
                std::memcpy(dst + 3 * x, src + 4 * x, 4);
            }
            std::memcpy(dst + 3 * x, src + 4 * x, 3);
        }
    }
    return out;
}

} // namespace

std::optional<GrabbedFrame> FrameFromSample(GstSample* sample) {
    if (IsJpegSample(sample)) {
        return DecodeJpeg(sample);
    }
    GstBuffer* buffer = sample ? gst_sample_get_buffer(sample) : nullptr;
    GstVideoInfo info;
    if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) {
        return std::nullopt;
    }
    const GstVideoFormat format = GST_VIDEO_INFO_FORMAT(&info);
    if (format != GST_VIDEO_FORMAT_BGR && format != GST_VIDEO_FORMAT_BGRx &&
        format != GST_VIDEO_FORMAT_BGRA && format != GST_VIDEO_FORMAT_YUY2) {
        qCDebug(veldorTrace, "grabber: unexpected format %s", gst_video_format_to_string(format));
        return std::nullopt;
    }
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        return std::nullopt;
    }
    std::optional<GrabbedFrame> out =
        format == GST_VIDEO_FORMAT_YUY2 ? ConvertYuy2(frame) : CopyBgr(frame);
    gst_video_frame_unmap(&frame);
    return out;
}
