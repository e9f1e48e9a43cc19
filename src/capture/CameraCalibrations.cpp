#include "capture/CameraCalibrations.h"

#include "platform/profile/Profile.h"
#include "platform/profile/ProfileBatch.h"
#include "platform/profile/ProfileFile.h"
#include "platform/profile/ProfileText.h"
#include "platform/text/TextCodec.h"

#include <algorithm>

namespace {

// More entries than anyone turns a zoom through; a damaged count reads no further.
constexpr int kMaxCalibrations = 64;

QString Numbered(const char* key, int n) {
    return QLatin1String(key) + QString::number(n);
}

} // namespace

QString CameraCalibrations::SectionOf(const QString& camera) {
    return QStringLiteral("Calibration:") + camera;
}

CameraCalibrations CameraCalibrations::Load(const QString& iniPath, const QString& camera) {
    CameraCalibrations calibrations;
    const ProfileFile file = ReadProfileFile(iniPath);
    if (file.status != ProfileFile::Read || camera.isEmpty()) {
        return calibrations;
    }
    const QByteArray section = SectionOf(camera).toUtf8();
    auto value = [&](const QString& key) {
        const std::optional<QByteArray> found = ProfileText::Find(file.text, section, key.toUtf8());
        return found ? DecodeText(*found).text : QString();
    };
    const int count = qBound(0, value(QStringLiteral("Count")).toInt(), kMaxCalibrations);
    const int current = value(QStringLiteral("Current")).toInt();
    for (int n = 1; n <= count; ++n) {
        bool ok = false;
        Calibration entry;
        entry.name = value(Numbered("Name", n));
        entry.micrometresPerPixel = value(Numbered("MicrometresPerPixel", n)).toDouble(&ok);
        entry.size =
            QSize(value(Numbered("Width", n)).toInt(), value(Numbered("Height", n)).toInt());
        const bool taken = std::any_of(calibrations.m_list.begin(), calibrations.m_list.end(),
                                       [&](const Calibration& c) { return c.name == entry.name; });
        if (!ok || !entry.IsValid() || taken) {
            continue;
        }
        if (n == current) {
            calibrations.m_current = int(calibrations.m_list.size());
        }
        calibrations.m_list.append(entry);
    }
    return calibrations;
}

bool CameraCalibrations::Save(const QString& iniPath, const QString& camera) const {
    if (camera.isEmpty()) {
        return false;
    }
    const QString section = SectionOf(camera);
    ProfileBatch batch(iniPath);
    bool written = batch.Write(section, QStringLiteral("Count"), QString::number(m_list.size()));
    written &= batch.Write(section, QStringLiteral("Current"), QString::number(m_current + 1));
    for (int i = 0; i < m_list.size(); ++i) {
        const Calibration& entry = m_list[i];
        const int n = i + 1;
        written &= batch.Write(section, Numbered("Name", n), entry.name);
        written &= batch.Write(section, Numbered("MicrometresPerPixel", n),
                               QString::number(entry.micrometresPerPixel, 'g', 10));
        written &= batch.Write(section, Numbered("Width", n), QString::number(entry.size.width()));
        written &=
            batch.Write(section, Numbered("Height", n), QString::number(entry.size.height()));
    }
    return batch.Commit() && written;
}

const Calibration* CameraCalibrations::Current() const {
    return m_current >= 0 && m_current < m_list.size() ? &m_list[m_current] : nullptr;
}

bool CameraCalibrations::Select(int index) {
    if (index < -1 || index >= m_list.size()) {
        return false;
    }
    m_current = index;
    return true;
}

bool CameraCalibrations::Put(const Calibration& calibration) {
    if (!calibration.IsValid() || !ProfileCanHold(calibration.name)) {
        return false;
    }
    for (int i = 0; i < m_list.size(); ++i) {
        if (m_list[i].name == calibration.name) {
            m_list[i] = calibration;
            m_current = i;
            return true;
        }
    }
    if (m_list.size() >= kMaxCalibrations) {
        return false;
    }
    m_list.append(calibration);
    m_current = int(m_list.size()) - 1;
    return true;
}
