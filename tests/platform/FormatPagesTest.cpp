#include "platform/video/FormatPages.h"
#include "platform/CameraFixtures.h"
#include "platform/video/CapsParsing.h"
#include "platform/video/StreamConfig.h"

#include <QDir>
#include <QSet>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// A simulated camera offering a real camera's formats as its listing gives them: every entry,
// duplicates included.
VideoDeviceInfo FixtureCamera(const QString& fixture) {
    SimulatedCamera camera;
    camera.name = fixture;
    const QString caps = CameraFixtures::CapsFromV4l2Formats(fixture);
    for (const QString& entry : caps.split(QStringLiteral("; "))) {
        camera.formats += CapabilitiesFromCapsString(entry);
    }
    return SimulatedDevices({camera}).value(0);
}

QStringList Rows(const QTreeWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        rows.append(item->text(0) + QLatin1Char('|') + item->text(1) + QLatin1Char('|') +
                    item->text(2));
    }
    return rows;
}

TEST(FormatPages, RealCamerasFormatsOneRowEachInTheCamerasOrder) {
    const QStringList fixtures =
        QDir(CameraFixtures::Path(QString())).entryList({QStringLiteral("formats-*")});
    ASSERT_GE(fixtures.size(), 7);
    for (const QString& fixture : fixtures) {
        const VideoDeviceInfo camera = FixtureCamera(fixture);
        StreamConfig config(camera, nullptr, nullptr);
        ASSERT_TRUE(config.Valid()) << fixture.toStdString();
        FormatPagesDialog dialog(config, PropertyFrame{QStringLiteral("Cam"), kEnglish}, nullptr);
        const auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("formats"));
        ASSERT_TRUE(list);
        const QStringList rows = Rows(list);
        QSet<QString> sizes;
        for (const QString& row : rows) {
            sizes.insert(row.section(QLatin1Char('|'), 0, 1));
        }
        EXPECT_EQ(sizes.size(), rows.size()) << fixture.toStdString() << " lists a size twice";
        EXPECT_EQ(rows.size(), config.Capabilities().size()) << fixture.toStdString();
        // The current format, the first the camera lists, is selected.
        EXPECT_EQ(list->currentItem(), list->topLevelItem(0)) << fixture.toStdString();
        EXPECT_TRUE(list->currentItem()->isSelected());
    }

    const VideoDeviceInfo arducam =
        FixtureCamera(QStringLiteral("formats-usb-2.0-camera-arducam-duplicate-entries.txt"));
    StreamConfig config(arducam, nullptr, nullptr);
    FormatPagesDialog dialog(config, PropertyFrame{QStringLiteral("USB 2.0 Camera"), kEnglish},
                             nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("USB 2.0 Camera Video Format"));
    EXPECT_EQ(Rows(dialog.findChild<QTreeWidget*>(QStringLiteral("formats"))),
              (QStringList{"MJPG|1920 x 1080|30", "MJPG|1280 x 720|30", "MJPG|640 x 480|30",
                           "MJPG|320 x 240|30", "YUY2|640 x 480|30", "YUY2|320 x 240|30"}));

    FormatPagesDialog japanese(config, PropertyFrame{QStringLiteral("USB 2.0 Camera"), kJapanese},
                               nullptr);
    EXPECT_EQ(japanese.windowTitle(), QStringLiteral("USB 2.0 Camera のビデオ フォーマット"));
    EXPECT_EQ(japanese.findChild<QTreeWidget*>(QStringLiteral("formats"))->headerItem()->text(2),
              QStringLiteral("フレーム レート"));
}

} // namespace
