#pragma once

#include "platform/video/CameraControls.h"
#include "platform/video/V4l2Io.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>

struct ControlMapping;

// The camera property numbers on a V4L2 device's controls. Controls are discovered from the device
// (VIDIOC_QUERY_EXT_CTRL enumeration, VIDIOC_QUERYMENU), values read and written with
// VIDIOC_G_CTRL / VIDIOC_S_CTRL. Once a call reports ENODEV the camera is gone: every later call
// fails without touching the device. Runs on the user-interface thread.
class V4l2Controls : public CameraControls {
public:
    // A descriptor that belongs to someone else (v4l2src's "device-fd" while it streams). It is
    // never closed here and must stay open as long as this object is used.
    struct BorrowedFd {
        int fd = -1;
    };

    // Opens the device node; it is closed with this object.
    explicit V4l2Controls(const QString& devicePath, V4l2Io io = RealV4l2Io());
    explicit V4l2Controls(BorrowedFd borrowed, V4l2Io io = RealV4l2Io());
    ~V4l2Controls() override;
    V4l2Controls(const V4l2Controls&) = delete;
    V4l2Controls& operator=(const V4l2Controls&) = delete;

    bool Get(int kind, int propertyId, int* value, int* flags) override;
    bool Set(int kind, int propertyId, int value, int flags) override;
    QList<ControlInfo> Controls() override;
    bool SetAuto(int kind, int propertyId, bool on) override;
    bool SetValue(int kind, int propertyId, int value) override;

    bool isOpen() const { return m_fd >= 0; }
    bool isUnplugged() const { return m_unplugged; }

private:
    struct Control {
        std::uint32_t id = 0;
        QByteArray name;
        std::uint32_t type = 0;
        int minimum = 0;
        int maximum = 0;
        int step = 1;
        int defaultValue = 0;
        std::uint32_t flags = 0;
        QList<ControlMenuEntry> menu;
    };

    bool Usable() const;
    bool Call(unsigned long request, void* arg, int quietErrno = 0);
    void Discover();
    bool DiscoverOne(std::uint32_t id, bool enumerate, std::uint32_t* nextId);
    const Control* Find(std::uint32_t id);
    const Control* Readable(std::uint32_t id);
    const Control* Writable(std::uint32_t id);
    bool Read(const Control& control, int* value);
    bool Write(const Control& control, int value);
    std::optional<bool> ReadAuto(const ControlMapping& mapping);
    bool WriteAuto(const ControlMapping& mapping, bool on);
    bool HasWritableAuto(const ControlMapping& mapping);

    V4l2Io m_io;
    int m_fd = -1;
    bool m_ownsFd = false;
    bool m_unplugged = false;
    bool m_discovered = false;
    std::map<std::uint32_t, Control> m_controls; // what the device offers, by control id
};
