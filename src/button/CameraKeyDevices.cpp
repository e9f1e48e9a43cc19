#include "button/CameraKeyDevices.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <linux/input-event-codes.h>

namespace {

// The nearest folder at or above path, inside sysfs, whose uevent says it is a USB device.
QString UsbDeviceAncestor(QString path, const QString& sysRoot) {
    while (path.size() > sysRoot.size() && path.startsWith(sysRoot + QLatin1Char('/'))) {
        const QByteArray uevent = ReadAttribute(path + QStringLiteral("/uevent"));
        if (uevent.split('\n').contains("DEVTYPE=usb_device")) {
            return path;
        }
        path = QFileInfo(path).path();
    }
    return QString();
}

} // namespace

bool HasKey(const QByteArray& bitmap, int key) {
    const QList<QByteArray> words = bitmap.simplified().split(' ');
    constexpr int kWordBits = int(sizeof(unsigned long) * 8);
    const qsizetype index = words.size() - 1 - key / kWordBits;
    if (index < 0 || words[index].isEmpty()) {
        return false;
    }
    bool ok = false;
    const unsigned long word = words[index].toULong(&ok, 16);
    return ok && ((word >> (key % kWordBits)) & 1u) != 0;
}

QString CameraUsbDevice(const DeviceRoots& roots, const ButtonCamera& camera) {
    const QString sysRoot = QFileInfo(roots.sys).canonicalFilePath();
    if (sysRoot.isEmpty()) {
        return QString();
    }
    QString start;
    if (!camera.usbDevice.isEmpty()) {
        // Written as on a real system: /sys/devices/... or /devices/... (udev's DEVPATH).
        QString path = camera.usbDevice;
        if (path.startsWith(QLatin1String("/sys/"))) {
            path = path.mid(4);
        }
        start = roots.sys + QLatin1Char('/') + path;
    } else if (!camera.videoNode.isEmpty()) {
        start = roots.sys + QStringLiteral("/class/video4linux/") + camera.videoNode +
                QStringLiteral("/device");
    }
    const QString canonical = start.isEmpty() ? QString() : QFileInfo(start).canonicalFilePath();
    return canonical.isEmpty() ? QString() : UsbDeviceAncestor(canonical, sysRoot);
}

QStringList FindCameraKeyDevices(const DeviceRoots& roots, const ButtonCamera& camera) {
    const QString usbDevice = CameraUsbDevice(roots, camera);
    if (usbDevice.isEmpty()) {
        return {};
    }
    const QString sysRoot = QFileInfo(roots.sys).canonicalFilePath();
    const QString classDir = roots.sys + QStringLiteral("/class/input");
    QStringList names = QDir(classDir).entryList({QStringLiteral("event*")}, QDir::AllEntries);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.mid(5).toInt() < b.mid(5).toInt();
    });
    QStringList nodes;
    for (const QString& name : names) {
        const QString input =
            QFileInfo(classDir + QLatin1Char('/') + name + QStringLiteral("/device"))
                .canonicalFilePath();
        if (input.isEmpty() ||
            !HasKey(ReadAttribute(input + QStringLiteral("/capabilities/key")), KEY_CAMERA)) {
            continue;
        }
        if (UsbDeviceAncestor(input, sysRoot) == usbDevice) {
            nodes.append(roots.dev + QStringLiteral("/input/") + name);
        }
    }
    return nodes;
}
