#include "platform/video/V4l2Io.h"

#include "platform/trace/Trace.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

V4l2Io RealV4l2Io() {
    V4l2Io io;
    io.open = [](const char* path, int flags) {
        int fd;
        do {
            fd = ::open(path, flags);
        } while (fd < 0 && errno == EINTR);
        return fd;
    };
    // close is not retried: on Linux the descriptor is gone even when close reports EINTR.
    io.close = [](int fd) { return ::close(fd); };
    io.ioctl = [](int fd, unsigned long request, void* arg) {
        int result;
        do {
            result = ::ioctl(fd, request, arg);
        } while (result < 0 && errno == EINTR);
        return result;
    };
    return io;
}

const char* V4l2RequestName(unsigned long request) {
    switch (request) {
    case VIDIOC_QUERYCAP:
        return "VIDIOC_QUERYCAP";
    case VIDIOC_QUERYCTRL:
        return "VIDIOC_QUERYCTRL";
    case VIDIOC_QUERY_EXT_CTRL:
        return "VIDIOC_QUERY_EXT_CTRL";
    case VIDIOC_QUERYMENU:
        return "VIDIOC_QUERYMENU";
    case VIDIOC_G_CTRL:
        return "VIDIOC_G_CTRL";
    case VIDIOC_S_CTRL:
        return "VIDIOC_S_CTRL";
    case VIDIOC_G_EXT_CTRLS:
        return "VIDIOC_G_EXT_CTRLS";
    case VIDIOC_S_EXT_CTRLS:
        return "VIDIOC_S_EXT_CTRLS";
    case VIDIOC_ENUM_FMT:
        return "VIDIOC_ENUM_FMT";
    case VIDIOC_ENUM_FRAMESIZES:
        return "VIDIOC_ENUM_FRAMESIZES";
    case VIDIOC_ENUM_FRAMEINTERVALS:
        return "VIDIOC_ENUM_FRAMEINTERVALS";
    case VIDIOC_G_FMT:
        return "VIDIOC_G_FMT";
    case VIDIOC_S_FMT:
        return "VIDIOC_S_FMT";
    default:
        return nullptr;
    }
}

int V4l2Ioctl(const V4l2Io& io, int fd, unsigned long request, void* arg, int quietErrno) {
    const int result = io.ioctl(fd, request, arg);
    if (result < 0) {
        const int error = errno;
        if (error != quietErrno || quietErrno == 0) {
            if (const char* name = V4l2RequestName(request)) {
                qCDebug(veldorTrace, "%s failed: %s", name, std::strerror(error));
            } else {
                qCDebug(veldorTrace, "ioctl 0x%lx failed: %s", request, std::strerror(error));
            }
        }
        errno = error;
    }
    return result;
}
