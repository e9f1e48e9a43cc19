#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A device tree in a temporary folder, laid out as the kernel lays out a USB camera's HID,
// video and input devices in sysfs (symbolic links included), with FIFOs as device nodes:
// root()/sys and root()/dev, ready for VELDOR_DEVICE_ROOT.
class DeviceTree {
public:
    DeviceTree();
    bool ok() const { return m_ok; }
    QString root() const { return m_root.path(); }
    QString sys() const { return root() + QStringLiteral("/sys"); }
    QString dev() const { return root() + QStringLiteral("/dev"); }

    // A USB device on port "1-N" of the first bus; returns its sysfs folder as a real system
    // names it (/sys/devices/...).
    QString AddUsbDevice(int port);
    // hidrawN on an interface of a USB device, with a uevent naming hidId
    // ("0003:0000B4D2:00006D1B"), the report descriptor and a FIFO as <dev>/hidrawN.
    bool AddHidraw(int n, const QString& usbDevice, const QByteArray& hidId,
                   const QByteArray& descriptor);
    // videoN of a USB device (no node: the button never opens it).
    bool AddVideo(int n, const QString& usbDevice);
    // eventN of a USB device whose keys are the sysfs bitmap, with a FIFO <dev>/input/eventN.
    bool AddKeyDevice(int n, const QString& usbDevice, const QByteArray& keyBitmap);

    QString HidrawNode(int n) const { return dev() + QStringLiteral("/hidraw%1").arg(n); }
    QString EventNode(int n) const { return dev() + QStringLiteral("/input/event%1").arg(n); }

private:
    bool AddInterface(const QString& usbDevice, int number, QString* folder);
    bool Link(const QString& target, const QString& link);

    QTemporaryDir m_root;
    bool m_ok = false;
    int m_interfaces = 0;
};

// The sysfs key bitmap of a device that has KEY_CAMERA only, as uvcvideo makes it.
inline const QByteArray kCameraKeyBitmap = QByteArrayLiteral("100000 0 0 0\n");

// Opens a FIFO for writing once a reader holds it open; -1 when none does within timeoutMs.
int OpenFifoWriter(const QString& path, int timeoutMs = 5000);
// Whether this process holds path open for reading.
bool OpenForReading(const QString& path);
// Writes all bytes to fd.
bool WriteAll(int fd, const QByteArray& bytes);
// Waits until the reader has taken every byte written to the FIFO behind fd.
bool WaitDrained(int fd, int timeoutMs = 5000);
