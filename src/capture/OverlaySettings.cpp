#include "capture/OverlaySettings.h"

#include "platform/profile/Profile.h"
#include "platform/profile/ProfileBatch.h"

namespace {

const QString kOverlay = QStringLiteral("OVERLAY");

bool ReadFlag(const char* key, bool def, const QString& path) {
    const QString text = GetPrivateProfileString(kOverlay, QLatin1String(key), QString(), path);
    if (text == QLatin1String("TRUE")) {
        return true;
    }
    if (text == QLatin1String("FALSE")) {
        return false;
    }
    return def;
}

QString Flag(bool on) {
    return on ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

} // namespace

OverlaySettings OverlaySettings::Load(const QString& iniPath) {
    const OverlaySettings defaults;
    OverlaySettings settings;
    settings.scaleBar = ReadFlag("SCALE_BAR", defaults.scaleBar, iniPath);
    settings.scaleBarInPictures =
        ReadFlag("SCALE_BAR_IN_PICTURES", defaults.scaleBarInPictures, iniPath);
    settings.focusMeter = ReadFlag("FOCUS_METER", defaults.focusMeter, iniPath);
    return settings;
}

bool OverlaySettings::Save(const QString& iniPath) const {
    ProfileBatch batch(iniPath);
    bool written = batch.Write(kOverlay, QStringLiteral("SCALE_BAR"), Flag(scaleBar));
    written &=
        batch.Write(kOverlay, QStringLiteral("SCALE_BAR_IN_PICTURES"), Flag(scaleBarInPictures));
    written &= batch.Write(kOverlay, QStringLiteral("FOCUS_METER"), Flag(focusMeter));
    return batch.Commit() && written;
}
