#pragma once

#include <QCache>
#include <QImage>
#include <QString>
#include <optional>

// What tells one version of a file from another: a file rewritten or replaced (an atomic
// replacement gives a new inode) has another stamp.
struct FileStamp {
    qint64 size = -1;
    qint64 modifiedNs = 0;
    quint64 inode = 0;
    bool operator==(const FileStamp&) const = default;
};

// Pictures decoded at the size they are drawn at, so that a repaint with nothing new to show
// only copies images already made and only a newly shown picture is decoded. An entry is found
// by the file's path and the drawn size, and serves only for the version of the file it was
// decoded from (its stamp). A file that cannot be decoded is remembered as such. The owner drops
// everything whenever it reads its picture list again; beyond that the least recently used entries
// go once they hold more than maxBytes. UI thread only.
class PictureCache {
public:
    explicit PictureCache(qsizetype maxBytes = 48 << 20);

    // The stamp of the regular file at path; nothing for a missing file or a folder.
    static std::optional<FileStamp> Stamp(const QString& path);

    // The picture at path as drawn into size, decoded now or earlier; a null image when the file
    // cannot be read or decoded. With the stamp read beforehand (when the file was listed or
    // chosen) a picture decoded earlier is had without touching the file.
    QImage Picture(const QString& path, QSize size, const std::optional<FileStamp>& stamp);
    QImage Picture(const QString& path, QSize size) { return Picture(path, size, Stamp(path)); }
    void Clear();

    // How many files were decoded (or failed to decode) since the cache was made.
    int decodes() const { return m_decodes; }

private:
    struct Entry {
        FileStamp stamp;
        QImage image;
    };

    QCache<QString, Entry> m_entries;
    int m_decodes = 0;
};
