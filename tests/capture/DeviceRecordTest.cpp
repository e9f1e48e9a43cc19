#include "capture/DeviceRecord.h"
#include "capture/CaptureGraph.h"

#include <gtest/gtest.h>

namespace {

VideoDeviceInfo Device(const char* path, const char* bus, const char* card) {
    VideoDeviceInfo device;
    device.devicePath = QString::fromLatin1(path);
    device.busInfo = QString::fromLatin1(bus);
    device.card = card;
    device.name = card;
    return device;
}

QStringList Paths(const DeviceRecord* head) {
    QStringList paths;
    for (; head; head = head->next.get()) {
        paths.append(head->device.devicePath + (head->present ? "" : " gone"));
    }
    return paths;
}

// Cameras come and go; every index keeps naming the camera it named at start-up, and the
// capture graph binds by the same list.
TEST(DeviceRecord, ListingsKeepEachIndexOnItsCamera) {
    const VideoDeviceInfo scope = Device("/dev/video0", "usb-0000:00:14.0-1", "Orvane Q7");
    const VideoDeviceInfo webcam = Device("/dev/video2", "usb-0000:00:14.0-2", "w300: w300");
    // A second microscope of the same model in another port.
    const VideoDeviceInfo twin = Device("/dev/video4", "usb-0000:00:14.0-3", "Orvane Q7");
    std::unique_ptr<DeviceRecord> head;
    MergeDevices(head, {scope, webcam});
    ASSERT_EQ(Paths(head.get()), QStringList({"/dev/video0", "/dev/video2"}));

    // The microscope is unplugged; the webcam now comes first in a listing, and the twin is
    // plugged in. The twin is new, not the microscope back.
    DeviceChanges changes = MergeDevices(head, {twin, webcam});
    EXPECT_EQ(changes.removed, QList<int>{0});
    EXPECT_EQ(changes.added, QList<int>{2});
    EXPECT_TRUE(changes.returned.isEmpty());
    EXPECT_EQ(Paths(head.get()), QStringList({"/dev/video0 gone", "/dev/video2", "/dev/video4"}));
    ASSERT_EQ(CaptureGraph::Instance().Devices().size(), 3);
    EXPECT_EQ(CaptureGraph::Instance().Devices()[1].devicePath, QStringLiteral("/dev/video2"));

    // It comes back on another node (its old one was taken meanwhile): same port, same card.
    VideoDeviceInfo renumbered = scope;
    renumbered.devicePath = QStringLiteral("/dev/video6");
    changes = MergeDevices(head, {webcam, twin, renumbered});
    EXPECT_EQ(changes.returned, QList<int>{0});
    EXPECT_TRUE(changes.added.isEmpty());
    EXPECT_EQ(Paths(head.get()), QStringList({"/dev/video6", "/dev/video2", "/dev/video4"}));

    // A different camera on the microscope's node and port is not the microscope.
    changes = MergeDevices(head, {Device("/dev/video6", "usb-0000:00:14.0-1", "Other Cam")});
    EXPECT_EQ(changes.removed, QList<int>({0, 1, 2}));
    EXPECT_EQ(changes.added, QList<int>{3});
    CaptureGraph::Instance().Reset();
}

} // namespace
