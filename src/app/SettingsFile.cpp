#include "app/CKestrelDlg.h"

#include "platform/clock/Clock.h"
#include "platform/paths/Paths.h"
#include "platform/profile/Profile.h"
#include "platform/profile/ProfileBatch.h"

namespace {

const QString kCapture = QStringLiteral("CAPTURE");

QString FolderDefault(const QString& leaf) {
    return QStringLiteral("%1/%2/%3").arg(DesktopFolder(), ApplicationName(), leaf);
}

QString Bool(int value) {
    return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

} // namespace

void CKestrelDlg::LoadIniFile() {
    const QString section = QStringLiteral("LoadIniFile");
    const QString key = QStringLiteral("date");
    if (!WritePrivateProfileString(section, key, TimeStamp(m_clock.Now()), m_iniPath)) {
        m_iniPath = QStringLiteral("%1/%2").arg(TempPath(), m_iniPath);
        WritePrivateProfileString(section, key, TimeStamp(m_clock.Now()), m_iniPath);
    }

    loadVideoProperty();

    auto read = [this](const char* name, const QString& def) {
        return GetPrivateProfileString(kCapture, QLatin1String(name), def, m_iniPath);
    };
    m_saveFolder = read("SAVE_FOLDER", FolderDefault(QStringLiteral("images")));
    m_compFolder = read("COMP_FOLDER", FolderDefault(QStringLiteral("images")));
    m_movieFolder = read("MOVIE_FOLDER", FolderDefault(QStringLiteral("movies")));

    m_titleBar = read("TITLE_BAR", QStringLiteral("FALSE")) == QLatin1String("FALSE") ? 0 : 1;
    m_dontAsk = read("DONT_ASK", QStringLiteral("FALSE")) == QLatin1String("TRUE") ? 1 : 0;
    UpdateData(false);

    m_keepAspect = read("KEEP_ASPECT", QStringLiteral("FALSE")) == QLatin1String("TRUE") ? 1 : 0;
    m_showComment = read("SHOW_COMMENT", QStringLiteral("FALSE")) == QLatin1String("TRUE") ? 1 : 0;
    UpdateData(false);

    m_overlay = OverlaySettings::Load(m_iniPath);
}

void CKestrelDlg::SaveIniFile() {
    ProfileBatch batch(m_iniPath);
    auto write = [&batch](const char* name, const QString& value) {
        batch.Write(kCapture, QLatin1String(name), value);
    };
    write("SAVE_FOLDER", m_saveFolder);
    write("COMP_FOLDER", m_compFolder);
    write("MOVIE_FOLDER", m_movieFolder);
    write("TITLE_BAR", Bool(m_titleBar));
    write("DONT_ASK", Bool(m_dontAsk));
    write("KEEP_ASPECT", Bool(m_keepAspect));
    write("SHOW_COMMENT", Bool(m_showComment));
    batch.Commit();
}
