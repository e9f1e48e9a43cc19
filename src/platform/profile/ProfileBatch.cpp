#include "platform/profile/ProfileBatch.h"

#include "platform/paths/AtomicFile.h"
#include "platform/profile/ProfileFile.h"
#include "platform/profile/ProfileText.h"
#include "platform/trace/Trace.h"

ProfileBatch::ProfileBatch(QString path) : m_path(std::move(path)) {
    ProfileFile file = ReadProfileFile(m_path);
    m_text = std::move(file.text);
    m_readable = file.status != ProfileFile::Unreadable;
}

bool ProfileBatch::Write(const QString& section, const QString& key, const QString& value) {
    if (!m_readable) {
        return false;
    }
    const std::optional<QByteArray> replaced =
        ProfileText::Replace(m_text, section.toUtf8(), key.toUtf8(), value.toUtf8());
    if (!replaced) {
        qCDebug(veldorTrace) << "profile entry refused:" << section << key;
        return false;
    }
    m_text = *replaced;
    m_changed = true;
    return true;
}

bool ProfileBatch::Commit() {
    if (!m_readable) {
        return false;
    }
    if (!m_changed) {
        return true;
    }
    m_changed = false;
    return ReplaceFileAtomically(m_path, m_text);
}
