#include "platform/profile/ProfileBatch.h"

#include "platform/paths/AtomicFile.h"
#include "platform/profile/ProfileText.h"
#include "platform/trace/Trace.h"

#include <QFile>

ProfileBatch::ProfileBatch(QString path) : m_path(std::move(path)) {
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly)) {
        m_text = file.readAll();
    } else if (QFile::exists(m_path)) {
        qCDebug(veldorTrace) << "profile not readable:" << m_path;
        m_readable = false;
    }
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
