#include "platform/profile/ProfileFile.h"

#include "platform/trace/Trace.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

ProfileFile Unreadable(const QString& path, const char* why) {
    qCDebug(veldorTrace, "profile not readable: %s: %s", qUtf8Printable(path), why);
    return {ProfileFile::Unreadable, QByteArray()};
}

} // namespace

ProfileFile ReadProfileFile(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer. The kind of file
    // is then judged on what was opened, not on the name, which may change in between.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return {};
        }
        return Unreadable(path, std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Unreadable(path, "not a regular file");
    }
    if (st.st_size > kProfileFileMax) {
        ::close(fd);
        return Unreadable(path, "too large");
    }
    // The size may change while it is read: room for one byte more than it has tells whether it
    // grew, and one byte more than allowed whether it grew too far.
    QByteArray text(qsizetype(st.st_size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < text.size()) {
        const ssize_t n = ::read(fd, text.data() + filled, size_t(text.size() - filled));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return Unreadable(path, std::strerror(error));
        }
        if (n == 0) {
            break;
        }
        filled += n;
        if (filled == text.size() && text.size() <= kProfileFileMax) {
            text.resize(kProfileFileMax + 1);
        }
    }
    ::close(fd);
    if (filled > kProfileFileMax) {
        return Unreadable(path, "too large");
    }
    text.truncate(filled);
    return {ProfileFile::Read, text};
}
