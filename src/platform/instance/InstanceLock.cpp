#include "platform/instance/InstanceLock.h"

#include "platform/trace/Trace.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

QString InstanceLock::LockPath(const QString& title) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    // The title may hold characters a file name cannot; its hash names the lock.
    const QByteArray key =
        QCryptographicHash::hash(title.toLower().toUtf8(), QCryptographicHash::Sha1).toHex();
    return folder + QStringLiteral("/veldor-") + QString::fromLatin1(key) +
           QStringLiteral(".lock");
}

bool InstanceLock::OtherInstanceRuns(const QString& title) {
    m_lock = std::make_unique<QLockFile>(LockPath(title));
    // Stale detection by owner process only: a live holder is never taken over by age.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        return false;
    }
    if (m_lock->error() == QLockFile::LockFailedError) {
        return true;
    }
    qCDebug(veldorTrace) << "instance lock unusable:" << LockPath(title) << m_lock->error();
    return false;
}
