#include "platform/profile/Profile.h"

#include "platform/paths/AtomicFile.h"
#include "platform/profile/ProfileText.h"
#include "platform/text/TextCodec.h"
#include "platform/trace/Trace.h"

#include <QFile>

namespace {

QByteArray ReadWhole(const QString& path, bool* exists) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *exists = false;
        return QByteArray();
    }
    *exists = true;
    return file.readAll();
}

} // namespace

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& def,
                                const QString& path) {
    bool exists = false;
    const QByteArray text = ReadWhole(path, &exists);
    if (!exists) {
        return def;
    }
    const std::optional<QByteArray> value = ProfileText::Find(text, section.toUtf8(), key.toUtf8());
    return value ? DecodeText(*value).text : def;
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& path) {
    bool exists = false;
    const QByteArray old = ReadWhole(path, &exists);
    if (!exists && QFile::exists(path)) {
        qCDebug(veldorTrace) << "profile not readable:" << path;
        return false;
    }
    const std::optional<QByteArray> replaced =
        ProfileText::Replace(old, section.toUtf8(), key.toUtf8(), value.toUtf8());
    if (!replaced) {
        qCDebug(veldorTrace) << "profile entry refused:" << section << key;
        return false;
    }
    return ReplaceFileAtomically(path, *replaced);
}
