#include "platform/video/V4l2Format.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <linux/videodev2.h>

namespace {

TEST(V4l2Format, PixelFormatNames) {
    const struct {
        unsigned pixelFormat;
        const char* name;
    } table[] = {{V4L2_PIX_FMT_YUYV, "YUY2"}, {V4L2_PIX_FMT_MJPEG, "MJPG"},
                 {V4L2_PIX_FMT_JPEG, "MJPG"}, {V4L2_PIX_FMT_H264, "H264"},
                 {V4L2_PIX_FMT_NV12, "NV12"}, {V4L2_PIX_FMT_YUV420, "I420"},
                 {V4L2_PIX_FMT_UYVY, "UYVY"}, {V4L2_PIX_FMT_GREY, "GREY"}};
    for (const auto& row : table) {
        EXPECT_EQ(V4l2FormatName(row.pixelFormat), QLatin1String(row.name)) << row.name;
    }
}

V4l2Io FakeIo(int openResult, int ioctlErrno, bool* closed) {
    V4l2Io io;
    io.open = [openResult](const char*, int) {
        if (openResult < 0) {
            errno = ENOENT;
        }
        return openResult;
    };
    io.close = [closed](int) {
        *closed = true;
        return 0;
    };
    io.ioctl = [ioctlErrno](int, unsigned long request, void* arg) {
        if (ioctlErrno != 0) {
            errno = ioctlErrno;
            return -1;
        }
        EXPECT_EQ(request, static_cast<unsigned long>(VIDIOC_G_FMT));
        auto* fmt = static_cast<v4l2_format*>(arg);
        EXPECT_EQ(fmt->type, static_cast<unsigned>(V4L2_BUF_TYPE_VIDEO_CAPTURE));
        fmt->fmt.pix.pixelformat = V4L2_PIX_FMT_MJPEG;
        fmt->fmt.pix.width = 1280;
        fmt->fmt.pix.height = 720;
        return 0;
    };
    return io;
}

TEST(V4l2Format, CurrentFormatIsReadAndTheDeviceClosed) {
    bool closed = false;
    const auto format = QueryV4l2Format(QStringLiteral("/dev/video0"), FakeIo(5, 0, &closed));
    ASSERT_TRUE(format);
    EXPECT_EQ(format->format, QStringLiteral("MJPG"));
    EXPECT_EQ(format->width, 1280);
    EXPECT_EQ(format->height, 720);
    EXPECT_TRUE(closed);
}

TEST(V4l2Format, FailuresGiveNothing) {
    bool closed = false;
    EXPECT_FALSE(QueryV4l2Format(QStringLiteral("/dev/video0"), FakeIo(-1, 0, &closed)));
    EXPECT_FALSE(closed);
    EXPECT_FALSE(QueryV4l2Format(QStringLiteral("/dev/video0"), FakeIo(5, ENODEV, &closed)));
    EXPECT_TRUE(closed);
}

// The driver takes a format it has and fits any other to one it has.
TEST(V4l2Format, SetFormatIsTakenOnlyWhenTheDriverKeepsIt) {
    const struct {
        const char* format;
        unsigned pixelFormat;
        int width;
        bool taken;
    } cases[] = {{"MJPG", V4L2_PIX_FMT_MJPEG, 1280, true},
                 {"YUY2", V4L2_PIX_FMT_YUYV, 1000, false}};
    for (const auto& c : cases) {
        v4l2_format seen{};
        bool closed = false;
        V4l2Io io;
        io.open = [](const char*, int) { return 7; };
        io.close = [&closed](int) {
            closed = true;
            return 0;
        };
        io.ioctl = [&seen](int, unsigned long request, void* arg) {
            EXPECT_EQ(request, static_cast<unsigned long>(VIDIOC_S_FMT));
            auto* fmt = static_cast<v4l2_format*>(arg);
            seen = *fmt;
            if (fmt->fmt.pix.width != 1280) {
                fmt->fmt.pix.width = 1280;
            }
            return 0;
        };
        const VideoCapability cap{QLatin1String(c.format), c.width, 720, {}};
        EXPECT_EQ(SetV4l2Format(QStringLiteral("/dev/video0"), cap, io), c.taken) << c.format;
        EXPECT_EQ(seen.type, static_cast<unsigned>(V4L2_BUF_TYPE_VIDEO_CAPTURE));
        EXPECT_EQ(seen.fmt.pix.pixelformat, c.pixelFormat) << c.format;
        EXPECT_EQ(seen.fmt.pix.height, 720u);
        EXPECT_TRUE(closed);
    }
}

} // namespace
