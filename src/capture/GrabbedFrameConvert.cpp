#include "capture/GrabbedFrameConvert.h"

#include "capture/FrameResample.h"
#include "platform/trace/Trace.h"

#include <cstring>
#include <gst/video/video.h>

std::optional<GrabbedFrame> FrameFromSample(GstSample* sample) {
    GstBuffer* buffer = sample ? gst_sample_get_buffer(sample) : nullptr;
    GstVideoInfo info;
    if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) {
        return std::nullopt;
    }
    const GstVideoFormat format = GST_VIDEO_INFO_FORMAT(&info);
    if (format != GST_VIDEO_FORMAT_BGR && format != GST_VIDEO_FORMAT_BGRx &&
        format != GST_VIDEO_FORMAT_BGRA) {
        qCDebug(veldorTrace, "grabber: unexpected format %s", gst_video_format_to_string(format));
        return std::nullopt;
    }
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        return std::nullopt;
    }
    const int width = GST_VIDEO_FRAME_WIDTH(&frame);
    const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
    const int inStride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const int inPixel = format == GST_VIDEO_FORMAT_BGR ? 3 : 4;
    const auto* in = static_cast<const unsigned char*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));

    GrabbedFrame out;
    const int stride = FrameStride(width, 24);
    out.format = FrameFormat{width, height, 24, stride * height};
    out.bytes.resize(static_cast<size_t>(stride) * height);
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
    gst_video_frame_unmap(&frame);
    return out;
}
