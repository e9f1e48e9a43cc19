#include "platform/video/VideoDeviceMonitor.h"

#include "platform/trace/Trace.h"
#include "platform/video/GstHandles.h"
#include "platform/video/SimulatedCamera.h"
#include "platform/video/SourceControls.h"
#include "platform/video/VideoSource.h"

#include <QFile>
#include <QFileInfo>

namespace {

QStringList CameraNames(const QList<SimulatedCamera>& cameras) {
    QStringList names;
    for (const SimulatedCamera& camera : cameras) {
        names.append(camera.name);
    }
    return names;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

VideoDeviceMonitor::VideoDeviceMonitor(QObject* parent) : QObject(parent) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &VideoDeviceMonitor::Settled);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &VideoDeviceMonitor::Changed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &VideoDeviceMonitor::Changed);
}

VideoDeviceMonitor::~VideoDeviceMonitor() {
    if (m_monitor) {
        // Stopping ends the providers' threads, so no message comes in after this.
        gst_device_monitor_stop(m_monitor);
        GstBusPtr bus(gst_device_monitor_get_bus(m_monitor));
        gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
        gst_object_unref(m_monitor);
    }
}

bool VideoDeviceMonitor::Start() {
    const QByteArray file = qgetenv(kSimulatedCamerasVariable);
    if (!file.isEmpty()) {
        const QFileInfo info(QString::fromLocal8Bit(file));
        m_file = info.absoluteFilePath();
        m_contents = ReadAll(m_file);
        m_cameraNames = CameraNames(ParseSimulatedCameras(m_contents));
        if (!m_watcher.addPath(info.absolutePath())) {
            qCWarning(veldorTrace, "the simulated cameras' folder cannot be watched: %s",
                      qUtf8Printable(info.absolutePath()));
            return false;
        }
        WatchFile();
        return true;
    }
    if (!EnsureGstInit()) {
        return false;
    }
    m_monitor = gst_device_monitor_new(); // not floating: one reference, ours
    if (gst_device_monitor_add_filter(m_monitor, "Video/Source", nullptr) == 0) {
        qCDebug(veldorTrace, "no device provider reports video sources");
        gst_object_unref(m_monitor);
        m_monitor = nullptr;
        return false;
    }
    gst_device_monitor_set_show_all_devices(m_monitor, TRUE);
    GstBusPtr bus(gst_device_monitor_get_bus(m_monitor));
    gst_bus_set_sync_handler(bus.get(), MonitorMessage, this, nullptr);
    if (!gst_device_monitor_start(m_monitor)) {
        qCDebug(veldorTrace, "the video device monitor did not start");
        gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
        gst_object_unref(m_monitor);
        m_monitor = nullptr;
        return false;
    }
    return true;
}

// A provider's thread: the news goes to the UI thread, the message itself is not kept.
GstBusSyncReply VideoDeviceMonitor::MonitorMessage(GstBus*, GstMessage* message, gpointer self) {
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_DEVICE_ADDED:
    case GST_MESSAGE_DEVICE_REMOVED:
    case GST_MESSAGE_DEVICE_CHANGED:
        QMetaObject::invokeMethod(static_cast<VideoDeviceMonitor*>(self),
                                  &VideoDeviceMonitor::Changed, Qt::QueuedConnection);
        break;
    default:
        break;
    }
    return GST_BUS_DROP;
}

void VideoDeviceMonitor::WatchFile() {
    // A file replaced by a rename is a new file that the watcher does not know.
    if (!m_file.isEmpty() && !m_watcher.files().contains(m_file) && QFile::exists(m_file)) {
        m_watcher.addPath(m_file);
    }
}

void VideoDeviceMonitor::Changed() {
    WatchFile();
    m_settle.start();
}

void VideoDeviceMonitor::Settled() {
    if (m_monitor) {
        qCDebug(veldorTrace, "video devices changed");
        Q_EMIT DevicesChanged();
        return;
    }
    WatchFile();
    const QByteArray contents = ReadAll(m_file);
    if (contents == m_contents) {
        return; // another file of the folder changed
    }
    QString error;
    const QList<SimulatedCamera> cameras = ParseSimulatedCameras(contents, &error);
    // A file half written, or mistyped, says nothing about the cameras: the next write will.
    if (!error.isEmpty() && QFile::exists(m_file)) {
        qCDebug(veldorTrace, "simulated cameras: the description is not readable now: %s",
                qUtf8Printable(error));
        return;
    }
    m_contents = contents;
    const QStringList names = CameraNames(cameras);
    for (const QString& name : m_cameraNames) {
        if (!names.contains(name)) {
            // An unplugged camera starts afresh when it comes back, as a real one does.
            qCDebug(veldorTrace, "simulated camera unplugged: %s", qUtf8Printable(name));
            ForgetSimulatedControls(name.toUtf8());
            ForgetSimulatedFormat(name.toUtf8());
        }
    }
    for (const QString& name : names) {
        if (!m_cameraNames.contains(name)) {
            qCDebug(veldorTrace, "simulated camera plugged in: %s", qUtf8Printable(name));
        }
    }
    m_cameraNames = names;
    Q_EMIT DevicesChanged();
}
