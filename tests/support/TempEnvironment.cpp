#include "support/TempEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

TempEnvironment::TempEnvironment() : m_oldCwd(QDir::currentPath()) {
    if (!m_root.isValid()) {
        return;
    }
    // QTemporaryDir makes root 0700, so the runtime folder inside passes Qt's ownership and
    // permission check once it is 0700 itself.
    QDir dir(root());
    for (const QString& sub :
         {QStringLiteral("work"), QStringLiteral("home/Desktop"), QStringLiteral("home/.config"),
          QStringLiteral("tmp"), QStringLiteral("runtime")}) {
        if (!dir.mkpath(sub)) {
            return;
        }
    }
    if (!QFile::setPermissions(runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner)) {
        return;
    }
    // Qt reads the desktop from user-dirs.dirs when it exists and falls back to ~/Desktop;
    // both name the same folder here.
    if (!writeFile(home() + QStringLiteral("/.config/user-dirs.dirs"),
                   "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n")) {
        return;
    }
    set("HOME", home().toLocal8Bit());
    set("XDG_CONFIG_HOME", (home() + QStringLiteral("/.config")).toLocal8Bit());
    set("XDG_DESKTOP_DIR", desktop().toLocal8Bit());
    set("TMPDIR", temp().toLocal8Bit());
    set("XDG_RUNTIME_DIR", runtime().toLocal8Bit());
    set("VELDOR_SIMULATED_CAMERAS", std::nullopt);
    m_ok = QDir::setCurrent(work());
}

TempEnvironment::~TempEnvironment() {
    QDir::setCurrent(m_oldCwd);
    // Restore in reverse so that a variable set twice ends with its first saved value.
    for (auto it = m_saved.crbegin(); it != m_saved.crend(); ++it) {
        if (it->second) {
            qputenv(it->first.constData(), *it->second);
        } else {
            qunsetenv(it->first.constData());
        }
    }
}

void TempEnvironment::set(const char* name, const std::optional<QByteArray>& value) {
    std::optional<QByteArray> old;
    if (qEnvironmentVariableIsSet(name)) {
        old = qgetenv(name);
    }
    m_saved.append({QByteArray(name), old});
    if (value) {
        qputenv(name, *value);
    } else {
        qunsetenv(name);
    }
}

bool TempEnvironment::useCameras(const QStringList& names) {
    QJsonArray cameras;
    for (const QString& name : names) {
        QJsonObject format{{QStringLiteral("format"), QStringLiteral("YUY2")},
                           {QStringLiteral("width"), 320},
                           {QStringLiteral("height"), 240}};
        cameras.append(QJsonObject{{QStringLiteral("name"), name},
                                   {QStringLiteral("stillPin"), false},
                                   {QStringLiteral("controls"), QJsonArray()},
                                   {QStringLiteral("formats"), QJsonArray{format}},
                                   {QStringLiteral("pattern"), QStringLiteral("smpte")}});
    }
    const QString path = root() + QStringLiteral("/cameras.json");
    if (!writeFile(path, QJsonDocument(cameras).toJson())) {
        return false;
    }
    set("VELDOR_SIMULATED_CAMERAS", path.toLocal8Bit());
    return true;
}

bool TempEnvironment::writeFile(const QString& path, const QByteArray& text) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(text) == text.size() && file.flush();
}

QByteArray TempEnvironment::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}
