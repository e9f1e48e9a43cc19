#include "platform/CameraFixtures.h"
#include "platform/video/CapsParsing.h"
#include "platform/video/DeviceFilter.h"

#include <QDir>
#include <gtest/gtest.h>
#include <string>

namespace {

const QString kYuy2 =
    QStringLiteral("video/x-raw, format=YUY2, width=640, height=480, framerate=30/1");

MonitoredDevice Camera(const QString& path, const QByteArray& name = "Camera",
                       const QString& caps = kYuy2, const QString& busInfo = QString(),
                       const QByteArray& card = QByteArray()) {
    return {QString::fromLatin1(kV4l2DeviceProvider),
            QStringLiteral("v4l2"),
            QStringLiteral("Video/Source"),
            path,
            name,
            caps,
            busInfo,
            card};
}

QStringList Paths(const QList<VideoDeviceInfo>& devices) {
    QStringList out;
    for (const VideoDeviceInfo& device : devices) {
        out.append(device.devicePath);
    }
    return out;
}

QStringList Sizes(const VideoDeviceInfo& device, const char* format) {
    QStringList out;
    for (const VideoCapability& cap : device.capabilities) {
        if (cap.format == QLatin1String(format)) {
            out.append(QStringLiteral("%1x%2").arg(cap.width).arg(cap.height));
        }
    }
    return out;
}

struct FileCase {
    const char* file;
    bool withProvider;
    QStringList paths;
    QList<QByteArray> names;
};

void PrintTo(const FileCase& c, std::ostream* out) {
    *out << c.file << (c.withProvider ? " with provider" : " without provider");
}

class DevmonFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(DevmonFile, ListsOnlyTheV4l2ProviderCameras) {
    const FileCase& c = GetParam();
    const QList<MonitoredDevice> records =
        CameraFixtures::ReadDevmonRecords(c.file, c.withProvider);
    ASSERT_FALSE(records.isEmpty()) << c.file;
    const QList<VideoDeviceInfo> devices = SelectV4l2Devices(records);
    EXPECT_EQ(Paths(devices), c.paths);
    QList<QByteArray> names;
    for (const VideoDeviceInfo& device : devices) {
        names.append(device.name);
        EXPECT_FALSE(device.simulated.has_value());
    }
    EXPECT_EQ(names, c.names);
}

// The PipeWire files carry device.api = v4l2 as well; without a provider they must still be
// told apart from the v4l2 provider's devices.
INSTANTIATE_TEST_SUITE_P(
    Fixtures, DevmonFile,
    ::testing::Values(
        FileCase{"devmon-h264-usb-camera-v4l2-provider-h264-only.txt",
                 true,
                 {"/dev/video4"},
                 {"H264 USB Camera: USB Camera"}},
        FileCase{
            "devmon-hp-w300-v4l2-provider-with-audio.txt", true, {"/dev/video0"}, {"w300: w300"}},
        FileCase{
            "devmon-hp-w300-v4l2-provider-with-audio.txt", false, {"/dev/video0"}, {"w300: w300"}},
        FileCase{"devmon-pipewire-provider-facetime-and-usb-camera.txt", true, {}, {}},
        FileCase{"devmon-pipewire-provider-facetime-and-usb-camera.txt", false, {}, {}},
        FileCase{"devmon-pipewire-provider-mobius-mjpg-only.txt", true, {}, {}},
        FileCase{"devmon-pipewire-provider-mobius-mjpg-only.txt", false, {}, {}}),
    [](const auto& info) {
        // "devmon-h264-usb-camera-..." is named "h264usb", "devmon-pipewire-provider-mobius-..."
        // "pipewireprovider"; the index keeps the two PipeWire files apart.
        QString name = QString::fromLatin1(info.param.file).section(QLatin1Char('-'), 1, 2);
        name.remove(QLatin1Char('-'));
        name += QString::number(info.index);
        name +=
            info.param.withProvider ? QStringLiteral("_provider") : QStringLiteral("_noProvider");
        return name.toStdString();
    });

TEST(DeviceList, H264OnlyCameraOffersNothingDisplayable) {
    const QList<VideoDeviceInfo> devices = SelectV4l2Devices(CameraFixtures::ReadDevmonRecords(
        "devmon-h264-usb-camera-v4l2-provider-h264-only.txt", true));
    ASSERT_EQ(devices.size(), 1);
    // 1920x1080 is listed twice by the camera.
    EXPECT_EQ(Sizes(devices[0], "H264"), QStringList({"1920x1080", "1280x720", "800x600", "640x480",
                                                      "640x360", "352x288", "320x240"}));
    EXPECT_EQ(devices[0].capabilities.size(), 7);
    for (const VideoCapability& cap : devices[0].capabilities) {
        EXPECT_FALSE(IsDisplayable(cap)) << CapabilityToString(cap).toStdString();
        EXPECT_EQ(cap.frameRates, QList<Fraction>({{30, 1}, {25, 1}, {15, 1}}));
    }
}

TEST(DeviceList, W300OffersItsYuy2AndMjpgSizes) {
    const QList<VideoDeviceInfo> devices = SelectV4l2Devices(
        CameraFixtures::ReadDevmonRecords("devmon-hp-w300-v4l2-provider-with-audio.txt", true));
    ASSERT_EQ(devices.size(), 1);
    EXPECT_EQ(Sizes(devices[0], "YUY2"), QStringList({"864x480", "848x480", "800x448", "640x480",
                                                      "640x360", "352x288", "320x240"}));
    EXPECT_EQ(
        Sizes(devices[0], "MJPG"),
        QStringList({"1920x1080", "1600x896", "1280x720", "1024x768", "1024x576", "960x544",
                     "864x480", "848x480", "800x448", "640x480", "640x360", "352x288", "320x240"}));
    EXPECT_EQ(devices[0].capabilities.size(), 20);
    // What the camera is, beside its node.
    EXPECT_EQ(devices[0].busInfo, QStringLiteral("usb-0000:00:0c.0-2"));
    EXPECT_EQ(devices[0].card, QByteArray("w300: w300"));

    // The camera's own v4l2-ctl listing holds the same formats, sizes and rates.
    QStringList monitor;
    for (const VideoCapability& cap : devices[0].capabilities) {
        monitor.append(CapabilityToString(cap));
    }
    QStringList v4l2;
    for (const VideoCapability& cap :
         CapabilitiesFromCapsString(CameraFixtures::CapsFromV4l2Formats(
             "formats-hp-w300-webcam-mjpg-yuyv-many-sizes.txt"))) {
        v4l2.append(CapabilityToString(cap));
    }
    monitor.sort();
    v4l2.sort();
    EXPECT_EQ(monitor, v4l2);
}

// A PipeWire desktop lists /dev/video0 twice: its own entry must not take the v4l2 one's place.
TEST(DeviceList, AllFixturesTogetherListEachV4l2CameraOnceInNodeOrder) {
    QList<MonitoredDevice> records;
    for (const char* file : {"devmon-pipewire-provider-facetime-and-usb-camera.txt",
                             "devmon-h264-usb-camera-v4l2-provider-h264-only.txt",
                             "devmon-pipewire-provider-mobius-mjpg-only.txt",
                             "devmon-hp-w300-v4l2-provider-with-audio.txt"}) {
        records += CameraFixtures::ReadDevmonRecords(file, true);
    }
    const QList<VideoDeviceInfo> devices = SelectV4l2Devices(records);
    EXPECT_EQ(Paths(devices), QStringList({"/dev/video0", "/dev/video4"}));
    ASSERT_EQ(devices.size(), 2);
    EXPECT_EQ(devices[0].name, "w300: w300");
}

TEST(DeviceList, NamesAreCutToWholeCharactersWithin127Bytes) {
    const QByteArray ni = "\xe6\x97\xa5"; // a 3-byte Japanese character
    const struct {
        QByteArray name;
        QByteArray expected;
    } cases[] = {
        {QByteArray(126, 'a') + ni, QByteArray(126, 'a')},
        {QByteArray(125, 'a') + ni, QByteArray(125, 'a')},
        {QByteArray(124, 'a') + ni, QByteArray(124, 'a') + ni},
        {QByteArray(127, 'a'), QByteArray(127, 'a')},
        {QByteArray(300, 'a'), QByteArray(127, 'a')},
        {ni.repeated(60), ni.repeated(42)},
        {QByteArray(), QByteArray("/dev/video3")},
    };
    for (const auto& c : cases) {
        const QList<VideoDeviceInfo> devices =
            SelectV4l2Devices({Camera(QStringLiteral("/dev/video3"), c.name)});
        ASSERT_EQ(devices.size(), 1);
        EXPECT_EQ(devices[0].name, c.expected) << "name of " << c.name.size() << " bytes";
        EXPECT_LE(devices[0].name.size(), kDeviceNameMax);
    }
}

TEST(DeviceList, OrderedByNodeNumberNotByText) {
    const QList<VideoDeviceInfo> devices = SelectV4l2Devices({
        Camera(QStringLiteral("/dev/video10"), "ten"),
        Camera(QStringLiteral("/dev/v4l/by-id/usb-cam"), "by id"),
        Camera(QStringLiteral("/dev/video2"), "two"),
        Camera(QStringLiteral("/dev/videoX"), "odd"),
        Camera(QStringLiteral("/dev/video0"), "zero"),
    });
    EXPECT_EQ(Paths(devices), QStringList({"/dev/video0", "/dev/video2", "/dev/video10",
                                           "/dev/v4l/by-id/usb-cam", "/dev/videoX"}));
}

TEST(DeviceList, SkipsWhatIsNotAV4l2Camera) {
    MonitoredDevice audio = Camera(QStringLiteral("/dev/video1"));
    audio.deviceClass = QStringLiteral("Audio/Source");
    MonitoredDevice libcamera = Camera(QStringLiteral("/dev/video2"));
    libcamera.provider = QStringLiteral("libcameraprovider");
    MonitoredDevice noApi = Camera(QStringLiteral("/dev/video3"));
    noApi.provider.clear();
    noApi.api.clear();
    MonitoredDevice noPath = Camera(QString());
    MonitoredDevice unknownProvider = Camera(QStringLiteral("/dev/video5"), "kept");
    unknownProvider.provider.clear();

    const QList<VideoDeviceInfo> devices =
        SelectV4l2Devices({audio, libcamera, noApi, noPath, unknownProvider});
    EXPECT_EQ(Paths(devices), QStringList({"/dev/video5"}));
}

// UVC cameras add a metadata node with no video caps; it must neither be listed nor keep the
// same path's real entry out.
TEST(DeviceList, SkipsNodesWithoutVideoFormatsAndListsEachNodeOnce) {
    const QList<VideoDeviceInfo> devices = SelectV4l2Devices({
        Camera(QStringLiteral("/dev/video1"), "meta, empty", QString()),
        Camera(QStringLiteral("/dev/video1"), "meta, EMPTY", QStringLiteral("EMPTY")),
        Camera(QStringLiteral("/dev/video1"), "meta, other",
               QStringLiteral("application/x-meta, width=1, height=1")),
        Camera(QStringLiteral("/dev/video0"), "first"),
        Camera(QStringLiteral("/dev/video0"), "second"),
        Camera(QStringLiteral("/dev/video1"), "real"),
    });
    ASSERT_EQ(Paths(devices), QStringList({"/dev/video0", "/dev/video1"}));
    EXPECT_EQ(devices[0].name, "first");
    EXPECT_EQ(devices[1].name, "real");
    EXPECT_EQ(devices[1].capabilities.size(), 1);
}

TEST(DeviceList, VideoNodeNumber) {
    const struct {
        const char* path;
        std::optional<int> number;
    } cases[] = {
        {"/dev/video0", 0},
        {"/dev/video10", 10},
        {"/dev/video", std::nullopt},
        {"/dev/video1a", std::nullopt},
        {"/dev/videox", std::nullopt},
        {"/dev/media0", std::nullopt},
        {"/dev/video99999999999", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VideoNodeNumber(QString::fromLatin1(c.path)), c.number) << c.path;
    }
}

// Runs the real monitor: whatever it finds must be complete records of existing nodes, and a
// machine without video nodes lists nothing.
TEST(DeviceList, RealMonitorListsOnlyExistingNodes) {
    const QList<VideoDeviceInfo> devices = ListV4l2Devices();
    const QStringList nodes =
        QDir(QStringLiteral("/dev")).entryList({QStringLiteral("video*")}, QDir::System);
    if (nodes.isEmpty()) {
        EXPECT_TRUE(devices.isEmpty());
    }
    for (const VideoDeviceInfo& device : devices) {
        EXPECT_TRUE(QFile::exists(device.devicePath)) << device.devicePath.toStdString();
        EXPECT_FALSE(device.name.isEmpty());
        EXPECT_LE(device.name.size(), kDeviceNameMax);
        EXPECT_FALSE(device.capabilities.isEmpty());
    }
}

} // namespace
