#pragma once

#include "platform/video/SimulatedV4l2Device.h"
#include "platform/video/V4l2Io.h"

#include <QList>
#include <QString>
#include <cstdint>

// The control table of a `v4l2-ctl --list-ctrls` / `--list-ctrls-menus` dump: lines such as
// "brightness 0x00980900 (int) : min=-64 max=64 step=1 default=0 value=0 flags=inactive",
// each optionally followed by menu item lines "1: 50 Hz". Empty when the file cannot be read.
QList<SimulatedV4l2Device::Control> ParseControlList(const QByteArray& text);
QList<SimulatedV4l2Device::Control> ReadControlFixture(const QString& fileName);

// A camera answering from a control table that records every ioctl and can be unplugged.
class FakeV4l2Camera {
public:
    struct Call {
        unsigned long request = 0;
        std::uint32_t id = 0; // the control id asked for (with V4L2_CTRL_FLAG_NEXT_CTRL as passed)
        std::int32_t value = 0; // the value written by VIDIOC_S_CTRL
        bool operator==(const Call&) const = default;
    };

    explicit FakeV4l2Camera(QList<SimulatedV4l2Device::Control> controls);
    FakeV4l2Camera(const FakeV4l2Camera&) = delete;
    FakeV4l2Camera& operator=(const FakeV4l2Camera&) = delete;
    static FakeV4l2Camera FromFixture(const QString& fileName);

    // The table refers to this object, which must outlive every copy of it.
    V4l2Io Io();

    SimulatedV4l2Device device;
    QList<Call> calls;
    bool unplugged = false;           // every ioctl from now on fails with ENODEV
    unsigned long refusedRequest = 0; // this request fails with refusedErrno
    int refusedErrno = 0;

    QList<Call> Writes() const; // the VIDIOC_S_CTRL calls, in order
    std::int32_t Value(std::uint32_t id);
};
