#include "platform/video/SimulatedV4l2Device.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/videodev2.h>

SimulatedV4l2Device::SimulatedV4l2Device(QList<Control> controls)
    : m_controls(std::move(controls)) {
    std::stable_sort(m_controls.begin(), m_controls.end(),
                     [](const Control& a, const Control& b) { return a.id < b.id; });
}

V4l2Io SimulatedV4l2Device::Io() {
    V4l2Io io;
    io.open = [this](const char*, int) {
        m_open = true;
        return kFd;
    };
    io.close = [this](int fd) {
        if (fd != kFd || !m_open) {
            errno = EBADF;
            return -1;
        }
        m_open = false;
        ++m_closeCount;
        return 0;
    };
    io.ioctl = [this](int fd, unsigned long request, void* arg) { return Ioctl(fd, request, arg); };
    return io;
}

SimulatedV4l2Device::Control* SimulatedV4l2Device::Find(std::uint32_t id) {
    for (Control& control : m_controls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

namespace {

int Fail(int error) {
    errno = error;
    return -1;
}

void CopyName(char* target, std::size_t size, const QByteArray& name) {
    std::memset(target, 0, size);
    std::memcpy(target, name.constData(), std::min<std::size_t>(size - 1, name.size()));
}

bool IsMenu(const SimulatedV4l2Device::Control& control) {
    return control.type == V4L2_CTRL_TYPE_MENU || control.type == V4L2_CTRL_TYPE_INTEGER_MENU;
}

} // namespace

int SimulatedV4l2Device::Ioctl(int fd, unsigned long request, void* arg) {
    if (fd != kFd || !m_open) {
        return Fail(EBADF);
    }
    switch (request) {
    case VIDIOC_QUERY_EXT_CTRL: {
        auto* query = static_cast<v4l2_query_ext_ctrl*>(arg);
        const Control* found = nullptr;
        if (query->id & V4L2_CTRL_FLAG_NEXT_CTRL) {
            const std::uint32_t after =
                query->id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
            for (const Control& control : m_controls) {
                if (control.id > after) {
                    found = &control;
                    break;
                }
            }
        } else {
            found = Find(query->id);
        }
        if (!found) {
            return Fail(EINVAL);
        }
        std::memset(query, 0, sizeof(*query));
        query->id = found->id;
        query->type = found->type;
        CopyName(query->name, sizeof(query->name), found->name);
        query->minimum = found->minimum;
        query->maximum = found->maximum;
        query->step = found->step;
        query->default_value = found->defaultValue;
        query->flags = found->flags;
        query->elem_size = 4;
        query->elems = 1;
        return 0;
    }
    case VIDIOC_QUERYCTRL: {
        auto* query = static_cast<v4l2_queryctrl*>(arg);
        const Control* found = Find(query->id);
        if (!found) {
            return Fail(EINVAL);
        }
        std::memset(query, 0, sizeof(*query));
        query->id = found->id;
        query->type = found->type;
        CopyName(reinterpret_cast<char*>(query->name), sizeof(query->name), found->name);
        query->minimum = std::int32_t(found->minimum);
        query->maximum = std::int32_t(found->maximum);
        query->step = std::int32_t(found->step);
        query->default_value = std::int32_t(found->defaultValue);
        query->flags = found->flags;
        return 0;
    }
    case VIDIOC_QUERYMENU: {
        auto* query = static_cast<v4l2_querymenu*>(arg);
        const Control* found = Find(query->id);
        if (!found || !IsMenu(*found) || query->index < found->minimum ||
            query->index > found->maximum) {
            return Fail(EINVAL);
        }
        QByteArray name;
        if (found->menu.empty()) {
            name = "Item " + QByteArray::number(query->index);
        } else {
            const auto item = found->menu.find(query->index);
            if (item == found->menu.end()) {
                return Fail(EINVAL);
            }
            name = item->second;
        }
        const std::uint32_t id = query->id;
        const std::uint32_t index = query->index;
        std::memset(query, 0, sizeof(*query));
        query->id = id;
        query->index = index;
        if (found->type == V4L2_CTRL_TYPE_INTEGER_MENU) {
            query->value = name.toLongLong();
        } else {
            CopyName(reinterpret_cast<char*>(query->name), sizeof(query->name), name);
        }
        return 0;
    }
    case VIDIOC_G_CTRL: {
        auto* control = static_cast<v4l2_control*>(arg);
        const Control* found = Find(control->id);
        if (!found || (found->flags & V4L2_CTRL_FLAG_DISABLED)) {
            return Fail(EINVAL);
        }
        if (found->flags & V4L2_CTRL_FLAG_WRITE_ONLY) {
            return Fail(EACCES);
        }
        control->value = found->value;
        return 0;
    }
    case VIDIOC_S_CTRL: {
        auto* control = static_cast<v4l2_control*>(arg);
        Control* found = Find(control->id);
        if (!found || (found->flags & V4L2_CTRL_FLAG_DISABLED)) {
            return Fail(EINVAL);
        }
        if (found->flags & V4L2_CTRL_FLAG_READ_ONLY) {
            return Fail(EACCES);
        }
        found->value = control->value;
        return 0;
    }
    default:
        return Fail(ENOTTY);
    }
}
