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

unsigned V4l2PixelFormat(const QString& name) {
    if (name == QLatin1String("YUY2")) {
        return V4L2_PIX_FMT_YUYV;
    }
    if (name == QLatin1String("MJPG")) {
        return V4L2_PIX_FMT_MJPEG;
    }
    if (name == QLatin1String("I420")) {
        return V4L2_PIX_FMT_YUV420;
    }
    const QByteArray code = name.toLatin1();
    if (code.isEmpty() || code.size() > 4) {
        return 0;
    }
    const QByteArray padded = code.leftJustified(4, ' ');
    return v4l2_fourcc(padded[0], padded[1], padded[2], padded[3]);
}

bool SetV4l2Format(const QString& devicePath, const VideoCapability& cap, const V4l2Io& io) {
    const unsigned pixelFormat = V4l2PixelFormat(cap.format);
    if (pixelFormat == 0 || cap.width <= 0 || cap.height <= 0) {
        return false;
    }
    const int fd = io.open(devicePath.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        qCDebug(veldorTrace, "open %s: %s", qUtf8Printable(devicePath), std::strerror(errno));
        return false;
    }
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.pixelformat = pixelFormat;
    fmt.fmt.pix.width = static_cast<unsigned>(cap.width);
    fmt.fmt.pix.height = static_cast<unsigned>(cap.height);
    fmt.fmt.pix.field = V4L2_FIELD_ANY;
    const int rc = V4l2Ioctl(io, fd, VIDIOC_S_FMT, &fmt);
    io.close(fd);
    // The driver fits a format it lacks to one it has.
    return rc == 0 && fmt.fmt.pix.pixelformat == pixelFormat &&
           int(fmt.fmt.pix.width) == cap.width && int(fmt.fmt.pix.height) == cap.height;
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
