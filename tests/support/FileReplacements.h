#pragma once

#include <QFile>
#include <QHash>
#include <QString>
#include <sys/inotify.h>
#include <unistd.h>

// Counts, by name, the files that come into being in a folder: each creation or rename into
// place (inotify IN_CREATE, IN_MOVED_TO) is one write of a whole file, as a replacement through
// a temporary file makes.
class FileReplacements {
public:
    explicit FileReplacements(const QString& folder)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (m_fd >= 0 && inotify_add_watch(m_fd, QFile::encodeName(folder).constData(),
                                           IN_CREATE | IN_MOVED_TO) < 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~FileReplacements() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    FileReplacements(const FileReplacements&) = delete;
    FileReplacements& operator=(const FileReplacements&) = delete;

    bool ok() const { return m_fd >= 0; }

    // How often a file named name appeared since the watch began.
    int Count(const QString& name) {
        alignas(inotify_event) char buffer[8192];
        ssize_t length = 0;
        while ((length = read(m_fd, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0) {
                    ++m_counts[QFile::decodeName(event->name)];
                }
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return m_counts.value(name);
    }

private:
    int m_fd = -1;
    QHash<QString, int> m_counts;
};
