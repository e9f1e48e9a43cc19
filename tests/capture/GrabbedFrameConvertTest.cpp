#include "capture/GrabbedFrameConvert.h"
#include "capture/FrameResample.h"
#include "platform/video/GstHandles.h"

#include <gst/video/video.h>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A sample of width x height pixels in format whose pixel at (x, y) from the top holds the
// bytes x, y and 100 + x (then 0xEE for the fourth byte of a four-byte format).
GstSamplePtr Sample(GstVideoFormat format, int width, int height) {
    GstVideoInfo info;
    gst_video_info_set_format(&info, format, width, height);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    const int pixel = GST_VIDEO_INFO_COMP_PSTRIDE(&info, 0);
    for (int y = 0; y < height; ++y) {
        guint8* row = map.data + y * GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
        for (int x = 0; x < width; ++x) {
            const guint8 bytes[4] = {guint8(x), guint8(y), guint8(100 + x), 0xEE};
            std::copy(bytes, bytes + pixel, row + x * pixel);
        }
    }
    gst_buffer_unmap(buffer, &map);
    GstCaps* caps = gst_video_info_to_caps(&info);
    GstSamplePtr sample(gst_sample_new(buffer, caps, nullptr, nullptr));
    gst_caps_unref(caps);
    gst_buffer_unref(buffer);
    return sample;
}

TEST(FrameFromSample, BottomUpBgrRowsPaddedToFourBytes) {
    ASSERT_TRUE(EnsureGstInit());
    for (GstVideoFormat format :
         {GST_VIDEO_FORMAT_BGRx, GST_VIDEO_FORMAT_BGRA, GST_VIDEO_FORMAT_BGR}) {
        for (int width : {1, 3, 5, 8}) {
            SCOPED_TRACE(std::string(gst_video_format_to_string(format)) + " width " +
                         std::to_string(width));
            const int height = 3;
            const std::optional<GrabbedFrame> frame =
                FrameFromSample(Sample(format, width, height).get());
            ASSERT_TRUE(frame);
            const int stride = FrameStride(width, 24);
            EXPECT_EQ(frame->format.width, width);
            EXPECT_EQ(frame->format.height, height);
            EXPECT_EQ(frame->format.bitCount, 24);
            ASSERT_EQ(frame->bytes.size(), size_t(stride * height));
            for (int row = 0; row < height; ++row) {
                const int y = height - 1 - row; // the picture's row stored at this place
                std::vector<unsigned char> expected(size_t(stride), 0);
                for (int x = 0; x < width; ++x) {
                    expected[3 * x] = (unsigned char)x;
                    expected[3 * x + 1] = (unsigned char)y;
                    expected[3 * x + 2] = (unsigned char)(100 + x);
                }
                const auto* stored = frame->bytes.data() + row * stride;
                EXPECT_EQ(std::vector<unsigned char>(stored, stored + stride), expected) << row;
            }
        }
    }
    EXPECT_FALSE(FrameFromSample(Sample(GST_VIDEO_FORMAT_I420, 4, 4).get()));
}

} // namespace
