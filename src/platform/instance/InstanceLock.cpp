#include "platform/instance/InstanceLock.h"

#include "platform/trace/Trace.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

QStringList InstanceLock::DefaultFolders() {
    QStringList folders;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty()) {
        folders.append(runtime);
    }
    folders.append(QDir::tempPath());
    return folders;
}

QString InstanceLock::LockPath(const QString& title, const QString& folder) {
    // The title may hold characters a file name cannot; its hash names the lock.
    const QByteArray key =
        QCryptographicHash::hash(title.toLower().toUtf8(), QCryptographicHash::Sha1).toHex();
    return folder + QStringLiteral("/veldor-") + QString::fromLatin1(key) + QStringLiteral(".lock");
}

bool InstanceLock::OtherInstanceRuns(const QString& title) {
    for (const QString& folder : m_folders) {
        const QString path = LockPath(title, folder);
        m_lock = std::make_unique<QLockFile>(path);
        // Stale detection by owner process only: a live holder is never taken over by age.
        m_lock->setStaleLockTime(0);
        if (m_lock->tryLock(0)) {
            return false;
        }
        if (m_lock->error() == QLockFile::LockFailedError) {
            return true;
        }
        qCDebug(veldorTrace) << "instance lock unusable:" << path << m_lock->error();
    }
    // Nowhere to keep a lock: the program runs rather than refusing every start.
    m_lock.reset();
    return false;
}
