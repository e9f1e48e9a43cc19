#include "app/CKestrelDlg.h"

#include "platform/paths/Paths.h"
#include "platform/profile/Profile.h"
#include "platform/trace/Trace.h"

#include <QFile>

namespace {

const QString kVideoDevice = QStringLiteral("VideoDevice");

// Decimal text to int as atoi reads it: leading digits only, no text gives 0.
int LeadingInt(const QString& text) {
    const QString t = text.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t[end] == QLatin1Char('-') || t[end] == QLatin1Char('+'))) {
        ++end;
    }
    while (end < t.size() && t[end].isDigit()) {
        ++end;
    }
    bool ok = false;
    const int value = t.left(end).toInt(&ok);
    return ok ? value : 0;
}

} // namespace

int CKestrelDlg::loadVideoProperty() {
    qCDebug(veldorTrace, "loadVideoProperty::%s", qUtf8Printable(m_iniPath));
    QFile file(m_iniPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    file.close();
    m_lastDeviceName =
        GetPrivateProfileString(kVideoDevice, QStringLiteral("Name"), QString(), m_iniPath);
    if (m_cameraName.isEmpty()) {
        return 1;
    }
    const QString width =
        GetPrivateProfileString(m_cameraName, QStringLiteral("Width"), QString(), m_iniPath);
    if (!width.isEmpty()) {
        m_formatWidth = LeadingInt(width);
        m_formatHeight = LeadingInt(
            GetPrivateProfileString(m_cameraName, QStringLiteral("Height"), QString(), m_iniPath));
    }
    return 1;
}

void CKestrelDlg::saveVideoProperty() {
    qCDebug(veldorTrace, "saveVideoProperty::%s", qUtf8Printable(m_iniPath));
    // Without a selected camera there is nothing to store, and writing an empty name would
    // forget the camera used last.
    if (m_cameraName.isEmpty()) {
        return;
    }
    if (!WritePrivateProfileString(kVideoDevice, QStringLiteral("Name"), m_cameraName, m_iniPath)) {
        m_iniPath = QStringLiteral("%1/%2").arg(TempPath(), m_iniPath);
    }
    WritePrivateProfileString(m_cameraName, QStringLiteral("Width"), QString::number(m_formatWidth),
                              m_iniPath);
    WritePrivateProfileString(m_cameraName, QStringLiteral("Height"),
                              QString::number(m_formatHeight), m_iniPath);
}

void CKestrelDlg::saveUSBProperty(const QString& path) {
    qCDebug(veldorTrace, "saveUSBProperty::%s", qUtf8Printable(path));
    WritePrivateProfileString(QStringLiteral("USBProperty"), QStringLiteral("device"), m_cameraName,
                              path);
}

int CKestrelDlg::loadUSBProperty(const QString& path) {
    qCDebug(veldorTrace, "loadUSBProperty::%s", qUtf8Printable(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_shotCameraName.clear();
        return 0;
    }
    file.close();
    m_shotCameraName = GetPrivateProfileString(QStringLiteral("USBProperty"),
                                               QStringLiteral("device"), QString(), path);
    return 0;
}
