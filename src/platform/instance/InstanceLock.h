#pragma once

#include <QLockFile>
#include <QString>
#include <QStringList>
#include <memory>

// Single-instance marker keyed by the window title, letter case ignored. The lock lives in the
// user's runtime folder, or in the temporary folder when no lock can be made there; a lock
// whose owner process is gone is taken over, so a crashed run never refuses the next start.
class InstanceLock {
public:
    InstanceLock() : InstanceLock(DefaultFolders()) {}
    // The folders to try for the lock, in order.
    explicit InstanceLock(QStringList folders) : m_folders(std::move(folders)) {}

    // Tries to take the lock for the title; returns true when another live instance holds it.
    bool OtherInstanceRuns(const QString& title);
    bool Held() const { return m_lock && m_lock->isLocked(); }

    static QStringList DefaultFolders();
    // The lock's path in folder; by default in the first of the default folders.
    static QString LockPath(const QString& title, const QString& folder = DefaultFolders().first());

private:
    QStringList m_folders;
    std::unique_ptr<QLockFile> m_lock;
};
