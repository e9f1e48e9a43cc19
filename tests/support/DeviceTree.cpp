#include "support/DeviceTree.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

bool MakeFifo(const QString& path) {
    return QDir().mkpath(QFileInfo(path).path()) &&
           ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

} // namespace

DeviceTree::DeviceTree() {
    m_ok = m_root.isValid() && QDir().mkpath(sys() + QStringLiteral("/devices")) &&
           QDir().mkpath(dev());
}

bool DeviceTree::Link(const QString& target, const QString& link) {
    return QDir().mkpath(QFileInfo(link).path()) && QFile::link(target, link);
}

QString DeviceTree::AddUsbDevice(int port) {
    const QString path = QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb1/1-%1").arg(port);
    if (!Write(sys() + path + QStringLiteral("/uevent"),
               "DEVTYPE=usb_device\nDRIVER=usb\nPRODUCT=b4d2/6d1b/100\n")) {
        m_ok = false;
    }
    return QStringLiteral("/sys") + path;
}

bool DeviceTree::AddInterface(const QString& usbDevice, int number, QString* folder) {
    const QString device = root() + usbDevice;
    *folder = device + QLatin1Char('/') + QFileInfo(device).fileName() +
              QStringLiteral(":1.%1").arg(number);
    return Write(*folder + QStringLiteral("/uevent"), "DEVTYPE=usb_interface\n");
}

bool DeviceTree::AddHidraw(int n, const QString& usbDevice, const QByteArray& hidId,
                           const QByteArray& descriptor) {
    QString interface;
    if (!AddInterface(usbDevice, 2 + m_interfaces++, &interface)) {
        return false;
    }
    const QString hid = interface + QStringLiteral("/%1.%2").arg(QString::fromLatin1(hidId)).arg(n);
    const QString name = QStringLiteral("hidraw%1").arg(n);
    const QString node = hid + QStringLiteral("/hidraw/") + name;
    return Write(hid + QStringLiteral("/uevent"), "DRIVER=hid-generic\nHID_ID=" + hidId + '\n') &&
           Write(hid + QStringLiteral("/report_descriptor"), descriptor) &&
           Write(node + QStringLiteral("/uevent"), "DEVNAME=" + name.toLatin1() + '\n') &&
           Link(QStringLiteral("../.."), node + QStringLiteral("/device")) &&
           Link(node, sys() + QStringLiteral("/class/hidraw/") + name) && MakeFifo(HidrawNode(n));
}

bool DeviceTree::AddVideo(int n, const QString& usbDevice) {
    QString interface;
    if (!AddInterface(usbDevice, 0, &interface)) {
        return false;
    }
    const QString name = QStringLiteral("video%1").arg(n);
    const QString node = interface + QStringLiteral("/video4linux/") + name;
    return Write(node + QStringLiteral("/uevent"), "DEVNAME=video4linux/" + name.toLatin1()) &&
           Link(QStringLiteral("../.."), node + QStringLiteral("/device")) &&
           Link(node, sys() + QStringLiteral("/class/video4linux/") + name);
}

bool DeviceTree::AddKeyDevice(int n, const QString& usbDevice, const QByteArray& keyBitmap) {
    QString interface;
    if (!AddInterface(usbDevice, 0, &interface)) {
        return false;
    }
    const QString input = interface + QStringLiteral("/input/input%1").arg(n + 10);
    const QString name = QStringLiteral("event%1").arg(n);
    return Write(input + QStringLiteral("/capabilities/key"), keyBitmap) &&
           Write(input + QLatin1Char('/') + name + QStringLiteral("/uevent"),
                 "DEVNAME=input/" + name.toLatin1() + '\n') &&
           Link(QStringLiteral(".."),
                input + QLatin1Char('/') + name + QStringLiteral("/device")) &&
           Link(input + QLatin1Char('/') + name, sys() + QStringLiteral("/class/input/") + name) &&
           MakeFifo(EventNode(n));
}

int OpenFifoWriter(const QString& path, int timeoutMs) {
    const QByteArray name = QFile::encodeName(path);
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        // Without a reader a non-blocking open for writing fails with ENXIO.
        const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            return fd;
        }
        if (errno != ENXIO) {
            return -1;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ::usleep(2000);
    }
    return -1;
}

bool OpenForReading(const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd :
         fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFile::symLinkTarget(fds.filePath(fd)) != target) {
            continue;
        }
        QFile info(QStringLiteral("/proc/self/fdinfo/") + fd);
        if (!info.open(QIODevice::ReadOnly)) {
            continue;
        }
        for (const QByteArray& line : info.readAll().split('\n')) {
            bool ok = false;
            const uint flags = line.startsWith("flags:") ? line.mid(6).trimmed().toUInt(&ok, 8) : 0;
            // A handle that only names the node (O_PATH) reads nothing.
            if (ok && (flags & O_ACCMODE) == O_RDONLY && !(flags & O_PATH)) {
                return true;
            }
        }
    }
    return false;
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR) {
            return false;
        }
        done += n > 0 ? n : 0;
    }
    return true;
}

bool WaitDrained(int fd, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    int pending = 0;
    while (::ioctl(fd, FIONREAD, &pending) == 0 && pending > 0) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ::usleep(1000);
    }
    return pending == 0;
}
