#include "platform/video/DeviceFilter.h"

#include "platform/profile/ProfileText.h"
#include "platform/trace/Trace.h"
#include "platform/video/CapsParsing.h"

#include <QStringList>
#include <algorithm>

namespace {

bool IsVideoSource(const QString& deviceClass) {
    const QStringList parts = deviceClass.split(QLatin1Char('/'));
    return parts.contains(QLatin1String("Video")) && parts.contains(QLatin1String("Source"));
}

// Why device is not one of the V4L2 cameras; nothing when it is one.
std::optional<QString> RejectReason(const MonitoredDevice& device) {
    if (!IsVideoSource(device.deviceClass)) {
        return QStringLiteral("class %1 is not a video source").arg(device.deviceClass);
    }
    if (!device.provider.isEmpty()) {
        if (device.provider != QLatin1String(kV4l2DeviceProvider)) {
            return QStringLiteral("listed by %1, not by the v4l2 provider").arg(device.provider);
        }
    } else if (device.api != QLatin1String("v4l2")) {
        return QStringLiteral("device.api is \"%1\", not v4l2").arg(device.api);
    }
    // PipeWire's devices carry device.api=v4l2 too, but never device.path.
    if (device.path.isEmpty()) {
        return QStringLiteral("no device.path");
    }
    return std::nullopt;
}

} // namespace

std::optional<int> VideoNodeNumber(const QString& path) {
    static const QLatin1String prefix("/dev/video");
    if (!path.startsWith(prefix) || path.size() == prefix.size()) {
        return std::nullopt;
    }
    const QStringView digits = QStringView(path).mid(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); })) {
        return std::nullopt;
    }
    bool ok = false;
    const int number = digits.toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

QList<VideoDeviceInfo> SelectV4l2Devices(const QList<MonitoredDevice>& devices) {
    QList<VideoDeviceInfo> selected;
    for (const MonitoredDevice& device : devices) {
        const QString label = QString::fromUtf8(device.name);
        if (const std::optional<QString> reason = RejectReason(device)) {
            qCDebug(veldorTrace) << "video device skipped:" << label << device.path << *reason;
            continue;
        }
        const bool known =
            std::any_of(selected.cbegin(), selected.cend(), [&](const VideoDeviceInfo& info) {
                return info.devicePath == device.path;
            });
        if (known) {
            qCDebug(veldorTrace) << "video device skipped:" << label << device.path
                                 << "node already listed";
            continue;
        }
        VideoDeviceInfo info;
        info.capabilities = CapabilitiesFromCapsString(device.caps);
        if (info.capabilities.isEmpty()) {
            qCDebug(veldorTrace) << "video device skipped:" << label << device.path
                                 << "no video format (metadata node?)";
            continue;
        }
        info.devicePath = device.path;
        const QByteArray name = device.name.isEmpty() ? device.path.toUtf8() : device.name;
        info.name = ProfileText::CutUtf8(name, kDeviceNameMax);
        info.busInfo = device.busInfo;
        // Without a card name the friendly name stands for it.
        info.card = device.card.isEmpty() ? name : device.card;
        qCDebug(veldorTrace) << "video device found:" << QString::fromUtf8(info.name)
                             << info.devicePath << info.capabilities.size() << "formats";
        selected.append(info);
    }
    std::stable_sort(selected.begin(), selected.end(),
                     [](const VideoDeviceInfo& a, const VideoDeviceInfo& b) {
                         const std::optional<int> na = VideoNodeNumber(a.devicePath);
                         const std::optional<int> nb = VideoNodeNumber(b.devicePath);
                         if (na && nb) {
                             return *na < *nb;
                         }
                         return na.has_value() && !nb.has_value();
                     });
    return selected;
}
