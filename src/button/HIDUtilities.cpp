#include "button/HIDUtilities.h"

#include "button/HidrawDevices.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

HIDUtilities::HIDUtilities(const DeviceRoots& roots, Prompts* prompts)
    : m_roots(roots), m_prompts(prompts) {
}

HIDUtilities::~HIDUtilities() {
    CloseDeviceHandle();
}

void HIDUtilities::CloseDeviceHandle() {
    if (m_deviceHandle >= 0) {
        ::close(m_deviceHandle);
        m_deviceHandle = -1;
    }
}

bool HIDUtilities::FindDeviceAndAssignDeviceName() {
    CloseDeviceHandle();
    QList<HidrawDevice> matches;
    const HidrawSearch search = ListHidrawDevices(m_roots, m_vendorId, m_productId, &matches);
    if (search == HidrawSearch::ListUnreadable) {
        if (m_prompts) {
            m_prompts->CaptionedMessageBox(
                QStringLiteral("debug"),
                QStringLiteral("FindDeviceAndAssignDeviceName:: ERROR - SetupDiGetClassDevs"));
        }
        m_devicePath.clear();
        return false;
    }
    for (const HidrawDevice& device : matches) {
        // A handle that only names the node, as the search needs no access to the device;
        // the reader opens its own.
        const QByteArray path = QFile::encodeName(device.node);
        m_deviceHandle = ::open(path.constData(), O_PATH | O_CLOEXEC);
        if (m_deviceHandle < 0) {
            qCDebug(veldorTrace, "button: %s: %s; skipped", path.constData(), std::strerror(errno));
            continue;
        }
        m_devicePath = path;
        m_inputReportLength = device.inputReportLength;
        m_numberedReports = device.numberedReports;
        qCDebug(veldorTrace, "button: found %s (vendor %04x product %04x), input report %d bytes%s",
                path.constData(), m_vendorId, m_productId, m_inputReportLength,
                m_numberedReports ? ", numbered reports" : "");
        return true;
    }
    qCDebug(veldorTrace, "button: no HID interface with vendor %04x product %04x", m_vendorId,
            m_productId);
    m_devicePath.clear();
    return false;
}
