#include "capture/CaptureGraph.h"
#include "library/ImageList.h"
#include "support/DeviceTree.h"
#include "support/MainWindowFixture.h"

#include "support/Eventually.h"
#include <QSignalSpy>
#include <QTest>
#include <linux/input.h>
#include <unistd.h>

namespace {

// The camera's push button and its snapshot key, from the device nodes to the pictures,
// through the real main window.
class CameraButtonTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(tree.ok());
        const QString usb = tree.AddUsbDevice(2);
        ASSERT_TRUE(
            tree.AddHidraw(0, usb, "0003:0000B4D2:00006D1B",
                           QByteArray::fromHex("0600ff0901a101150026ff007508950109018102c0")));
        ASSERT_TRUE(tree.AddKeyDevice(5, usb, kCameraKeyBitmap));
        env.set("VELDOR_DEVICE_ROOT", tree.root().toLocal8Bit());
        const QString cameras = env.root() + QStringLiteral("/cameras.json");
        ASSERT_TRUE(TempEnvironment::writeFile(
            cameras, R"([{"name": "Orvane Q7", "usbDevice": ")" + usb.toUtf8() +
                         R"(", "formats": [{"format": "YUY2", "width": 320, "height": 240}]}])"));
        env.set("VELDOR_SIMULATED_CAMERAS", cameras.toLocal8Bit());
        ASSERT_TRUE(StartAndShow());
        ASSERT_TRUE(QTest::qWaitFor([] { return CaptureGraph::Instance().HasFrame(); }, 10000));
        button = OpenFifoWriter(tree.HidrawNode(0));
        ASSERT_GE(button, 0);
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        if (button >= 0) {
            ::close(button);
        }
    }
    int Pictures() const { return int(ReloadImageList(dlg->m_saveFolder).size()); }

    DeviceTree tree;
    int button = -1;
};

TEST_F(CameraButtonTest, PressesTakePicturesOrReturnToLive) {
    // Three presses within one poll of the flag take one picture.
    QSignalSpy polls(&dlg->m_buttonPoll.timer(), &QTimer::timeout);
    ASSERT_TRUE(WriteAll(button, QByteArray::fromHex("0100010001")));
    ASSERT_EVENTUALLY(Pictures() == 1);
    const int pollsAtPicture = int(polls.size());
    ASSERT_EVENTUALLY(polls.size() >= pollsAtPicture + 2);
    EXPECT_EQ(Pictures(), 1);

    // With the picture shown, a press returns to the live picture; the next one takes one.
    dlg->ResetImageList();
    dlg->OnImageAreaLeftClick(200, 520);
    dlg->grab();
    ASSERT_EQ(dlg->m_viewState, 2);
    ASSERT_TRUE(WriteAll(button, "\x01"));
    ASSERT_EVENTUALLY(dlg->m_viewState == 1);
    EXPECT_EQ(Pictures(), 1);
    ASSERT_TRUE(WriteAll(button, "\x01"));
    ASSERT_EVENTUALLY(Pictures() == 2);

    // The camera's own snapshot key, found through the camera's USB device.
    const int key = OpenFifoWriter(tree.EventNode(5));
    ASSERT_GE(key, 0);
    input_event press{};
    press.type = EV_KEY;
    press.code = KEY_CAMERA;
    press.value = 1;
    ASSERT_TRUE(WriteAll(key, QByteArray(reinterpret_cast<const char*>(&press), sizeof press)));
    ASSERT_EVENTUALLY(Pictures() == 3);
    ::close(key);
}

} // namespace
