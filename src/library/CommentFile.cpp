#include "library/CommentFile.h"

#include "platform/paths/AtomicFile.h"
#include "platform/trace/Trace.h"

#include <QFile>

std::optional<QByteArray> ReadCommentForDisplay(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const qint64 size = file.size();
    QByteArray bytes = file.read(kCommentReadMax);
    if (size <= kCommentReadMax && !bytes.isEmpty()) {
        bytes.chop(1);
    }
    return bytes;
}

QString ReadCommentForInput(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    QByteArray bytes = file.read(kCommentReadMax);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        bytes.truncate(nul);
    }
    return QString::fromUtf8(bytes);
}

bool WriteComment(const QString& path, const QString& text) {
    QByteArray bytes = text.toUtf8();
    bytes.append('\0');
    return ReplaceFileAtomically(path, bytes);
}
