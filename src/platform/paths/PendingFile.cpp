#include "platform/paths/PendingFile.h"

#include "platform/trace/Trace.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray FolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray NameOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

// O_TMPFILE is refused with these where the kernel or the file system has no unnamed files.
bool UnnamedUnsupported(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// link() is refused with these where the file system has no hard links (FAT, exFAT).
bool LinksUnsupported(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK;
}

QByteArray RandomSuffix() {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray suffix(6, '0');
    for (char& c : suffix) {
        c = kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    }
    return suffix;
}

} // namespace

PendingFile::PendingFile(const QString& path) : m_path(QFile::encodeName(path)) {
    Open(Kind::Unnamed);
    if (m_fd < 0 && UnnamedUnsupported(errno)) {
        Open(Kind::Temporary);
    }
}

PendingFile::PendingFile(const QString& path, Kind kind) : m_path(QFile::encodeName(path)) {
    Open(kind);
}

PendingFile::~PendingFile() {
    Discard();
}

void PendingFile::Open(Kind kind) {
    m_kind = kind;
    if (m_path.isEmpty()) {
        errno = ENOENT;
        return;
    }
    const QByteArray folder = FolderOf(m_path);
    if (kind == Kind::Unnamed) {
        // Not O_EXCL: the file is to be linked into the folder later.
        m_fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (m_fd < 0) {
            qCDebug(veldorTrace, "no unnamed file in %s: %s", folder.constData(),
                    std::strerror(errno));
        }
        return;
    }
    // Hidden and not ending in the target's extension, so that no listing of the folder takes a
    // file left by a crash for a picture.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray candidate = folder + "/." + NameOf(m_path) + '.' + RandomSuffix();
        m_fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_temporary = candidate;
            return;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    qCDebug(veldorTrace, "no temporary file beside %s: %s", m_path.constData(),
            std::strerror(errno));
}

bool PendingFile::Publish() {
    if (m_fd < 0) {
        errno = EBADF;
        return false;
    }
    bool linked = false;
    if (::fdatasync(m_fd) != 0) {
        qCDebug(veldorTrace, "sync of %s failed: %s", m_path.constData(), std::strerror(errno));
    } else {
        linked = m_kind == Kind::Unnamed ? LinkUnnamed() : LinkTemporary();
    }
    const int error = errno;
    if (linked) {
        ::close(m_fd);
        m_fd = -1;
    } else {
        qCDebug(veldorTrace, "%s not stored: %s", m_path.constData(), std::strerror(error));
        Discard();
    }
    errno = error;
    return linked;
}

bool PendingFile::LinkUnnamed() {
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", m_fd);
    // link(), unlike rename(), never replaces a name that exists.
    if (::linkat(AT_FDCWD, self, AT_FDCWD, m_path.constData(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    if (errno != ENOENT || ::access("/proc/self/fd", F_OK) == 0) {
        return false;
    }
    // Without /proc only the descriptor itself can be linked (which needs privileges).
    return ::linkat(m_fd, "", AT_FDCWD, m_path.constData(), AT_EMPTY_PATH) == 0;
}

bool PendingFile::LinkTemporary() {
    if (::link(m_temporary.constData(), m_path.constData()) == 0) {
        if (::unlink(m_temporary.constData()) != 0) {
            qCDebug(veldorTrace, "removing %s failed: %s", m_temporary.constData(),
                    std::strerror(errno));
        }
        m_temporary.clear();
        return true;
    }
    if (!LinksUnsupported(errno)) {
        return false;
    }
    if (::renameat2(AT_FDCWD, m_temporary.constData(), AT_FDCWD, m_path.constData(),
                    RENAME_NOREPLACE) == 0) {
        m_temporary.clear();
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // A file system with neither: the name is checked just before the rename, the best that
    // can be done there.
    struct stat existing {};
    if (::lstat(m_path.constData(), &existing) == 0) {
        errno = EEXIST;
        return false;
    }
    if (::rename(m_temporary.constData(), m_path.constData()) != 0) {
        return false;
    }
    m_temporary.clear();
    return true;
}

void PendingFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(m_temporary.constData());
        m_temporary.clear();
    }
}
