#include "app/CKestrelDlg.h"

#include "capture/CameraProperty.h"
#include "platform/paths/Paths.h"
#include "platform/profile/Profile.h"
#include "platform/profile/ProfileBatch.h"
#include "platform/profile/ProfileFile.h"
#include "platform/trace/Trace.h"

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
    return ReadProfileFile(path).status == ProfileFile::Read;
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

// One stored property key and its "%d/%d" text.
struct StoredEntry {
    QString key;
    QString text;
};

// Gets every entry from the camera; those it gave, in table order.
QList<StoredEntry> CameraEntries() {
    QList<StoredEntry> stored;
    for (CameraProperty& entry : CameraProperties()) {
        const bool ok = GetCameraProperty(entry);
        TraceGet(entry, ok);
        if (ok) {
            stored.append({Key(entry), QString::fromLatin1(PropertyText(entry))});
        }
    }
    return stored;
}

void WriteEntries(ProfileBatch& batch, const QString& section, const QList<StoredEntry>& entries) {
    for (const StoredEntry& entry : entries) {
        batch.Write(section, entry.key, entry.text);
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
    const QList<StoredEntry> entries = CameraEntries();
    auto writeCamera = [&](ProfileBatch& batch) {
        batch.Write(m_cameraName, QStringLiteral("Width"), QString::number(m_formatWidth));
        batch.Write(m_cameraName, QStringLiteral("Height"), QString::number(m_formatHeight));
        WriteEntries(batch, m_cameraName, entries);
    };
    ProfileBatch batch(m_iniPath);
    if (batch.Write(kVideoDevice, QStringLiteral("Name"), m_cameraName)) {
        writeCamera(batch);
        if (batch.Commit()) {
            return;
        }
    }
    // The file cannot be written where it is: it moves to the temporary folder, where the rest
    // is stored without the Name key.
    const QString temp = TempPath();
    // Once in the temporary folder, a further failure must not nest the path again.
    if (!temp.isEmpty() && !m_iniPath.startsWith(temp)) {
        m_iniPath = temp + QLatin1Char('/') + m_iniPath;
    } else {
        qCDebug(veldorTrace, "the settings file cannot be written: %s", qUtf8Printable(m_iniPath));
    }
    ProfileBatch moved(m_iniPath);
    writeCamera(moved);
    moved.Commit();
}

bool CKestrelDlg::saveUSBProperty(const QString& path,
                                  const std::optional<PictureCalibration>& calibration) {
    qCDebug(veldorTrace, "saveUSBProperty::%s", qUtf8Printable(path));
    ProfileBatch batch(path);
    batch.Write(kUsbProperty, QStringLiteral("device"), m_cameraName);
    WriteEntries(batch, kUsbProperty, CameraEntries());
    if (calibration && calibration->IsValid()) {
        WritePictureCalibration(batch, *calibration);
    }
    return batch.Commit();
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
