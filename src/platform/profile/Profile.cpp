#include "platform/profile/Profile.h"

#include "platform/paths/AtomicFile.h"
#include "platform/profile/ProfileFile.h"
#include "platform/profile/ProfileText.h"
#include "platform/text/TextCodec.h"
#include "platform/trace/Trace.h"

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& def,
                                const QString& path) {
    const ProfileFile file = ReadProfileFile(path);
    if (file.status != ProfileFile::Read) {
        return def;
    }
    const std::optional<QByteArray> value =
        ProfileText::Find(file.text, section.toUtf8(), key.toUtf8());
    return value ? DecodeText(*value).text : def;
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& path) {
    // A file that cannot be read is not replaced: its settings would be lost.
    const ProfileFile old = ReadProfileFile(path);
    if (old.status == ProfileFile::Unreadable) {
        return false;
    }
    const std::optional<QByteArray> replaced =
        ProfileText::Replace(old.text, section.toUtf8(), key.toUtf8(), value.toUtf8());
    if (!replaced) {
        qCDebug(veldorTrace) << "profile entry refused:" << section << key;
        return false;
    }
    return ReplaceFileAtomically(path, *replaced);
}

bool ProfileCanHold(const QString& value) {
    const QByteArray bytes = value.toUtf8();
    return !bytes.contains('\n') && !bytes.contains('\r') && bytes == bytes.trimmed() &&
           bytes.size() <= kProfileValueMax;
}
