#include "button/ButtonDetectionMonitor.h"
#include "button/ButtonFixtures.h"
#include "button/ButtonWindow.h"

#include "support/Eventually.h"
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <memory>
#include <optional>
#include <unistd.h>

using namespace ButtonFixtures;

namespace {

// A monitor on a device tree, posting to a window that counts the presses.
struct Reader {
    explicit Reader(const DeviceTree& tree)
        : window([this] { ++presses; }),
          monitor(std::make_unique<ButtonDetectionMonitor>(Roots(tree), &window, nullptr)) {}
    bool Start() {
        if (!monitor->utilities().FindDeviceAndAssignDeviceName()) {
            return false;
        }
        monitor->utilities().CloseDeviceHandle();
        return monitor->StartThread();
    }
    int Delivered() {
        QCoreApplication::sendPostedEvents(&window);
        return presses;
    }
    int presses = 0;
    ButtonWindow window;
    std::unique_ptr<ButtonDetectionMonitor> monitor;
};

QByteArray KeyRecord(int type, int code, int value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    return QByteArray(reinterpret_cast<const char*>(&event), sizeof event);
}

// The reader thread's id, found by its name; 0 when it does not run.
pid_t ReaderThread() {
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid) + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "veldor-button") {
            return tid.toInt();
        }
    }
    return 0;
}

// User and system CPU time of a thread of this process in milliseconds.
std::optional<double> ThreadCpuMs(pid_t tid) {
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray text = stat.readAll();
    // Fields after the parenthesised name: state is field 3, utime 14, stime 15.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) {
        return std::nullopt;
    }
    const double ticks = fields[11].toDouble() + fields[12].toDouble();
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

TEST(ButtonReader, OnlyReportIdZeroWithStateExactlyOneIsAPress) {
    const QList<QByteArray> perixx = PerixxDescriptors();
    ASSERT_EQ(perixx.size(), 2);
    struct Case {
        const char* name;
        QByteArray descriptor;
        QList<QByteArray> writes; // each is read before the next is written
        int presses;
    } cases[] = {
        // No report ids: hidraw gives the state byte alone. Press, release, state 3, and two
        // more presses.
        {"no ids", kButtonDescriptor, {QByteArray::fromHex("0100030101")}, 3},
        // Six-byte numbered reports: the trackball's real press and release (id 3), id 1
        // with state 1, state 3, then one press.
        {"numbered",
         perixx[0],
         {QByteArray::fromHex("030100000000030000000000010100000000000300000000000100000000")},
         1},
        // A report of one byte after a press is not judged from the press's bytes.
        {"short report", perixx[0], {QByteArray::fromHex("000100000000"), QByteArray(1, '\0')}, 1},
    };
    for (const Case& c : cases) {
        DeviceTree tree;
        ASSERT_TRUE(tree.AddHidraw(0, tree.AddUsbDevice(2), kButtonHidId, c.descriptor));
        Reader reader(tree);
        ASSERT_TRUE(reader.Start()) << c.name;
        const int writer = OpenFifoWriter(tree.HidrawNode(0));
        ASSERT_GE(writer, 0) << c.name;
        for (const QByteArray& bytes : c.writes) {
            ASSERT_TRUE(WriteAll(writer, bytes) && WaitDrained(writer)) << c.name;
        }
        // The writer going away hangs the device up; the reader closes it only after it
        // has read everything, so every press has been posted by then.
        ::close(writer);
        ASSERT_EVENTUALLY(!OpenForReading(tree.HidrawNode(0))) << c.name;
        EXPECT_EQ(reader.Delivered(), c.presses) << c.name;
    }
}

TEST(ButtonReader, AfterAHangUpTheThreadIdlesWithoutSpinning) {
    DeviceTree tree;
    ASSERT_TRUE(tree.AddHidraw(0, tree.AddUsbDevice(2), kButtonHidId, kButtonDescriptor));
    Reader reader(tree);
    ASSERT_TRUE(reader.Start());
    const int writer = OpenFifoWriter(tree.HidrawNode(0));
    ASSERT_GE(writer, 0);
    ASSERT_TRUE(WriteAll(writer, "\x01"));
    ASSERT_EVENTUALLY(reader.Delivered() == 1);
    ::close(writer);
    ASSERT_EVENTUALLY(!OpenForReading(tree.HidrawNode(0)));

    // A hung-up node keeps reporting itself ready; read again and again it would cost the
    // thread a whole core. Measured over at least a second of wall time it costs nothing.
    const pid_t thread = ReaderThread();
    ASSERT_NE(thread, 0);
    const std::optional<double> before = ThreadCpuMs(thread);
    ASSERT_TRUE(before);
    QElapsedTimer wall;
    wall.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return wall.elapsed() >= 1000; }, 5000));
    const std::optional<double> after = ThreadCpuMs(thread);
    ASSERT_TRUE(after);
    EXPECT_LT(*after - *before, 50.0) << "over " << wall.elapsed() << " ms";
}

TEST(ButtonReader, TheSnapshotKeyOfTheRunningCameraOnlyIsReadAndFollowsTheCamera) {
    DeviceTree tree;
    const QString camera = tree.AddUsbDevice(2);
    const QString keyboard = tree.AddUsbDevice(3);
    ASSERT_TRUE(tree.AddVideo(0, camera));
    ASSERT_TRUE(tree.AddKeyDevice(6, camera, "0\n")); // no KEY_CAMERA
    ASSERT_TRUE(tree.AddKeyDevice(5, camera, kCameraKeyBitmap));
    ASSERT_TRUE(tree.AddKeyDevice(7, keyboard, "1000000000 100000 0 0 0\n"));
    Reader reader(tree);
    reader.monitor->SetCamera({QStringLiteral("video0"), QString()}); // a V4L2 camera
    ASSERT_TRUE(reader.monitor->HasThread());

    const int writer = OpenFifoWriter(tree.EventNode(5));
    ASSERT_GE(writer, 0);
    const QByteArray press = KeyRecord(EV_KEY, KEY_CAMERA, 1);
    ASSERT_TRUE(WriteAll(writer, press + KeyRecord(EV_SYN, SYN_REPORT, 0)));
    ASSERT_EVENTUALLY(reader.Delivered() == 1);
    // Every open is made before the first read, so the other devices are known unwatched.
    EXPECT_FALSE(OpenForReading(tree.EventNode(6)));
    EXPECT_FALSE(OpenForReading(tree.EventNode(7)));

    // Repeats, releases and other keys are no presses; a record split between two reads
    // still is one.
    ASSERT_TRUE(WriteAll(writer, KeyRecord(EV_KEY, KEY_CAMERA, 2) +
                                     KeyRecord(EV_KEY, KEY_CAMERA, 0) +
                                     KeyRecord(EV_KEY, KEY_A, 1) + press.left(5)) &&
                WaitDrained(writer));
    ASSERT_TRUE(WriteAll(writer, press.mid(5) + KeyRecord(EV_KEY, KEY_CAMERA, 0)) &&
                WaitDrained(writer));
    // The camera changes to the keyboard's USB device (as a simulated camera names it): its
    // key is read now, and the records above were all read before the old device closed.
    reader.monitor->SetCamera({QString(), keyboard});
    ASSERT_EVENTUALLY(!OpenForReading(tree.EventNode(5)));
    EXPECT_EQ(reader.Delivered(), 2);
    ::close(writer);

    const int other = OpenFifoWriter(tree.EventNode(7));
    ASSERT_GE(other, 0);
    ASSERT_TRUE(WriteAll(other, press));
    ASSERT_EVENTUALLY(reader.Delivered() == 3);

    // Stopped while it waits for the next record, the thread ends within the 500 ms bound.
    const pid_t thread = ReaderThread();
    ASSERT_NE(thread, 0);
    QElapsedTimer stop;
    stop.start();
    reader.monitor.reset();
    EXPECT_LT(stop.elapsed(), 500);
    EXPECT_FALSE(OpenForReading(tree.EventNode(7)));
    ASSERT_EVENTUALLY(!QFile::exists(QStringLiteral("/proc/self/task/%1").arg(thread)));
    ::close(other);
}

} // namespace
