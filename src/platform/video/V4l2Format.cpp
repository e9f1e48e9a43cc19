#include "platform/video/V4l2Format.h"

#include "platform/trace/Trace.h"
#include "platform/video/V4l2Io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>

QString V4l2FormatName(unsigned pixelFormat) {
    switch (pixelFormat) {
    case V4L2_PIX_FMT_YUYV:
        return QStringLiteral("YUY2");
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG:
        return QStringLiteral("MJPG");
    case V4L2_PIX_FMT_H264:
        return QStringLiteral("H264");
    case V4L2_PIX_FMT_NV12:
        return QStringLiteral("NV12");
    case V4L2_PIX_FMT_YUV420:
        return QStringLiteral("I420");
    case V4L2_PIX_FMT_UYVY:
        return QStringLiteral("UYVY");
    default: {
        char fourcc[5] = {char(pixelFormat & 0xFF), char((pixelFormat >> 8) & 0xFF),
                          char((pixelFormat >> 16) & 0xFF), char((pixelFormat >> 24) & 0xFF), 0};
        return QString::fromLatin1(fourcc).trimmed();
    }
    }
}

std::optional<VideoCapability> QueryV4l2Format(const QString& devicePath, const V4l2Io& io) {
    const int fd = io.open(devicePath.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        qCDebug(veldorTrace, "open %s: %s", qUtf8Printable(devicePath), std::strerror(errno));
        return std::nullopt;
    }
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    const int rc = V4l2Ioctl(io, fd, VIDIOC_G_FMT, &fmt);
    io.close(fd);
    if (rc < 0) {
        return std::nullopt;
    }
    VideoCapability cap;
    cap.format = V4l2FormatName(fmt.fmt.pix.pixelformat);
    cap.width = static_cast<int>(fmt.fmt.pix.width);
    cap.height = static_cast<int>(fmt.fmt.pix.height);
    return cap;
}
