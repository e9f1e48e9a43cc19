#include "library/PictureCache.h"

#include "library/PictureDecoder.h"
#include "platform/trace/Trace.h"

#include <QFile>
#include <optional>
#include <sys/stat.h>

std::optional<FileStamp> PictureCache::Stamp(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return FileStamp{qint64(st.st_size),
                     qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                     quint64(st.st_ino)};
}

PictureCache::PictureCache(qsizetype maxBytes) : m_entries(maxBytes) {
}

QImage PictureCache::Picture(const QString& path, QSize size,
                             const std::optional<FileStamp>& stamp) {
    if (!stamp) {
        return QImage();
    }
    const QString key = path + QStringLiteral("\n%1x%2").arg(size.width()).arg(size.height());
    if (const Entry* entry = m_entries.object(key)) {
        if (entry->stamp == *stamp) {
            return entry->image;
        }
    }
    QFile file(path);
    QImage image;
    if (file.open(QIODevice::ReadOnly)) {
        image = DecodePicture(file.readAll(), size);
    }
    ++m_decodes;
    if (image.isNull()) {
        qCDebug(veldorTrace, "picture not decoded: %s", qUtf8Printable(path));
    }
    auto* entry = new Entry{*stamp, image};
    const qsizetype cost = qMax<qsizetype>(1, image.sizeInBytes());
    m_entries.insert(key, entry, cost);
    return image;
}

void PictureCache::Clear() {
    m_entries.clear();
}
