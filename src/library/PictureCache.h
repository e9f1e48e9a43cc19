#pragma once

#include <QCache>
#include <QImage>
#include <QString>

// Pictures decoded at the size they are drawn at, so that a repaint with nothing new to show
// only copies images already made and only a newly shown picture is decoded. An entry is found
// by the file's path and the drawn size, and serves only while the file keeps its size,
// modification time and inode (an atomic replacement gives a new inode). A file that cannot be
// decoded is remembered as such. The owner drops everything whenever it reads its picture list
// again; beyond that the least recently used entries go once they hold more than maxBytes.
// UI thread only.
class PictureCache {
public:
    explicit PictureCache(qsizetype maxBytes = 48 << 20);

    // The picture at path as drawn into size, decoded now or earlier; a null image when the file
    // cannot be read or decoded.
    QImage Picture(const QString& path, QSize size);
    void Clear();

    // How many files were decoded (or failed to decode) since the cache was made.
    int decodes() const { return m_decodes; }

private:
    struct Entry {
        qint64 fileSize = -1;
        qint64 modifiedNs = 0;
        quint64 inode = 0;
        QImage image;
    };

    QCache<QString, Entry> m_entries;
    int m_decodes = 0;
};
