#include "platform/video/V4l2Controls.h"

#include "platform/trace/Trace.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>

enum class AutoPair { None, Boolean, ExposureMenu };

struct ControlMapping {
    int kind;
    int propertyId;
    std::uint32_t id;
    std::uint32_t autoId;
    AutoPair autoPair;
};

namespace {

// In the order of the camera property table. Colour enable and roll have no V4L2 control.
constexpr ControlMapping kMappings[] = {
    {kVideoProcAmp, 0, V4L2_CID_BRIGHTNESS, 0, AutoPair::None},
    {kVideoProcAmp, 1, V4L2_CID_CONTRAST, 0, AutoPair::None},
    {kVideoProcAmp, 2, V4L2_CID_HUE, V4L2_CID_HUE_AUTO, AutoPair::Boolean},
    {kVideoProcAmp, 3, V4L2_CID_SATURATION, 0, AutoPair::None},
    {kVideoProcAmp, 4, V4L2_CID_SHARPNESS, 0, AutoPair::None},
    {kVideoProcAmp, 5, V4L2_CID_GAMMA, 0, AutoPair::None},
    {kVideoProcAmp, 7, V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE,
     AutoPair::Boolean},
    {kVideoProcAmp, 8, V4L2_CID_BACKLIGHT_COMPENSATION, 0, AutoPair::None},
    {kVideoProcAmp, 9, V4L2_CID_GAIN, V4L2_CID_AUTOGAIN, AutoPair::Boolean},
    {kVideoProcAmp, 13, V4L2_CID_POWER_LINE_FREQUENCY, 0, AutoPair::None},
    {kCameraControl, 0, V4L2_CID_PAN_ABSOLUTE, 0, AutoPair::None},
    {kCameraControl, 1, V4L2_CID_TILT_ABSOLUTE, 0, AutoPair::None},
    {kCameraControl, 3, V4L2_CID_ZOOM_ABSOLUTE, 0, AutoPair::None},
    {kCameraControl, 4, V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO, AutoPair::ExposureMenu},
    {kCameraControl, 5, V4L2_CID_IRIS_ABSOLUTE, 0, AutoPair::None},
    {kCameraControl, 6, V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO, AutoPair::Boolean},
    {kCameraControl, 19, V4L2_CID_EXPOSURE_AUTO_PRIORITY, 0, AutoPair::None},
};

const ControlMapping* Lookup(int kind, int propertyId) {
    for (const ControlMapping& mapping : kMappings) {
        if (mapping.kind == kind && mapping.propertyId == propertyId) {
            return &mapping;
        }
    }
    return nullptr;
}

// Menus of broken firmware can claim huge ranges; no real menu has more items than this.
constexpr std::int64_t kMenuItemsMax = 256;
// Guards the enumeration against a driver that never reports its end.
constexpr int kControlsMax = 4096;

int ToInt(std::int64_t value) {
    return int(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

bool IsMenu(std::uint32_t type) {
    return type == V4L2_CTRL_TYPE_MENU || type == V4L2_CTRL_TYPE_INTEGER_MENU;
}

bool MenuHas(const QList<ControlMenuEntry>& menu, int index) {
    return std::any_of(menu.begin(), menu.end(),
                       [index](const ControlMenuEntry& entry) { return entry.index == index; });
}

} // namespace

V4l2Controls::V4l2Controls(const QString& devicePath, V4l2Io io) : m_io(std::move(io)) {
    const QByteArray path = devicePath.toLocal8Bit();
    m_fd = m_io.open(path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        qCDebug(veldorTrace, "open %s failed: %s", path.constData(), std::strerror(errno));
        m_fd = -1;
        return;
    }
    m_ownsFd = true;
}

V4l2Controls::V4l2Controls(BorrowedFd borrowed, V4l2Io io)
    : m_io(std::move(io)), m_fd(borrowed.fd < 0 ? -1 : borrowed.fd) {
}

V4l2Controls::~V4l2Controls() {
    if (m_ownsFd && m_io.close(m_fd) < 0) {
        qCDebug(veldorTrace, "close of the camera's controls failed: %s", std::strerror(errno));
    }
}

bool V4l2Controls::Usable() const {
    return m_fd >= 0 && !m_unplugged;
}

bool V4l2Controls::Call(unsigned long request, void* arg, int quietErrno) {
    if (!Usable()) {
        return false;
    }
    if (V4l2Ioctl(m_io, m_fd, request, arg, quietErrno) >= 0) {
        return true;
    }
    if (errno == ENODEV) {
        m_unplugged = true;
        qCDebug(veldorTrace, "the camera was unplugged; its controls are no longer used");
    }
    return false;
}

void V4l2Controls::Discover() {
    m_controls.clear();
    m_discovered = true;
    std::uint32_t last = 0;
    int count = 0;
    for (; count < kControlsMax; ++count) {
        std::uint32_t next = 0;
        if (!DiscoverOne(last, true, &next)) {
            break;
        }
        if (next <= last) {
            qCDebug(veldorTrace, "control enumeration went backwards at 0x%08x", next);
            break;
        }
        last = next;
    }
    // A driver without enumeration still answers a question about one control.
    if (count == 0 && Usable()) {
        for (const ControlMapping& mapping : kMappings) {
            DiscoverOne(mapping.id, false, nullptr);
            if (mapping.autoId != 0) {
                DiscoverOne(mapping.autoId, false, nullptr);
            }
        }
    }
}

bool V4l2Controls::DiscoverOne(std::uint32_t id, bool enumerate, std::uint32_t* nextId) {
    v4l2_query_ext_ctrl query;
    std::memset(&query, 0, sizeof(query));
    query.id = enumerate ? (id | V4L2_CTRL_FLAG_NEXT_CTRL) : id;
    if (!Call(VIDIOC_QUERY_EXT_CTRL, &query, EINVAL)) {
        return false;
    }
    if (nextId) {
        *nextId = query.id;
    }
    const std::uint32_t type = query.type;
    if (type != V4L2_CTRL_TYPE_INTEGER && type != V4L2_CTRL_TYPE_BOOLEAN && !IsMenu(type)) {
        return true;
    }
    if (query.flags & V4L2_CTRL_FLAG_DISABLED) {
        return true;
    }
    const QByteArray name(query.name, int(strnlen(query.name, sizeof(query.name))));
    if (query.minimum > query.maximum) {
        qCDebug(veldorTrace, "control %s is unusable: its range %lld..%lld is empty",
                name.constData(), static_cast<long long>(query.minimum),
                static_cast<long long>(query.maximum));
        return true;
    }
    Control control;
    control.id = query.id;
    control.name = name;
    control.type = type;
    control.minimum = ToInt(query.minimum);
    control.maximum = ToInt(query.maximum);
    // A step of 0 is a firmware fault; every value of the range is then taken as valid.
    control.step = query.step == 0 || query.step > INT_MAX ? 1 : int(query.step);
    control.defaultValue = ToInt(query.default_value);
    control.flags = query.flags;
    if (IsMenu(type)) {
        const std::int64_t end =
            std::min<std::int64_t>(query.maximum, query.minimum + kMenuItemsMax);
        for (std::int64_t index = std::max<std::int64_t>(query.minimum, 0); index <= end; ++index) {
            v4l2_querymenu item;
            std::memset(&item, 0, sizeof(item));
            item.id = query.id;
            item.index = std::uint32_t(index);
            if (!Call(VIDIOC_QUERYMENU, &item, EINVAL)) {
                if (m_unplugged) {
                    return false;
                }
                continue;
            }
            const QString text =
                type == V4L2_CTRL_TYPE_INTEGER_MENU
                    ? QString::number(static_cast<long long>(item.value))
                    : QString::fromUtf8(reinterpret_cast<const char*>(item.name),
                                        int(strnlen(reinterpret_cast<const char*>(item.name),
                                                    sizeof(item.name))));
            control.menu.append({int(index), text});
        }
        if (control.menu.isEmpty()) {
            qCDebug(veldorTrace, "control %s is unusable: its menu has no item", name.constData());
            return true;
        }
    }
    m_controls[control.id] = control;
    return true;
}

const V4l2Controls::Control* V4l2Controls::Find(std::uint32_t id) {
    if (!Usable()) {
        return nullptr;
    }
    if (!m_discovered) {
        Discover();
    }
    const auto found = m_controls.find(id);
    return found == m_controls.end() || !Usable() ? nullptr : &found->second;
}

const V4l2Controls::Control* V4l2Controls::Readable(std::uint32_t id) {
    const Control* control = Find(id);
    return control && !(control->flags & V4L2_CTRL_FLAG_WRITE_ONLY) ? control : nullptr;
}

const V4l2Controls::Control* V4l2Controls::Writable(std::uint32_t id) {
    const Control* control = Find(id);
    return control && !(control->flags & V4L2_CTRL_FLAG_READ_ONLY) ? control : nullptr;
}

bool V4l2Controls::Read(const Control& control, int* value) {
    v4l2_control request;
    std::memset(&request, 0, sizeof(request));
    request.id = control.id;
    if (!Call(VIDIOC_G_CTRL, &request)) {
        return false;
    }
    *value = request.value;
    return true;
}

bool V4l2Controls::Write(const Control& control, int value) {
    int fitted;
    if (control.type == V4L2_CTRL_TYPE_BOOLEAN) {
        fitted = std::clamp(value, 0, 1);
    } else if (IsMenu(control.type)) {
        // The item nearest the wanted index; the lower one on a tie.
        fitted = control.menu.first().index;
        for (const ControlMenuEntry& entry : control.menu) {
            if (std::abs(std::int64_t(entry.index) - value) <
                std::abs(std::int64_t(fitted) - value)) {
                fitted = entry.index;
            }
        }
    } else {
        fitted = FitToRange(value, control.minimum, control.maximum, control.step);
    }
    v4l2_control request;
    std::memset(&request, 0, sizeof(request));
    request.id = control.id;
    request.value = fitted;
    return Call(VIDIOC_S_CTRL, &request);
}

std::optional<bool> V4l2Controls::ReadAuto(const ControlMapping& mapping) {
    if (mapping.autoPair == AutoPair::None) {
        return std::nullopt;
    }
    const Control* control = Readable(mapping.autoId);
    int value = 0;
    if (!control || !Read(*control, &value)) {
        return std::nullopt;
    }
    if (mapping.autoPair == AutoPair::ExposureMenu) {
        return value == V4L2_EXPOSURE_AUTO || value == V4L2_EXPOSURE_APERTURE_PRIORITY;
    }
    return value != 0;
}

bool V4l2Controls::HasWritableAuto(const ControlMapping& mapping) {
    return mapping.autoPair != AutoPair::None && Writable(mapping.autoId) != nullptr;
}

bool V4l2Controls::WriteAuto(const ControlMapping& mapping, bool on) {
    const Control* control =
        mapping.autoPair == AutoPair::None ? nullptr : Writable(mapping.autoId);
    if (!control) {
        return false;
    }
    int value = on ? 1 : 0;
    if (mapping.autoPair == AutoPair::ExposureMenu) {
        // Aperture priority leaves the iris alone; a camera without that mode may still offer
        // full automatic exposure.
        if (!on) {
            value = V4L2_EXPOSURE_MANUAL;
        } else if (MenuHas(control->menu, V4L2_EXPOSURE_APERTURE_PRIORITY)) {
            value = V4L2_EXPOSURE_APERTURE_PRIORITY;
        } else {
            value = V4L2_EXPOSURE_AUTO;
        }
        if (!MenuHas(control->menu, value)) {
            qCDebug(veldorTrace, "control %s has no mode %d", control->name.constData(), value);
            return false;
        }
    }
    v4l2_control request;
    std::memset(&request, 0, sizeof(request));
    request.id = control->id;
    request.value = value;
    return Call(VIDIOC_S_CTRL, &request);
}

bool V4l2Controls::Get(int kind, int propertyId, int* value, int* flags) {
    const ControlMapping* mapping = Lookup(kind, propertyId);
    if (!value || !flags || !mapping) {
        return false;
    }
    const Control* control = Readable(mapping->id);
    int current = 0;
    if (!control || !Read(*control, &current)) {
        return false;
    }
    const std::optional<bool> autoOn = ReadAuto(*mapping);
    if (!Usable()) {
        return false;
    }
    *value = current;
    *flags = autoOn.value_or(false) ? kPropertyFlagAuto : kPropertyFlagManual;
    return true;
}

bool V4l2Controls::Set(int kind, int propertyId, int value, int flags) {
    const ControlMapping* mapping = Lookup(kind, propertyId);
    if (!mapping || !Find(mapping->id)) {
        return false;
    }
    if (flags != kPropertyFlagAuto && flags != kPropertyFlagManual) {
        qCDebug(veldorTrace, "property %d/%d: flags %d are neither automatic nor manual", kind,
                propertyId, flags);
        return false;
    }
    if (HasWritableAuto(*mapping)) {
        // A value written while the camera still controls it is dropped, so manual mode first.
        if (flags == kPropertyFlagAuto) {
            return WriteAuto(*mapping, true);
        }
        if (!WriteAuto(*mapping, false)) {
            return false;
        }
    }
    const Control* control = Writable(mapping->id);
    return control && Write(*control, value);
}

QList<ControlInfo> V4l2Controls::Controls() {
    QList<ControlInfo> infos;
    if (!Usable()) {
        return infos;
    }
    // Again each time: flags such as "inactive" follow the automatic modes.
    Discover();
    for (const ControlMapping& mapping : kMappings) {
        const Control* control = Readable(mapping.id);
        ControlInfo info;
        if (!control || !Read(*control, &info.value)) {
            if (!Usable()) {
                return {};
            }
            continue;
        }
        info.kind = mapping.kind;
        info.propertyId = mapping.propertyId;
        info.name = QString::fromUtf8(control->name);
        info.type = control->type == V4L2_CTRL_TYPE_BOOLEAN ? ControlType::Boolean
                    : IsMenu(control->type)                 ? ControlType::Menu
                                                            : ControlType::Integer;
        info.minimum = control->minimum;
        info.maximum = control->maximum;
        info.step = control->step;
        info.defaultValue = control->defaultValue;
        info.menu = control->menu;
        info.readOnly = (control->flags & V4L2_CTRL_FLAG_READ_ONLY) != 0;
        info.hasAuto = HasWritableAuto(mapping);
        info.autoOn = ReadAuto(mapping).value_or(false);
        if (!Usable()) {
            return {};
        }
        infos.append(info);
    }
    return infos;
}

bool V4l2Controls::SetAuto(int kind, int propertyId, bool on) {
    const ControlMapping* mapping = Lookup(kind, propertyId);
    return mapping && Find(mapping->id) && WriteAuto(*mapping, on);
}

bool V4l2Controls::SetValue(int kind, int propertyId, int value) {
    const ControlMapping* mapping = Lookup(kind, propertyId);
    const Control* control = mapping ? Writable(mapping->id) : nullptr;
    return control && Write(*control, value);
}
