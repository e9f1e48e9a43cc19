#include "platform/video/SimulatedCamera.h"
#include "platform/video/VideoDeviceMonitor.h"
#include "support/TempEnvironment.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

const QByteArray kOne =
    R"([{"name": "A", "formats": [{"format": "YUY2", "width": 320, "height": 240}]}])";
const QByteArray kTwo =
    R"([{"name": "A", "formats": [{"format": "YUY2", "width": 320, "height": 240}]},
        {"name": "B", "formats": [{"format": "YUY2", "width": 320, "height": 240}]}])";

// The description file is followed however it is written: in place, or replaced by a rename
// again and again (each rename leaves the watcher with a file it no longer watches).
TEST(DeviceMonitor, FollowsTheDescriptionFileHoweverItIsWritten) {
    TempEnvironment env;
    ASSERT_TRUE(env.ok());
    const QString file = env.root() + QStringLiteral("/cams/cameras.json");
    ASSERT_TRUE(TempEnvironment::writeFile(file, kOne));
    env.set(kSimulatedCamerasVariable, file.toLocal8Bit());
    VideoDeviceMonitor monitor;
    ASSERT_TRUE(monitor.Start());
    QSignalSpy changed(&monitor, &VideoDeviceMonitor::DevicesChanged);

    const auto replace = [&](const QByteArray& text) {
        const QString next = file + QStringLiteral(".swp");
        ASSERT_TRUE(TempEnvironment::writeFile(next, text));
        ASSERT_EQ(
            std::rename(QFile::encodeName(next).constData(), QFile::encodeName(file).constData()),
            0);
    };
    const QByteArray texts[] = {kTwo, kOne, kTwo, "[]"};
    for (int i = 0; i < 4; ++i) {
        replace(texts[i]);
        ASSERT_TRUE(QTest::qWaitFor([&] { return changed.count() == i + 1; }, 3000)) << i;
    }
    ASSERT_TRUE(TempEnvironment::writeFile(file, kOne));
    ASSERT_TRUE(QTest::qWaitFor([&] { return changed.count() == 5; }, 3000));

    // A half-written file is no change: the complete one that follows is the only report.
    ASSERT_TRUE(TempEnvironment::writeFile(file, R"([{"name": "A", "formats": [)"));
    ASSERT_TRUE(TempEnvironment::writeFile(file, kTwo));
    ASSERT_TRUE(QTest::qWaitFor([&] { return changed.count() >= 6; }, 3000));
    EXPECT_EQ(changed.count(), 6);
}

} // namespace
