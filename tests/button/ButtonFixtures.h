#pragma once

#include "button/DeviceRoots.h"
#include "support/DeviceTree.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

namespace ButtonFixtures {

inline const QByteArray kButtonHidId = QByteArrayLiteral("0003:0000B4D2:00006D1B");

// The button's interface: a vendor page, one 8-bit input without report id (input report
// length 2 with the id byte).
inline const QByteArray kButtonDescriptor =
    QByteArray::fromHex("0600ff0901a101150026ff007508950109018102c0");

// The Magewell XI100DUSB-HDMI's vendor HID interface, encoded item by item from the
// "Report Descriptor: (length is 153)" listing in lsusb-magewell-xi100dusb-hdmi-uvc-with-
// vendor-hid-report-descriptor.txt. Numbered reports; the longest input (id 5) has 256 bytes.
inline const QByteArray kMagewellDescriptor = QByteArray::fromHex(
    "0600ff0901a1017508150026ff00851095040901810285019501090181028502950409019102850395010901"
    "8102850409019504810285040901950491028505090196000181028505090196000191028520090195088102"
    "8521090195099102852209019502810285220901950291028523090195088102852309019508910285300901"
    "9506810285300901950691028540090195118102c0");

// The DESCRIPTOR chunks of usbhid-dump-generic-format-perixx-keyboard-trackball-not-a-
// camera.txt, in file order (interface 1 with report ids, then interface 0 without).
inline QList<QByteArray> PerixxDescriptors() {
    QFile file(QStringLiteral(VELDOR_FIXTURES "/real-cameras/usbhid-dump-generic-format-"
                                              "perixx-keyboard-trackball-not-a-camera.txt"));
    QList<QByteArray> descriptors;
    if (!file.open(QIODevice::ReadOnly)) {
        return descriptors;
    }
    bool inDescriptor = false;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.contains(":DESCRIPTOR ")) {
            descriptors.append(QByteArray());
            inDescriptor = true;
        } else if (line.trimmed().isEmpty()) {
            inDescriptor = false;
        } else if (inDescriptor) {
            descriptors.last() += QByteArray::fromHex(line.trimmed());
        }
    }
    return descriptors;
}

inline DeviceRoots Roots(const DeviceTree& tree) {
    return DeviceRoots{tree.sys(), tree.dev()};
}

} // namespace ButtonFixtures
