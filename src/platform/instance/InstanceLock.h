#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// Single-instance marker keyed by the window title, letter case ignored. The lock lives in the
// user's runtime folder; a lock whose owner process is gone is taken over, so a crashed run
// never refuses the next start.
class InstanceLock {
public:
    // Tries to take the lock for the title; returns true when another live instance holds it.
    bool OtherInstanceRuns(const QString& title);
    bool Held() const { return m_lock && m_lock->isLocked(); }
    static QString LockPath(const QString& title);

private:
    std::unique_ptr<QLockFile> m_lock;
};
