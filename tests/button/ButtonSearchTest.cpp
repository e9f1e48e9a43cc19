#include "button/ButtonDetection.h"
#include "button/ButtonDetectionMonitor.h"
#include "button/ButtonFixtures.h"
#include "button/CameraKeyDevices.h"
#include "button/HIDUtilities.h"
#include "button/HidrawDevices.h"
#include "button/ReportDescriptor.h"
#include "support/ScriptedPrompts.h"
#include "support/TempEnvironment.h"

#include "platform/video/SimulatedCamera.h"
#include "support/Eventually.h"

#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace ButtonFixtures;

namespace {

TEST(ReportDescriptor, InputReportLengthCountsTheIdByteOfTheLongestInput) {
    const QList<QByteArray> perixx = PerixxDescriptors();
    ASSERT_EQ(perixx.size(), 2);
    struct Case {
        const char* name;
        QByteArray descriptor;
        int length;
        bool numbered;
    } cases[] = {
        // ids 1, 2 and 3 (mouse: 3 buttons + padding, X, Y, wheel, pan: 5 bytes), and an
        // output report that does not count.
        {"Perixx trackball, numbered", perixx[0], 6, true},
        // modifiers, reserved byte, six key codes; the LED output does not count.
        {"Perixx keyboard, no ids", perixx[1], 9, false},
        {"Magewell vendor interface, numbered", kMagewellDescriptor, 257, true},
        {"camera button, no ids", kButtonDescriptor, 2, false},
        {"no input report", QByteArray::fromHex("0600ff0901a101750895029102c0"), 0, false},
        {"input item cut off", kButtonDescriptor.left(19), 0, false},
    };
    for (const Case& c : cases) {
        const ReportLayout layout = ParseReportDescriptor(c.descriptor);
        EXPECT_EQ(layout.inputReportLength, c.length) << c.name;
        EXPECT_EQ(layout.numberedReports, c.numbered) << c.name;
    }
}

TEST(HIDUtilities, TakesTheFirstMatchingInterfaceInHidrawNumberOrder) {
    DeviceTree tree;
    const QString camera = tree.AddUsbDevice(2);
    const QString pad = tree.AddUsbDevice(3);
    // hidraw10 sorts before hidraw9 by name; the search goes by number.
    ASSERT_TRUE(tree.AddHidraw(2, pad, "0003:0000054C:00000CE6", kButtonDescriptor));
    ASSERT_TRUE(tree.AddHidraw(10, camera, kButtonHidId, kMagewellDescriptor));
    ASSERT_TRUE(tree.AddHidraw(9, camera, "0003:0000b4d2:00006d1b", kButtonDescriptor));
    ScriptedPrompts prompts;
    HIDUtilities utilities(Roots(tree), &prompts);

    ASSERT_TRUE(utilities.FindDeviceAndAssignDeviceName());
    EXPECT_EQ(utilities.m_devicePath, QFile::encodeName(tree.HidrawNode(9)));
    EXPECT_EQ(utilities.m_inputReportLength, 2);
    EXPECT_FALSE(utilities.m_numberedReports);
    EXPECT_GE(utilities.m_deviceHandle, 0);

    // An interface whose node cannot be opened is skipped.
    ASSERT_EQ(::unlink(QFile::encodeName(tree.HidrawNode(9)).constData()), 0);
    ASSERT_TRUE(utilities.FindDeviceAndAssignDeviceName());
    EXPECT_EQ(utilities.m_devicePath, QFile::encodeName(tree.HidrawNode(10)));
    EXPECT_EQ(utilities.m_inputReportLength, 257);
    EXPECT_TRUE(utilities.m_numberedReports);

    // Another vendor's device alone is not the button; nothing is shown.
    ASSERT_EQ(::unlink(QFile::encodeName(tree.HidrawNode(10)).constData()), 0);
    EXPECT_FALSE(utilities.FindDeviceAndAssignDeviceName());
    EXPECT_TRUE(utilities.m_devicePath.isEmpty());
    EXPECT_EQ(utilities.m_deviceHandle, -1);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST(HIDUtilities, OnlyAListThatCannotBeReadIsShown) {
    DeviceTree tree;
    ScriptedPrompts prompts;
    HIDUtilities utilities(Roots(tree), &prompts);
    EXPECT_FALSE(utilities.FindDeviceAndAssignDeviceName()); // no hidraw class at all
    EXPECT_TRUE(prompts.messages.isEmpty());

    ASSERT_TRUE(TempEnvironment::writeFile(tree.sys() + "/class/hidraw", "not a folder"));
    EXPECT_FALSE(utilities.FindDeviceAndAssignDeviceName());
    EXPECT_EQ(prompts.messages,
              QStringList{"FindDeviceAndAssignDeviceName:: ERROR - SetupDiGetClassDevs"});
    EXPECT_EQ(prompts.messageCaptions, QStringList{"debug"});
}

TEST(DeviceRoot, TheDemonstrationTreeHasTheButtonAndTheSimulatedCamerasKey) {
    const DeviceRoots roots{VELDOR_SOURCE_DIR "/resources/device-root/sys", "/dev/veldor"};
    QList<HidrawDevice> buttons;
    ASSERT_EQ(ListHidrawDevices(roots, 0xB4D2, 0x6D1B, &buttons), HidrawSearch::Found);
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0].node, "/dev/veldor/hidraw0");
    EXPECT_EQ(buttons[0].inputReportLength, 2);
    EXPECT_FALSE(buttons[0].numberedReports);

    const QList<SimulatedCamera> cameras =
        ReadSimulatedCameras(VELDOR_SOURCE_DIR "/resources/simulated-camera.json");
    ASSERT_EQ(cameras.size(), 1);
    const QStringList key{"/dev/veldor/input/event5"};
    EXPECT_EQ(FindCameraKeyDevices(roots, {QString(), cameras[0].usbDevice}), key);
    EXPECT_EQ(FindCameraKeyDevices(roots, {QStringLiteral("video0"), QString()}), key);
}

TEST(StartButtonPressDetection, SearchesOnceAndHandsPressesToTheRegisteredFlag) {
    TempEnvironment env;
    ASSERT_TRUE(env.ok());
    DeviceTree tree;
    const QString camera = tree.AddUsbDevice(2);
    env.set(kDeviceRootVariable, tree.root().toLocal8Bit());
    ScriptedPrompts prompts;
    int flag = 0;

    // Without the camera at start, plugging it in later changes nothing: no second search.
    StartButtonPressDetection(&flag, prompts);
    ButtonDetectionMonitor* monitor = ButtonMonitor();
    ASSERT_NE(monitor, nullptr);
    EXPECT_FALSE(monitor->HasThread());
    ASSERT_TRUE(tree.AddHidraw(0, camera, kButtonHidId, kButtonDescriptor));
    StartButtonPressDetection(&flag, prompts);
    EXPECT_EQ(ButtonMonitor(), monitor);
    EXPECT_FALSE(monitor->HasThread());
    EndButtonPressDetection(&flag);
    EXPECT_EQ(ButtonMonitor(), nullptr);

    // The next start finds it, and a press reaches the flag through the hidden window.
    StartButtonPressDetection(&flag, prompts);
    ASSERT_TRUE(ButtonMonitor()->HasThread());
    const int writer = OpenFifoWriter(tree.HidrawNode(0));
    ASSERT_GE(writer, 0);
    ASSERT_TRUE(WriteAll(writer, "\x01"));
    ASSERT_EVENTUALLY(flag == 1);

    int otherFlag = 0;
    EndButtonPressDetection(&otherFlag); // not the registered flag: detection goes on
    EXPECT_NE(ButtonMonitor(), nullptr);
    EndButtonPressDetection(&flag);
    EXPECT_FALSE(OpenForReading(tree.HidrawNode(0)));
    ::close(writer);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

} // namespace
