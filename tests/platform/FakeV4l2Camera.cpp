#include "FakeV4l2Camera.h"

#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <cstdint>
#include <linux/videodev2.h>

QList<SimulatedV4l2Device::Control> ParseControlList(const QByteArray& text) {
    static const QRegularExpression controlLine(
        QStringLiteral(R"(^\s*(\S+)\s+0x([0-9a-fA-F]{8})\s+\((\w+)\)\s*:(.*)$)"));
    static const QRegularExpression menuLine(QStringLiteral(R"(^\s+(-?\d+): (.*\S)\s*$)"));
    static const QRegularExpression field(QStringLiteral(R"((\w+)=(\S+))"));
    QList<SimulatedV4l2Device::Control> controls;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (const auto match = controlLine.match(line); match.hasMatch()) {
            SimulatedV4l2Device::Control control;
            control.name = match.captured(1).toUtf8();
            control.id = match.captured(2).toUInt(nullptr, 16);
            const QString type = match.captured(3);
            control.type = type == QLatin1String("bool")      ? V4L2_CTRL_TYPE_BOOLEAN
                           : type == QLatin1String("menu")    ? V4L2_CTRL_TYPE_MENU
                           : type == QLatin1String("intmenu") ? V4L2_CTRL_TYPE_INTEGER_MENU
                           : type == QLatin1String("int")     ? V4L2_CTRL_TYPE_INTEGER
                           : type == QLatin1String("button")  ? V4L2_CTRL_TYPE_BUTTON
                                                              : V4L2_CTRL_TYPE_INTEGER64;
            if (control.type == V4L2_CTRL_TYPE_BOOLEAN) {
                control.maximum = 1;
            }
            auto fields = field.globalMatch(match.captured(4));
            while (fields.hasNext()) {
                const auto pair = fields.next();
                const QString key = pair.captured(1);
                const QString value = pair.captured(2);
                if (key == QLatin1String("min")) {
                    control.minimum = value.toLongLong();
                } else if (key == QLatin1String("max")) {
                    control.maximum = value.toLongLong();
                } else if (key == QLatin1String("step")) {
                    control.step = value.toULongLong();
                } else if (key == QLatin1String("default")) {
                    control.defaultValue = value.toLongLong();
                } else if (key == QLatin1String("value")) {
                    control.value = value.toInt();
                } else if (key == QLatin1String("flags")) {
                    for (const QString& flag : value.split(QLatin1Char(','))) {
                        control.flags |=
                            flag == QLatin1String("disabled")     ? V4L2_CTRL_FLAG_DISABLED
                            : flag == QLatin1String("inactive")   ? V4L2_CTRL_FLAG_INACTIVE
                            : flag == QLatin1String("read-only")  ? V4L2_CTRL_FLAG_READ_ONLY
                            : flag == QLatin1String("write-only") ? V4L2_CTRL_FLAG_WRITE_ONLY
                                                                  : 0u;
                    }
                }
            }
            controls.append(control);
        } else if (const auto item = menuLine.match(line); item.hasMatch() && !controls.isEmpty()) {
            controls.last().menu[item.captured(1).toUInt()] = item.captured(2).toUtf8();
        }
    }
    return controls;
}

QList<SimulatedV4l2Device::Control> ReadControlFixture(const QString& fileName) {
    QFile file(QStringLiteral(VELDOR_FIXTURES "/real-cameras/") + fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return ParseControlList(file.readAll());
}

FakeV4l2Camera::FakeV4l2Camera(QList<SimulatedV4l2Device::Control> controls)
    : device(std::move(controls)) {
}

FakeV4l2Camera FakeV4l2Camera::FromFixture(const QString& fileName) {
    return FakeV4l2Camera(ReadControlFixture(fileName));
}

V4l2Io FakeV4l2Camera::Io() {
    V4l2Io inner = device.Io();
    V4l2Io io = inner;
    io.ioctl = [this, inner](int fd, unsigned long request, void* arg) {
        Call call{request, 0, 0};
        if (request == VIDIOC_QUERY_EXT_CTRL) {
            call.id = static_cast<v4l2_query_ext_ctrl*>(arg)->id;
        } else if (request == VIDIOC_QUERYMENU) {
            call.id = static_cast<v4l2_querymenu*>(arg)->id;
        } else if (request == VIDIOC_G_CTRL || request == VIDIOC_S_CTRL) {
            call.id = static_cast<v4l2_control*>(arg)->id;
            call.value = request == VIDIOC_S_CTRL ? static_cast<v4l2_control*>(arg)->value : 0;
        }
        calls.append(call);
        if (unplugged || (refusedRequest != 0 && request == refusedRequest)) {
            errno = unplugged ? ENODEV : refusedErrno;
            return -1;
        }
        return inner.ioctl(fd, request, arg);
    };
    return io;
}

QList<FakeV4l2Camera::Call> FakeV4l2Camera::Writes() const {
    QList<Call> writes;
    for (const Call& call : calls) {
        if (call.request == VIDIOC_S_CTRL) {
            writes.append(call);
        }
    }
    return writes;
}

std::int32_t FakeV4l2Camera::Value(std::uint32_t id) {
    const SimulatedV4l2Device::Control* control = device.Find(id);
    return control ? control->value : INT32_MIN;
}
