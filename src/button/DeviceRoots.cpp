#include "button/DeviceRoots.h"

#include <QFile>

DeviceRoots DeviceRootsFromEnvironment() {
    DeviceRoots roots;
    const QString root = qEnvironmentVariable(kDeviceRootVariable);
    if (!root.isEmpty()) {
        roots.sys = root + QStringLiteral("/sys");
        roots.dev = root + QStringLiteral("/dev");
    }
    return roots;
}

QByteArray ReadAttribute(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    // sysfs attributes are at most one page; a report descriptor at most 4096 bytes.
    return file.read(4096);
}
