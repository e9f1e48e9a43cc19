#include "FakeV4l2Camera.h"

#include "platform/video/CameraControls.h"
#include "platform/video/SimulatedControls.h"
#include "platform/video/V4l2Controls.h"

#include <QLoggingCategory>
#include <QStringList>
#include <climits>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <optional>

namespace {

using Control = SimulatedV4l2Device::Control;
using Call = FakeV4l2Camera::Call;

const QString kHpW300 = QStringLiteral("ctrls-new-names-with-menus-hp-w300-from-all.txt");
const QString kNewUsb = QStringLiteral("ctrls-new-names-usb-camera-list-ctrls.txt");
const QString kNew4k = QStringLiteral("ctrls-new-names-4k-usb-camera-focus-zoom.txt");
const QString kBlueRov =
    QStringLiteral("ctrls-old-names-bluerov-companion-usb-camera-list-ctrls.txt");
const QString kOctopi = QStringLiteral("ctrls-old-names-octopi-webcam-focus-pan-tilt-zoom.txt");
const QString kSq11 = QStringLiteral("ctrls-old-names-sq11-mini-camera-broken-ranges.txt");

Control Int(std::uint32_t id, int minimum, int maximum, int value, std::uint32_t flags = 0) {
    Control control;
    control.id = id;
    control.name = "control " + QByteArray::number(id, 16);
    control.type = V4L2_CTRL_TYPE_INTEGER;
    control.minimum = minimum;
    control.maximum = maximum;
    control.value = value;
    control.flags = flags;
    return control;
}

Control Bool(std::uint32_t id, bool value) {
    Control control = Int(id, 0, 1, value ? 1 : 0);
    control.type = V4L2_CTRL_TYPE_BOOLEAN;
    return control;
}

Control ExposureMenu(int value, std::map<std::uint32_t, QByteArray> items) {
    Control control = Int(V4L2_CID_EXPOSURE_AUTO, 0, 3, value);
    control.type = V4L2_CTRL_TYPE_MENU;
    control.menu = std::move(items);
    return control;
}

// A fake camera and the controls over it, opened through the fake's device node.
struct Rig {
    explicit Rig(const QString& fixture) : camera(ReadControlFixture(fixture)) {}
    explicit Rig(QList<Control> table) : camera(std::move(table)) {}

    std::optional<std::pair<int, int>> Get(int kind, int propertyId) {
        int value = 0;
        int flags = 0;
        if (!controls.Get(kind, propertyId, &value, &flags)) {
            return std::nullopt;
        }
        return std::make_pair(value, flags);
    }

    FakeV4l2Camera camera;
    V4l2Controls controls{QStringLiteral("/dev/video0"), camera.Io()};
};

std::pair<int, int> Pair(int value, int flags) {
    return {value, flags};
}

} // namespace

TEST(ControlFixtures, ParseEveryDumpWithMenusAndFlags) {
    for (const QString& fixture : {kHpW300, kNewUsb, kNew4k, kBlueRov, kOctopi, kSq11}) {
        EXPECT_FALSE(ReadControlFixture(fixture).isEmpty()) << qPrintable(fixture);
    }
    FakeV4l2Camera hp = FakeV4l2Camera::FromFixture(kHpW300);
    ASSERT_EQ(hp.device.controls().size(), 15);
    const Control* exposureAuto = hp.device.Find(V4L2_CID_EXPOSURE_AUTO);
    ASSERT_NE(exposureAuto, nullptr);
    EXPECT_EQ(exposureAuto->menu.size(), 2u);
    EXPECT_EQ(exposureAuto->menu.at(3), QByteArray("Aperture Priority Mode"));
    EXPECT_TRUE(hp.device.Find(V4L2_CID_EXPOSURE_ABSOLUTE)->flags & V4L2_CTRL_FLAG_INACTIVE);
    FakeV4l2Camera sq11 = FakeV4l2Camera::FromFixture(kSq11);
    EXPECT_EQ(sq11.device.Find(V4L2_CID_HUE)->maximum, -32513);
    EXPECT_TRUE(sq11.device.Find(0x009a090f)->flags & V4L2_CTRL_FLAG_WRITE_ONLY);
}

TEST(FitToRange, ClampsSnapsAndSurvivesBrokenRanges) {
    struct Row {
        int value, minimum, maximum, step, expected;
    };
    const Row rows[] = {
        {1000, -64, 64, 1, 64},
        {-1000, -64, 64, 1, -64},
        {10, -64, 64, 1, 10},
        {4604, 2800, 6500, 10, 4600},
        {4605, 2800, 6500, 10, 4610},
        {6499, 2800, 6500, 10, 6500},
        {255, 0, 255, 10, 250},
        {42, 0, 250, 5, 40},
        {5, 0, 0, 0, 0},
        {5, 10, 0, 1, 10},
        {7, 0, 10, 0, 7},
        {-1801, -36000, 36000, 3600, -3600},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FitToRange(row.value, row.minimum, row.maximum, row.step), row.expected)
            << row.value << " in " << row.minimum << ".." << row.maximum << " step " << row.step;
    }
    const int wide = FitToRange(INT_MAX, INT_MIN, INT_MAX, 7);
    EXPECT_EQ((std::int64_t(wide) - INT_MIN) % 7, 0);
    EXPECT_GT(wide, INT_MAX - 7);
}

TEST(V4l2Controls, EveryPropertyUsesItsOwnControl) {
    struct Row {
        const char* name;
        int kind;
        int propertyId;
        std::uint32_t id; // 0: no V4L2 control
    };
    const Row rows[] = {
        {"Brightness", 0, 0, V4L2_CID_BRIGHTNESS},
        {"Contrast", 0, 1, V4L2_CID_CONTRAST},
        {"Hue", 0, 2, V4L2_CID_HUE},
        {"Saturation", 0, 3, V4L2_CID_SATURATION},
        {"Sharpness", 0, 4, V4L2_CID_SHARPNESS},
        {"Gamma", 0, 5, V4L2_CID_GAMMA},
        {"ColorEnable", 0, 6, 0},
        {"WhiteBalance", 0, 7, V4L2_CID_WHITE_BALANCE_TEMPERATURE},
        {"BacklightCompensation", 0, 8, V4L2_CID_BACKLIGHT_COMPENSATION},
        {"Gain", 0, 9, V4L2_CID_GAIN},
        {"PowerLine", 0, 13, V4L2_CID_POWER_LINE_FREQUENCY},
        {"Pan", 1, 0, V4L2_CID_PAN_ABSOLUTE},
        {"Tilt", 1, 1, V4L2_CID_TILT_ABSOLUTE},
        {"Roll", 1, 2, 0},
        {"Zoom", 1, 3, V4L2_CID_ZOOM_ABSOLUTE},
        {"Exposure", 1, 4, V4L2_CID_EXPOSURE_ABSOLUTE},
        {"Iris", 1, 5, V4L2_CID_IRIS_ABSOLUTE},
        {"Focus", 1, 6, V4L2_CID_FOCUS_ABSOLUTE},
        {"AutoExposure", 1, 19, V4L2_CID_EXPOSURE_AUTO_PRIORITY},
    };
    // Each control holds its own value; the look-alikes next to them must never be touched.
    QList<Control> table;
    int distinct = 100;
    for (const Row& row : rows) {
        if (row.id != 0) {
            table.append(Int(row.id, 0, 10000, ++distinct));
        }
    }
    for (std::uint32_t decoy : {V4L2_CID_EXPOSURE, V4L2_CID_PAN_RELATIVE, V4L2_CID_TILT_RELATIVE,
                                V4L2_CID_ZOOM_CONTINUOUS, V4L2_CID_FOCUS_RELATIVE,
                                V4L2_CID_IRIS_RELATIVE, V4L2_CID_PAN_SPEED, V4L2_CID_RED_BALANCE}) {
        table.append(Int(decoy, 0, 10000, 1));
    }
    Rig rig(table);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        rig.camera.calls.clear();
        const std::int32_t held = row.id != 0 ? rig.camera.Value(row.id) : 0;
        const auto got = rig.Get(row.kind, row.propertyId);
        const bool set = rig.controls.Set(row.kind, row.propertyId, 4321, kPropertyFlagManual);
        if (row.id == 0) {
            EXPECT_FALSE(got.has_value());
            EXPECT_FALSE(set);
            EXPECT_TRUE(rig.camera.Writes().isEmpty());
            continue;
        }
        EXPECT_EQ(got, Pair(held, kPropertyFlagManual));
        EXPECT_TRUE(set);
        EXPECT_EQ(rig.camera.Writes(), QList<Call>({{VIDIOC_S_CTRL, row.id, 4321}}));
    }
}

TEST(V4l2Controls, OldAndNewControlNamesGiveTheSameProperties) {
    struct Row {
        QString fixture;
        int kind;
        int propertyId;
        std::optional<std::pair<int, int>> expected;
    };
    const std::optional<std::pair<int, int>> absent;
    const Row rows[] = {
        {kBlueRov, 0, 7, Pair(4600, 1)}, {kBlueRov, 1, 4, Pair(156, 1)},
        {kBlueRov, 1, 19, Pair(0, 2)},   {kBlueRov, 0, 9, Pair(0, 2)},
        {kBlueRov, 1, 6, absent},        {kNewUsb, 0, 7, Pair(4600, 1)},
        {kNewUsb, 1, 4, Pair(500, 2)},   {kNewUsb, 1, 19, Pair(1, 2)},
        {kNewUsb, 0, 9, Pair(8, 2)},     {kNewUsb, 0, 13, Pair(2, 2)},
        {kNewUsb, 1, 6, absent},         {kOctopi, 1, 6, Pair(40, 2)},
        {kOctopi, 1, 0, Pair(0, 2)},     {kOctopi, 1, 3, Pair(100, 2)},
        {kOctopi, 1, 4, Pair(79, 2)},    {kOctopi, 0, 5, absent},
        {kNew4k, 1, 6, Pair(470, 1)},    {kNew4k, 1, 3, Pair(0, 2)},
        {kNew4k, 1, 4, Pair(166, 1)},    {kNew4k, 0, 9, absent},
        {kNew4k, 0, 0, Pair(-5, 2)},     {kHpW300, 1, 5, Pair(0, 2)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(
            qPrintable(row.fixture + QStringLiteral(" %1/%2").arg(row.kind).arg(row.propertyId)));
        Rig rig(row.fixture);
        EXPECT_EQ(rig.Get(row.kind, row.propertyId), row.expected);
        EXPECT_EQ(rig.controls.Set(row.kind, row.propertyId, 0, kPropertyFlagManual),
                  row.expected.has_value());
    }
}

TEST(V4l2Controls, ManualSwitchesAutoOffBeforeWritingExposure) {
    Rig rig(kHpW300);
    ASSERT_EQ(rig.Get(1, 4), Pair(157, kPropertyFlagAuto));
    rig.camera.calls.clear();
    ASSERT_TRUE(rig.controls.Set(1, 4, 300, kPropertyFlagManual));
    EXPECT_EQ(rig.camera.Writes(),
              QList<Call>({{VIDIOC_S_CTRL, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL},
                           {VIDIOC_S_CTRL, V4L2_CID_EXPOSURE_ABSOLUTE, 300}}));
    EXPECT_EQ(rig.Get(1, 4), Pair(300, kPropertyFlagManual));

    rig.camera.calls.clear();
    ASSERT_TRUE(rig.controls.Set(1, 4, 999, kPropertyFlagAuto));
    EXPECT_EQ(rig.camera.Writes(), QList<Call>({{VIDIOC_S_CTRL, V4L2_CID_EXPOSURE_AUTO,
                                                 V4L2_EXPOSURE_APERTURE_PRIORITY}}));
    EXPECT_EQ(rig.Get(1, 4), Pair(300, kPropertyFlagAuto));
}

TEST(V4l2Controls, EveryAutoPairSwitchesBothWays) {
    struct Row {
        const char* name;
        int kind;
        int propertyId;
        std::uint32_t id;
        std::uint32_t autoId;
        int autoOff;
        int autoOn;
    };
    const Row rows[] = {
        {"Hue", 0, 2, V4L2_CID_HUE, V4L2_CID_HUE_AUTO, 0, 1},
        {"WhiteBalance", 0, 7, V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE, 0,
         1},
        {"Gain", 0, 9, V4L2_CID_GAIN, V4L2_CID_AUTOGAIN, 0, 1},
        {"Focus", 1, 6, V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO, 0, 1},
        {"Exposure", 1, 4, V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL,
         V4L2_EXPOSURE_APERTURE_PRIORITY},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Control autoControl =
            row.autoId == V4L2_CID_EXPOSURE_AUTO
                ? ExposureMenu(row.autoOn, {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}})
                : Bool(row.autoId, true);
        Rig rig(QList<Control>{Int(row.id, 0, 100, 50), autoControl});
        EXPECT_EQ(rig.Get(row.kind, row.propertyId), Pair(50, kPropertyFlagAuto));
        ASSERT_TRUE(rig.controls.Set(row.kind, row.propertyId, 7, kPropertyFlagManual));
        EXPECT_EQ(rig.camera.Writes(), QList<Call>({{VIDIOC_S_CTRL, row.autoId, row.autoOff},
                                                    {VIDIOC_S_CTRL, row.id, 7}}));
        EXPECT_EQ(rig.Get(row.kind, row.propertyId), Pair(7, kPropertyFlagManual));
        rig.camera.calls.clear();
        ASSERT_TRUE(rig.controls.Set(row.kind, row.propertyId, 9, kPropertyFlagAuto));
        EXPECT_EQ(rig.camera.Writes(), QList<Call>({{VIDIOC_S_CTRL, row.autoId, row.autoOn}}));
        EXPECT_EQ(rig.Get(row.kind, row.propertyId), Pair(7, kPropertyFlagAuto));
    }
}

TEST(V4l2Controls, ControlWithoutAutoPairWritesTheValueForEitherFlag) {
    Rig rig(kHpW300); // gain, but no automatic gain
    ASSERT_TRUE(rig.controls.Set(0, 9, 50, kPropertyFlagAuto));
    EXPECT_EQ(rig.camera.Writes(), QList<Call>({{VIDIOC_S_CTRL, V4L2_CID_GAIN, 50}}));
    EXPECT_EQ(rig.Get(0, 9), Pair(50, kPropertyFlagManual));
    EXPECT_FALSE(rig.controls.SetAuto(0, 9, true));
}

TEST(V4l2Controls, ExposureModesTheCameraOffers) {
    {
        SCOPED_TRACE("no aperture priority: full automatic instead");
        Rig rig(QList<Control>{
            ExposureMenu(V4L2_EXPOSURE_MANUAL, {{0, "Auto Mode"}, {1, "Manual Mode"}}),
            Int(V4L2_CID_EXPOSURE_ABSOLUTE, 1, 5000, 100)});
        ASSERT_TRUE(rig.controls.Set(1, 4, 0, kPropertyFlagAuto));
        EXPECT_EQ(rig.camera.Writes(),
                  QList<Call>({{VIDIOC_S_CTRL, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_AUTO}}));
        EXPECT_EQ(rig.Get(1, 4), Pair(100, kPropertyFlagAuto));
    }
    {
        SCOPED_TRACE("no manual mode: the value would be dropped, so nothing is written");
        Rig rig(QList<Control>{ExposureMenu(3, {{0, "Auto Mode"}, {3, "Aperture Priority Mode"}}),
                               Int(V4L2_CID_EXPOSURE_ABSOLUTE, 1, 5000, 100)});
        EXPECT_FALSE(rig.controls.Set(1, 4, 200, kPropertyFlagManual));
        EXPECT_TRUE(rig.camera.Writes().isEmpty());
    }
    {
        SCOPED_TRACE("shutter priority leaves the exposure time to the user");
        Rig rig(QList<Control>{ExposureMenu(V4L2_EXPOSURE_SHUTTER_PRIORITY, {}),
                               Int(V4L2_CID_EXPOSURE_ABSOLUTE, 1, 5000, 100)});
        EXPECT_EQ(rig.Get(1, 4), Pair(100, kPropertyFlagManual));
    }
}

TEST(V4l2Controls, FlagsOtherThanAutoOrManualAreRefused) {
    Rig rig(kHpW300);
    for (int flags : {0, 3, -9}) {
        EXPECT_FALSE(rig.controls.Set(0, 0, 10, flags)) << flags;
        EXPECT_FALSE(rig.controls.Set(0, 7, 3000, flags)) << flags;
    }
    EXPECT_TRUE(rig.camera.Writes().isEmpty());
}

TEST(V4l2Controls, ControlsTheCameraLacksOrCannotServeFail) {
    Rig rig(QList<Control>{Int(V4L2_CID_BRIGHTNESS, 0, 255, 1, V4L2_CTRL_FLAG_DISABLED),
                           Int(V4L2_CID_CONTRAST, 0, 255, 2, V4L2_CTRL_FLAG_READ_ONLY),
                           Int(V4L2_CID_SHARPNESS, 0, 255, 3, V4L2_CTRL_FLAG_WRITE_ONLY), [] {
                               Control wide = Int(V4L2_CID_GAMMA, 0, 255, 4);
                               wide.type = V4L2_CTRL_TYPE_INTEGER64;
                               return wide;
                           }()});
    EXPECT_FALSE(rig.Get(0, 0).has_value()); // disabled
    EXPECT_FALSE(rig.controls.Set(0, 0, 5, kPropertyFlagManual));
    EXPECT_EQ(rig.Get(0, 1), Pair(2, kPropertyFlagManual)); // read-only: readable only
    EXPECT_FALSE(rig.controls.Set(0, 1, 5, kPropertyFlagManual));
    EXPECT_FALSE(rig.Get(0, 4).has_value()); // write-only
    EXPECT_TRUE(rig.controls.Set(0, 4, 5, kPropertyFlagManual));
    EXPECT_FALSE(rig.Get(0, 5).has_value()); // not a 32-bit control
    EXPECT_FALSE(rig.Get(1, 0).has_value()); // absent
    EXPECT_EQ(rig.camera.Writes(), QList<Call>({{VIDIOC_S_CTRL, V4L2_CID_SHARPNESS, 5}}));

    Rig hp(kHpW300);
    hp.camera.refusedRequest = VIDIOC_S_CTRL;
    hp.camera.refusedErrno = EBUSY;
    EXPECT_FALSE(hp.controls.Set(0, 0, 5, kPropertyFlagManual));
    EXPECT_FALSE(hp.controls.Set(1, 4, 5, kPropertyFlagManual));
    // The auto switch was refused, so the value was not tried under automatic exposure.
    EXPECT_EQ(hp.camera.Writes().size(), 2);
}

TEST(V4l2Controls, ValuesAreClampedAndSnappedBeforeWriting) {
    struct Row {
        QString fixture;
        int kind;
        int propertyId;
        int value;
        std::uint32_t id;
        int written;
    };
    const Row rows[] = {
        {kHpW300, 0, 0, 1000, V4L2_CID_BRIGHTNESS, 64},
        {kHpW300, 0, 0, -1000, V4L2_CID_BRIGHTNESS, -64},
        {kHpW300, 0, 13, 7, V4L2_CID_POWER_LINE_FREQUENCY, 2},
        {kHpW300, 0, 13, -3, V4L2_CID_POWER_LINE_FREQUENCY, 0},
        {kHpW300, 1, 19, 5, V4L2_CID_EXPOSURE_AUTO_PRIORITY, 1},
        {kHpW300, 1, 19, -2, V4L2_CID_EXPOSURE_AUTO_PRIORITY, 0},
        {kNewUsb, 0, 7, 4604, V4L2_CID_WHITE_BALANCE_TEMPERATURE, 4600},
        {kNewUsb, 0, 7, 4606, V4L2_CID_WHITE_BALANCE_TEMPERATURE, 4610},
        {kNewUsb, 0, 7, 100, V4L2_CID_WHITE_BALANCE_TEMPERATURE, 2800},
        {kOctopi, 1, 6, 43, V4L2_CID_FOCUS_ABSOLUTE, 45},
        {kOctopi, 1, 6, 251, V4L2_CID_FOCUS_ABSOLUTE, 250},
        {kOctopi, 1, 0, 5000, V4L2_CID_PAN_ABSOLUTE, 3600},
        {kOctopi, 1, 0, -1801, V4L2_CID_PAN_ABSOLUTE, -3600},
        {kSq11, 0, 5, 128, V4L2_CID_GAMMA, 130},
        {kSq11, 0, 5, 255, V4L2_CID_GAMMA, 250},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(qPrintable(row.fixture + QStringLiteral(" %1").arg(row.value)));
        Rig rig(row.fixture);
        ASSERT_TRUE(rig.controls.Set(row.kind, row.propertyId, row.value, kPropertyFlagManual));
        ASSERT_FALSE(rig.camera.Writes().isEmpty());
        EXPECT_EQ(rig.camera.Writes().last(), (Call{VIDIOC_S_CTRL, row.id, row.written}));
    }
    // A menu value between items goes to the nearest item the camera lists, the lower on a tie.
    Control powerLine = Int(V4L2_CID_POWER_LINE_FREQUENCY, 0, 2, 0);
    powerLine.type = V4L2_CTRL_TYPE_MENU;
    powerLine.menu = {{0, "Disabled"}, {2, "60 Hz"}};
    Rig menu(QList<Control>{powerLine});
    ASSERT_TRUE(menu.controls.SetValue(0, 13, 1));
    ASSERT_TRUE(menu.controls.SetValue(0, 13, 5));
    EXPECT_EQ(menu.camera.Writes(),
              QList<Call>({{VIDIOC_S_CTRL, V4L2_CID_POWER_LINE_FREQUENCY, 0},
                           {VIDIOC_S_CTRL, V4L2_CID_POWER_LINE_FREQUENCY, 2}}));
}

TEST(V4l2Controls, BrokenFirmwareRangesDoNotBreakTheOtherControls) {
    Rig rig(kSq11);
    EXPECT_FALSE(rig.Get(0, 2).has_value()); // hue: min > max
    EXPECT_FALSE(rig.controls.Set(0, 2, 0, kPropertyFlagManual));
    EXPECT_TRUE(rig.camera.Writes().isEmpty());
    EXPECT_EQ(rig.Get(1, 4), Pair(0, kPropertyFlagAuto)); // exposure_auto 0: automatic
    ASSERT_TRUE(rig.controls.Set(1, 4, 100, kPropertyFlagManual));
    EXPECT_EQ(rig.camera.Writes(),
              QList<Call>({{VIDIOC_S_CTRL, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL},
                           {VIDIOC_S_CTRL, V4L2_CID_EXPOSURE_ABSOLUTE, 0}}));
    EXPECT_EQ(rig.Get(1, 0), Pair(0, kPropertyFlagManual)); // pan 0..0 step 0
    const QList<ControlInfo> infos = rig.controls.Controls();
    EXPECT_FALSE(infos.isEmpty());
    for (const ControlInfo& info : infos) {
        EXPECT_FALSE(info.kind == 0 && info.propertyId == 2) << "hue offered";
        EXPECT_GE(info.step, 1) << qPrintable(info.name);
        EXPECT_LE(info.minimum, info.maximum) << qPrintable(info.name);
    }

    // A menu claiming two billion items is asked about a bounded number of them.
    Control huge = Int(V4L2_CID_POWER_LINE_FREQUENCY, 0, INT_MAX, 1);
    huge.type = V4L2_CTRL_TYPE_MENU;
    Rig menu(QList<Control>{huge});
    EXPECT_EQ(menu.Get(0, 13), Pair(1, kPropertyFlagManual));
    EXPECT_LE(menu.camera.calls.size(), 300);
}

TEST(V4l2Controls, UnpluggedCameraIsNotAskedAgain) {
    QLoggingCategory::setFilterRules(QStringLiteral("veldor.trace=true"));
    static QStringList messages;
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { messages.append(text); });

    Rig rig(kHpW300);
    ASSERT_TRUE(rig.Get(0, 0).has_value());
    rig.camera.unplugged = true;
    EXPECT_FALSE(rig.Get(0, 1).has_value());
    EXPECT_TRUE(rig.controls.isUnplugged());
    const qsizetype asked = rig.camera.calls.size();
    EXPECT_FALSE(rig.Get(0, 0).has_value());
    EXPECT_FALSE(rig.controls.Set(0, 0, 1, kPropertyFlagManual));
    EXPECT_FALSE(rig.controls.SetAuto(1, 4, false));
    EXPECT_FALSE(rig.controls.SetValue(0, 0, 1));
    EXPECT_TRUE(rig.controls.Controls().isEmpty());
    EXPECT_EQ(rig.camera.calls.size(), asked);

    Rig early(kHpW300);
    early.camera.unplugged = true;
    EXPECT_TRUE(early.controls.Controls().isEmpty());
    EXPECT_FALSE(early.Get(0, 0).has_value());
    EXPECT_EQ(early.camera.calls.size(), 1);

    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    EXPECT_EQ(messages.filter(QStringLiteral("unplugged")).size(), 2); // once per camera
    EXPECT_EQ(messages.filter(QStringLiteral("VIDIOC_G_CTRL failed: No such device")).size(), 1);
}

TEST(V4l2Controls, FailedCallsAreTracedByRequestName) {
    QLoggingCategory::setFilterRules(QStringLiteral("veldor.trace=true"));
    static QStringList messages;
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { messages.append(text); });
    {
        Rig rig(kHpW300);
        rig.camera.refusedRequest = VIDIOC_S_CTRL;
        rig.camera.refusedErrno = EACCES;
        EXPECT_FALSE(rig.controls.Set(0, 0, 1, kPropertyFlagManual));
    }
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    EXPECT_EQ(messages.filter(QStringLiteral("VIDIOC_S_CTRL failed: Permission denied")).size(), 1);
    // The end of the control enumeration is expected, not a failure.
    EXPECT_TRUE(messages.filter(QStringLiteral("VIDIOC_QUERY_EXT_CTRL")).isEmpty());
}

TEST(V4l2Controls, ControlsDescribeWhatTheCameraOffersInTableOrder) {
    Rig rig(kHpW300);
    const QList<ControlInfo> infos = rig.controls.Controls();
    QList<std::pair<int, int>> properties;
    for (const ControlInfo& info : infos) {
        properties.append({info.kind, info.propertyId});
    }
    EXPECT_EQ(properties, (QList<std::pair<int, int>>{{0, 0},
                                                      {0, 1},
                                                      {0, 2},
                                                      {0, 3},
                                                      {0, 4},
                                                      {0, 5},
                                                      {0, 7},
                                                      {0, 8},
                                                      {0, 9},
                                                      {0, 13},
                                                      {1, 4},
                                                      {1, 5},
                                                      {1, 19}}));
    ASSERT_EQ(infos.size(), 13);
    EXPECT_EQ(infos[0].name, QStringLiteral("brightness"));
    EXPECT_EQ(infos[0].type, ControlType::Integer);
    EXPECT_FALSE(infos[0].hasAuto);
    EXPECT_EQ(infos[6].value, 4600);
    EXPECT_TRUE(infos[6].hasAuto);
    EXPECT_TRUE(infos[6].autoOn);
    EXPECT_EQ(infos[9].type, ControlType::Menu);
    EXPECT_EQ(infos[9].menu, (QList<ControlMenuEntry>{{0, QStringLiteral("Disabled")},
                                                      {1, QStringLiteral("50 Hz")},
                                                      {2, QStringLiteral("60 Hz")}}));
    EXPECT_EQ(infos[10].minimum, 1);
    EXPECT_EQ(infos[10].maximum, 5000);
    EXPECT_EQ(infos[10].defaultValue, 157);
    EXPECT_TRUE(infos[10].autoOn);
    EXPECT_EQ(infos[11].step, 1); // iris: step 0 from the firmware
    EXPECT_EQ(infos[12].type, ControlType::Boolean);

    rig.camera.calls.clear();
    ASSERT_TRUE(rig.controls.SetAuto(0, 7, false));
    ASSERT_TRUE(rig.controls.SetValue(1, 4, 200)); // under automatic exposure, left so
    EXPECT_EQ(rig.camera.Writes(), QList<Call>({{VIDIOC_S_CTRL, V4L2_CID_AUTO_WHITE_BALANCE, 0},
                                                {VIDIOC_S_CTRL, V4L2_CID_EXPOSURE_ABSOLUTE, 200}}));
    const QList<ControlInfo> after = rig.controls.Controls();
    ASSERT_EQ(after.size(), 13);
    EXPECT_FALSE(after[6].autoOn);
    EXPECT_TRUE(after[10].autoOn);
    EXPECT_EQ(after[10].value, 200);
}

TEST(V4l2Controls, DescriptorsAreClosedOnlyWhenOpenedHere) {
    FakeV4l2Camera camera(ReadControlFixture(kHpW300));
    {
        V4l2Controls controls(QStringLiteral("/dev/video0"), camera.Io());
        EXPECT_TRUE(camera.device.isOpen());
        EXPECT_TRUE(controls.SetValue(0, 0, 3));
    }
    EXPECT_EQ(camera.device.closeCount(), 1);

    V4l2Io io = camera.Io();
    const int sourceFd = io.open("/dev/video0", 0); // the descriptor v4l2src holds
    {
        V4l2Controls controls(V4l2Controls::BorrowedFd{sourceFd}, io);
        int value = 0;
        int flags = 0;
        EXPECT_TRUE(controls.Get(0, 0, &value, &flags));
        EXPECT_EQ(value, 3);
    }
    EXPECT_TRUE(camera.device.isOpen());
    EXPECT_EQ(camera.device.closeCount(), 1);

    V4l2Io missing = camera.Io();
    missing.open = [](const char*, int) {
        errno = ENOENT;
        return -1;
    };
    camera.calls.clear();
    V4l2Controls absent(QStringLiteral("/dev/video9"), missing);
    EXPECT_FALSE(absent.isOpen());
    EXPECT_FALSE(absent.SetValue(0, 0, 1));
    EXPECT_TRUE(absent.Controls().isEmpty());
    EXPECT_TRUE(camera.calls.isEmpty());
}

TEST(V4l2Controls, DriversThatEnumerateBadlyStillWork) {
    FakeV4l2Camera camera(ReadControlFixture(kHpW300));
    V4l2Io inner = camera.Io();
    {
        SCOPED_TRACE("enumeration that repeats itself");
        V4l2Io looping = inner;
        int queries = 0;
        looping.ioctl = [&](int fd, unsigned long request, void* arg) {
            if (request == VIDIOC_QUERY_EXT_CTRL) {
                ++queries;
                static_cast<v4l2_query_ext_ctrl*>(arg)->id = V4L2_CID_BRIGHTNESS;
            }
            return inner.ioctl(fd, request, arg);
        };
        V4l2Controls controls(QStringLiteral("/dev/video0"), looping);
        int value = 0;
        int flags = 0;
        EXPECT_TRUE(controls.Get(0, 0, &value, &flags));
        EXPECT_LE(queries, 3);
    }
    {
        SCOPED_TRACE("no enumeration at all");
        V4l2Io single = inner;
        single.ioctl = [&](int fd, unsigned long request, void* arg) {
            if (request == VIDIOC_QUERY_EXT_CTRL &&
                (static_cast<v4l2_query_ext_ctrl*>(arg)->id & V4L2_CTRL_FLAG_NEXT_CTRL)) {
                errno = EINVAL;
                return -1;
            }
            return inner.ioctl(fd, request, arg);
        };
        V4l2Controls controls(QStringLiteral("/dev/video0"), single);
        int value = 0;
        int flags = 0;
        EXPECT_TRUE(controls.Get(1, 4, &value, &flags));
        EXPECT_EQ(value, 157);
        EXPECT_EQ(flags, kPropertyFlagAuto);
    }
}

namespace {

double BalanceValue(GstElement* balance, const char* property) {
    double value = -100;
    g_object_get(balance, property, &value, nullptr);
    return value;
}

struct Balance {
    Balance() {
        gst_init(nullptr, nullptr);
        element = gst_element_factory_make("videobalance", nullptr);
        if (element) {
            gst_object_ref_sink(element);
        }
    }
    ~Balance() {
        if (element) {
            gst_object_unref(element);
        }
    }
    GstElement* element = nullptr;
};

} // namespace

TEST(SimulatedControls, OffersOnlyTheListedControls) {
    SimulatedControls controls({QStringLiteral("Brightness"), QStringLiteral("contrast"),
                                QStringLiteral("ColorEnable"), QStringLiteral("Roll"),
                                QStringLiteral("NoSuchControl")});
    int value = 0;
    int flags = 0;
    ASSERT_TRUE(controls.Get(0, 0, &value, &flags));
    EXPECT_EQ(value, 0);
    EXPECT_EQ(flags, kPropertyFlagManual);
    ASSERT_TRUE(controls.Get(0, 1, &value, &flags));
    EXPECT_EQ(value, 32);
    for (const auto& [kind, propertyId] :
         {std::pair{0, 2}, {0, 3}, {0, 6}, {0, 7}, {1, 2}, {1, 4}, {1, 6}}) {
        EXPECT_FALSE(controls.Get(kind, propertyId, &value, &flags)) << kind << "/" << propertyId;
        EXPECT_FALSE(controls.Set(kind, propertyId, 1, kPropertyFlagManual));
    }
    EXPECT_EQ(controls.Controls().size(), 2);
    ASSERT_TRUE(controls.Set(0, 0, 100, kPropertyFlagManual));
    ASSERT_TRUE(controls.Get(0, 0, &value, &flags));
    EXPECT_EQ(value, 64);
}

TEST(SimulatedControls, AutomaticModesBehaveLikeACamera) {
    SimulatedControls controls({QStringLiteral("Exposure"), QStringLiteral("WhiteBalance")});
    int value = 0;
    int flags = 0;
    ASSERT_TRUE(controls.Get(1, 4, &value, &flags));
    EXPECT_EQ(flags, kPropertyFlagAuto);
    ASSERT_TRUE(controls.Set(1, 4, 400, kPropertyFlagManual));
    ASSERT_TRUE(controls.Get(1, 4, &value, &flags));
    EXPECT_EQ(std::pair(value, flags), Pair(400, kPropertyFlagManual));
    ASSERT_TRUE(controls.Set(0, 7, 5003, kPropertyFlagManual));
    ASSERT_TRUE(controls.Get(0, 7, &value, &flags));
    EXPECT_EQ(std::pair(value, flags), Pair(5000, kPropertyFlagManual));
    ASSERT_TRUE(controls.Set(0, 7, 3000, kPropertyFlagAuto));
    ASSERT_TRUE(controls.Get(0, 7, &value, &flags));
    EXPECT_EQ(std::pair(value, flags), Pair(5000, kPropertyFlagAuto));
}

TEST(SimulatedControls, DrivesVideobalanceAcrossItsRanges) {
    Balance balance;
    ASSERT_NE(balance.element, nullptr) << "videobalance is missing (gstreamer1.0-plugins-good)";
    SimulatedControls controls({QStringLiteral("Brightness"), QStringLiteral("Contrast"),
                                QStringLiteral("Hue"), QStringLiteral("Saturation")});
    ASSERT_TRUE(controls.Set(0, 0, 32, kPropertyFlagManual)); // kept until an element comes
    controls.AttachBalance(balance.element);
    EXPECT_EQ(GST_OBJECT_REFCOUNT_VALUE(balance.element), 2);
    EXPECT_DOUBLE_EQ(BalanceValue(balance.element, "brightness"), 0.5);
    EXPECT_DOUBLE_EQ(BalanceValue(balance.element, "contrast"), 1.0);
    EXPECT_DOUBLE_EQ(BalanceValue(balance.element, "hue"), 0.0);
    EXPECT_DOUBLE_EQ(BalanceValue(balance.element, "saturation"), 1.0);

    ASSERT_TRUE(controls.Set(0, 0, -64, kPropertyFlagManual));
    ASSERT_TRUE(controls.Set(0, 1, 64, kPropertyFlagManual));
    ASSERT_TRUE(controls.SetValue(0, 2, -40));
    ASSERT_TRUE(controls.Set(0, 3, 32, kPropertyFlagManual));
    EXPECT_DOUBLE_EQ(BalanceValue(balance.element, "brightness"), -1.0);
    EXPECT_DOUBLE_EQ(BalanceValue(balance.element, "contrast"), 2.0);
    EXPECT_DOUBLE_EQ(BalanceValue(balance.element, "hue"), -1.0);
    EXPECT_DOUBLE_EQ(BalanceValue(balance.element, "saturation"), 0.5);

    controls.AttachBalance(nullptr);
    EXPECT_EQ(GST_OBJECT_REFCOUNT_VALUE(balance.element), 1);
    ASSERT_TRUE(controls.Set(0, 0, 64, kPropertyFlagManual));
    EXPECT_DOUBLE_EQ(BalanceValue(balance.element, "brightness"), -1.0);
}

TEST(SimulatedControls, UnlistedBalancePropertiesStayNeutral) {
    Balance balance;
    ASSERT_NE(balance.element, nullptr);
    SimulatedControls controls({QStringLiteral("Brightness"), QStringLiteral("Contrast")});
    controls.AttachBalance(balance.element);
    EXPECT_FALSE(controls.Set(0, 2, 40, kPropertyFlagManual));
    EXPECT_FALSE(controls.Set(0, 3, 0, kPropertyFlagManual));
    ASSERT_TRUE(controls.Set(0, 1, 0, kPropertyFlagManual));
    EXPECT_DOUBLE_EQ(BalanceValue(balance.element, "contrast"), 0.0);
    EXPECT_DOUBLE_EQ(BalanceValue(balance.element, "hue"), 0.0);
    EXPECT_DOUBLE_EQ(BalanceValue(balance.element, "saturation"), 1.0);
}
