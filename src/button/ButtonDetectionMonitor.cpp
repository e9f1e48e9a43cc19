#include "button/ButtonDetectionMonitor.h"

#include "button/ButtonEvent.h"
#include "button/ButtonReports.h"
#include "button/HidrawDevices.h"
#include "platform/trace/Trace.h"

#include <QCoreApplication>
#include <QFile>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

void Signal(int eventFd) {
    const std::uint64_t one = 1;
    if (::write(eventFd, &one, sizeof one) != sizeof one) {
        qCWarning(veldorTrace, "button: cannot signal the reader: %s", std::strerror(errno));
    }
}

void Drain(int eventFd) {
    std::uint64_t count = 0;
    if (::read(eventFd, &count, sizeof count) < 0 && errno != EINTR) {
        qCWarning(veldorTrace, "button: cannot read the reader's event: %s", std::strerror(errno));
    }
}

// A failed read that only means "nothing yet", on a device that has not hung up.
bool NothingYet(int error, short revents) {
    return (error == EAGAIN || error == EINTR) && !(revents & (POLLERR | POLLHUP | POLLNVAL));
}

} // namespace

struct ButtonDetectionMonitor::Reader {
    Reader(const DeviceRoots& roots, QObject* targetWindow)
        : roots(roots), targetWindow(targetWindow), stopEvent(::eventfd(0, EFD_CLOEXEC)),
          cameraEvent(::eventfd(0, EFD_CLOEXEC)) {}
    ~Reader() {
        CloseHid(nullptr);
        CloseKeys();
        for (int fd : {stopEvent, cameraEvent}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }

    // Runs on the reader thread.
    void Run();

    // Set before the thread starts and not changed by the user-interface thread afterwards.
    const DeviceRoots roots;
    QObject* const targetWindow;
    HidrawDevice hid;
    bool hidFoundAtStart = false;
    int vendorId = 0;
    int productId = 0;
    std::promise<void> ended;

    std::atomic<bool> running{false};
    const int stopEvent;   // set once to end the thread
    const int cameraEvent; // set when pendingCamera changed

    std::mutex mutex;
    std::optional<ButtonCamera> pendingCamera; // guarded by mutex

private:
    struct KeyDevice {
        int fd = -1;
        QByteArray node;
        KeyRecords records;
    };

    bool OpenHid(const HidrawDevice& device);
    void CloseHid(const char* why);
    void CloseKeys();
    void ReadHidReport(short revents);
    void ReadKeyEvents(KeyDevice& key, short revents);
    void TakeCamera();
    void Post(const char* route);
    void WaitForStop();

    // The thread's own.
    int m_readHandle = -1;
    std::vector<KeyDevice> m_keys;
};

void ButtonDetectionMonitor::Reader::Run() {
    pthread_setname_np(pthread_self(), "veldor-button");
    if (!hid.node.isEmpty()) {
        OpenHid(hid);
    }
    std::vector<pollfd> fds;
    while (running.load()) {
        std::erase_if(m_keys, [](const KeyDevice& key) { return key.fd < 0; });
        fds.assign({{stopEvent, POLLIN, 0}, {cameraEvent, POLLIN, 0}, {m_readHandle, POLLIN, 0}});
        for (const KeyDevice& key : m_keys) {
            fds.push_back({key.fd, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            qCWarning(veldorTrace, "button: poll failed: %s", std::strerror(errno));
            WaitForStop();
            break;
        }
        if (fds[2].revents) {
            ReadHidReport(fds[2].revents);
        }
        for (std::size_t i = 0; i < m_keys.size(); ++i) {
            if (fds[3 + i].revents) {
                ReadKeyEvents(m_keys[i], fds[3 + i].revents);
            }
        }
        if (fds[1].revents) {
            Drain(cameraEvent);
            TakeCamera();
        }
        if (fds[0].revents) {
            Drain(stopEvent);
        }
    }
    CloseHid(nullptr);
    CloseKeys();
}

void ButtonDetectionMonitor::Reader::WaitForStop() {
    CloseHid("the reader stops");
    CloseKeys();
    // A blocking read of the stop event: the thread idles until it is told to end.
    while (running.load()) {
        Drain(stopEvent);
    }
}

bool ButtonDetectionMonitor::Reader::OpenHid(const HidrawDevice& device) {
    const QByteArray path = QFile::encodeName(device.node);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        qCDebug(veldorTrace, "button: cannot open %s for reading: %s", path.constData(),
                std::strerror(errno));
        return false;
    }
    hid = device;
    m_readHandle = fd;
    qCDebug(veldorTrace, "button: reading %s", path.constData());
    return true;
}

void ButtonDetectionMonitor::Reader::CloseHid(const char* why) {
    if (m_readHandle < 0) {
        return;
    }
    if (why) {
        qCDebug(veldorTrace, "button: %s closed: %s", qPrintable(hid.node), why);
    }
    ::close(m_readHandle);
    m_readHandle = -1;
}

void ButtonDetectionMonitor::Reader::CloseKeys() {
    for (KeyDevice& key : m_keys) {
        if (key.fd >= 0) {
            ::close(key.fd);
            key.fd = -1;
        }
    }
}

void ButtonDetectionMonitor::Reader::ReadHidReport(short revents) {
    HidReport report(hid.inputReportLength, hid.numberedReports);
    const ssize_t n = ::read(m_readHandle, report.ReadBuffer(), report.ReadSize());
    if (n < 0 && NothingYet(errno, revents)) {
        return;
    }
    if (n <= 0) {
        // Unplugged, or the writer of a stand-in node went away: a device that keeps
        // signalling is closed rather than read again and again.
        CloseHid(n == 0 ? "hung up" : std::strerror(errno));
        return;
    }
    if (report.IsPress(std::size_t(n))) {
        Post("hidraw");
    }
}

void ButtonDetectionMonitor::Reader::ReadKeyEvents(KeyDevice& key, short revents) {
    const ssize_t n = ::read(key.fd, key.records.ReadBuffer(), key.records.ReadSize());
    if (n < 0 && NothingYet(errno, revents)) {
        return;
    }
    if (n <= 0) {
        qCDebug(veldorTrace, "button: %s closed: %s", key.node.constData(),
                n == 0 ? "hung up" : std::strerror(errno));
        ::close(key.fd);
        key.fd = -1;
        return;
    }
    for (int presses = key.records.Take(std::size_t(n)); presses > 0; --presses) {
        Post("camera key");
    }
}

void ButtonDetectionMonitor::Reader::TakeCamera() {
    std::optional<ButtonCamera> camera;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        camera.swap(pendingCamera);
    }
    if (!camera) {
        return;
    }
    CloseKeys();
    for (const QString& node : FindCameraKeyDevices(roots, *camera)) {
        const QByteArray path = QFile::encodeName(node);
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            qCDebug(veldorTrace, "button: cannot open the camera key %s: %s", path.constData(),
                    std::strerror(errno));
            continue;
        }
        m_keys.emplace_back();
        m_keys.back().fd = fd;
        m_keys.back().node = path;
        qCDebug(veldorTrace, "button: watching the camera key %s", path.constData());
    }
    if (m_keys.empty()) {
        qCDebug(veldorTrace, "button: the camera has no snapshot key device");
    }
    // The button's interface went away (or could not be opened) since the start: the camera
    // was plugged in again, so look for the same device once more.
    if (hidFoundAtStart && m_readHandle < 0) {
        QList<HidrawDevice> matches;
        ListHidrawDevices(roots, vendorId, productId, &matches);
        for (const HidrawDevice& device : matches) {
            if (OpenHid(device)) {
                break;
            }
        }
    }
}

void ButtonDetectionMonitor::Reader::Post(const char* route) {
    qCDebug(veldorTrace, "button: press (%s)", route);
    if (targetWindow) {
        QCoreApplication::postEvent(targetWindow, new ButtonEvent);
    }
}

ButtonDetectionMonitor::ButtonDetectionMonitor(const DeviceRoots& roots, QObject* targetWindow,
                                               Prompts* prompts)
    : m_utilities(std::make_unique<HIDUtilities>(roots, prompts)),
      m_reader(std::make_shared<Reader>(roots, targetWindow)) {
}

ButtonDetectionMonitor::~ButtonDetectionMonitor() {
    if (!m_thread.joinable()) {
        return;
    }
    m_reader->running = false;
    Signal(m_reader->stopEvent);
    if (m_ended.wait_for(std::chrono::milliseconds(500)) == std::future_status::ready) {
        m_thread.join();
    } else {
        qCWarning(veldorTrace, "button: the reader did not end within 500 ms");
        m_thread.detach();
    }
}

bool ButtonDetectionMonitor::StartThread() {
    if (HasThread()) {
        return true;
    }
    if (m_reader->stopEvent < 0 || m_reader->cameraEvent < 0) {
        qCWarning(veldorTrace, "button: no events for the reader: %s", std::strerror(errno));
        return false;
    }
    if (!m_utilities->m_devicePath.isEmpty()) {
        m_reader->hid = {QFile::decodeName(m_utilities->m_devicePath),
                         m_utilities->m_inputReportLength, m_utilities->m_numberedReports};
        m_reader->hidFoundAtStart = true;
    }
    m_reader->vendorId = m_utilities->m_vendorId;
    m_reader->productId = m_utilities->m_productId;
    m_reader->running = true;
    if (!m_ended.valid()) {
        m_ended = m_reader->ended.get_future();
    }
    try {
        m_thread = std::thread([reader = m_reader] {
            reader->Run();
            reader->ended.set_value();
        });
    } catch (const std::system_error& error) {
        qCWarning(veldorTrace, "button: cannot start the reader: %s", error.what());
        m_reader->running = false;
        return false;
    }
    return true;
}

void ButtonDetectionMonitor::SetCamera(const ButtonCamera& camera) {
    {
        const std::lock_guard<std::mutex> lock(m_reader->mutex);
        m_reader->pendingCamera = camera;
    }
    if (m_reader->cameraEvent >= 0) {
        Signal(m_reader->cameraEvent);
    }
    if (!HasThread()) {
        StartThread();
    }
}
