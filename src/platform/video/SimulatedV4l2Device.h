#pragma once

#include "platform/video/V4l2Io.h"

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <map>

// An in-memory V4L2 device that answers the control ioctls (VIDIOC_QUERY_EXT_CTRL with
// V4L2_CTRL_FLAG_NEXT_CTRL, VIDIOC_QUERYCTRL, VIDIOC_QUERYMENU, VIDIOC_G_CTRL, VIDIOC_S_CTRL) from
// a table, the way a UVC camera does. It stands behind the simulated camera's controls and behind
// tests. Values are stored as written: range checks are the caller's business.
class SimulatedV4l2Device {
public:
    struct Control {
        std::uint32_t id = 0;
        QByteArray name;
        std::uint32_t type = 0; // V4L2_CTRL_TYPE_*
        std::int64_t minimum = 0;
        std::int64_t maximum = 0;
        std::uint64_t step = 1;
        std::int64_t defaultValue = 0;
        std::int32_t value = 0;
        std::uint32_t flags = 0;                  // V4L2_CTRL_FLAG_*
        std::map<std::uint32_t, QByteArray> menu; // index → name; empty = every index is valid
    };

    static constexpr int kFd = 1000;

    explicit SimulatedV4l2Device(QList<Control> controls = {});

    // open hands out kFd for any path; ioctl answers only kFd and fails with EBADF once closed.
    // The table refers to this object, which must outlive every copy of it.
    V4l2Io Io();

    const QList<Control>& controls() const { return m_controls; }
    Control* Find(std::uint32_t id);
    bool isOpen() const { return m_open; }
    int closeCount() const { return m_closeCount; }

    int Ioctl(int fd, unsigned long request, void* arg);

private:
    QList<Control> m_controls; // in ascending id order, as drivers enumerate them
    bool m_open = false;
    int m_closeCount = 0;
};
