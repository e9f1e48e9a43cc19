#include "app/CKestrelDlg.h"

#include "capture/CameraProperty.h"
#include "platform/paths/Paths.h"
#include "platform/profile/Profile.h"
#include "platform/trace/Trace.h"

#include <QFile>

namespace {

const QString kVideoDevice = QStringLiteral("VideoDevice");
const QString kUsbProperty = QStringLiteral("USBProperty");

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

bool Readable(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

QString Key(const CameraProperty& entry) {
    return QString::fromLatin1(entry.name);
}

// Reads a property key into value and flags. Missing or malformed text leaves nothing to apply
// (flags -9) instead of the previous entry's numbers.
void ReadEntry(CameraProperty& entry, const QString& section, const QString& def,
               const QString& path) {
    const QString text = GetPrivateProfileString(section, Key(entry), def, path);
    if (text.isEmpty() || !ParsePropertyText(text.toLocal8Bit(), &entry.value, &entry.flags)) {
        entry.flags = kNoValueFlags;
    }
}

// Gets every entry from the camera and writes those it gave into section.
void WriteEntries(const QString& section, const QString& path) {
    for (CameraProperty& entry : CameraProperties()) {
        const bool ok = GetCameraProperty(entry);
        TraceGet(entry, ok);
        if (ok) {
            WritePrivateProfileString(section, Key(entry), QString::fromLatin1(PropertyText(entry)),
                                      path);
        }
    }
}

} // namespace

int CKestrelDlg::loadVideoProperty() {
    qCDebug(veldorTrace, "loadVideoProperty::%s", qUtf8Printable(m_iniPath));
    if (!Readable(m_iniPath)) {
        return 0;
    }
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
    // The camera's stored controls come back when its graph starts; the table itself keeps what
    // the shown picture or the camera last gave.
    QList<CameraProperty> stored(CameraPropertyStartValues().begin(),
                                 CameraPropertyStartValues().end());
    for (CameraProperty& entry : stored) {
        ReadEntry(entry, m_cameraName, QStringLiteral("0/-9"), m_iniPath);
    }
    RestoreWhenStarted(m_cameraName.toUtf8(), stored);
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
        const QString temp = TempPath();
        // Once in the temporary folder, a further failure must not nest the path again.
        if (!temp.isEmpty() && !m_iniPath.startsWith(temp)) {
            m_iniPath = temp + QLatin1Char('/') + m_iniPath;
        } else {
            qCDebug(veldorTrace, "the settings file cannot be written: %s",
                    qUtf8Printable(m_iniPath));
        }
    }
    WritePrivateProfileString(m_cameraName, QStringLiteral("Width"), QString::number(m_formatWidth),
                              m_iniPath);
    WritePrivateProfileString(m_cameraName, QStringLiteral("Height"),
                              QString::number(m_formatHeight), m_iniPath);
    WriteEntries(m_cameraName, m_iniPath);
}

void CKestrelDlg::saveUSBProperty(const QString& path) {
    qCDebug(veldorTrace, "saveUSBProperty::%s", qUtf8Printable(path));
    WritePrivateProfileString(kUsbProperty, QStringLiteral("device"), m_cameraName, path);
    WriteEntries(kUsbProperty, path);
}

int CKestrelDlg::loadUSBProperty(const QString& path) {
    qCDebug(veldorTrace, "loadUSBProperty::%s", qUtf8Printable(path));
    if (!Readable(path)) {
        m_shotCameraName.clear();
        return 0;
    }
    m_shotCameraName =
        GetPrivateProfileString(kUsbProperty, QStringLiteral("device"), QString(), path);
    CameraPropertyTable& table = CameraProperties();
    for (CameraProperty& entry : table) {
        ReadEntry(entry, kUsbProperty, QString(), path);
    }
    return ApplyPropertiesTo(GraphCameraControls(),
                             QList<CameraProperty>(table.begin(), table.end()));
}
