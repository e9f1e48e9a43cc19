#pragma once

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <gst/gst.h>

// Tells when cameras were plugged in or unplugged. With VELDOR_SIMULATED_CAMERAS set it watches
// the description file (and its folder, since editors replace a file by renaming another over
// it): a camera taken out of the file is unplugged, one put in is plugged in. Otherwise the
// GStreamer device monitor's v4l2 provider reports the arrivals and removals of cameras.
// Bursts of changes are reported once, after they have settled. Lives on the UI thread; its
// signal comes on the UI thread.
class VideoDeviceMonitor : public QObject {
    Q_OBJECT

public:
    explicit VideoDeviceMonitor(QObject* parent = nullptr);
    ~VideoDeviceMonitor() override;
    VideoDeviceMonitor(const VideoDeviceMonitor&) = delete;
    VideoDeviceMonitor& operator=(const VideoDeviceMonitor&) = delete;

    // Starts watching; false when nothing can be watched (no description file's folder, no
    // device monitor), in which case no change is ever reported.
    bool Start();

    // How long changes must have settled before they are reported.
    static constexpr int kSettleMs = 150;

Q_SIGNALS:
    // The cameras present may differ from the last listing.
    void DevicesChanged();

private:
    void Changed();
    void Settled();
    void WatchFile();
    static GstBusSyncReply MonitorMessage(GstBus* bus, GstMessage* message, gpointer self);

    QString m_file; // the description file of the simulated cameras, absolute
    QByteArray m_contents;
    QStringList m_cameraNames;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    GstDeviceMonitor* m_monitor = nullptr; // owned; running while set
};
