#pragma once

#include <functional>

// The one door every V4L2 call goes through, so tests can put a fake device behind it.
// Each member behaves like the system call it stands for: -1 and errno on failure.
struct V4l2Io {
    std::function<int(const char* path, int flags)> open;
    std::function<int(int fd)> close;
    std::function<int(int fd, unsigned long request, void* arg)> ioctl;
};

// ::open, ::close and ::ioctl; open and ioctl are retried when a signal interrupts them.
V4l2Io RealV4l2Io();

// "VIDIOC_G_CTRL" for VIDIOC_G_CTRL and so on; nullptr for a request without a name here.
const char* V4l2RequestName(unsigned long request);

// io.ioctl, with one trace line naming the request and the errno text when it fails, unless
// the errno is quietErrno (the expected end of an enumeration). errno is kept for the caller.
int V4l2Ioctl(const V4l2Io& io, int fd, unsigned long request, void* arg, int quietErrno = 0);
