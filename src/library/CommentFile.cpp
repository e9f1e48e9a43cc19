#include "library/CommentFile.h"

#include "platform/paths/AtomicFile.h"
#include "platform/trace/Trace.h"

#include <QFile>

std::optional<QString> ReadCommentForDisplay(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const qint64 size = file.size();
    QByteArray bytes = file.read(kCommentReadMax);
    if (size <= kCommentReadMax && !bytes.isEmpty()) {
        bytes.chop(1);
    }
    return DecodeText(bytes).text;
}

DecodedText ReadCommentForInput(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = file.read(kCommentReadMax);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        bytes.truncate(nul);
    }
    return DecodeText(bytes);
}

bool WriteComment(const QString& path, const QString& text, TextEncoding encoding) {
    QByteArray bytes = EncodeText(text, encoding);
    bytes.append('\0');
    return ReplaceFileAtomically(path, bytes);
}

CommentSave SaveEditedComment(const QString& path, const DecodedText& before,
                              const QString& entered) {
    if (entered == before.text) {
        return CommentSave::Unchanged;
    }
    if (entered.isEmpty()) {
        QFile::remove(path);
        return CommentSave::Deleted;
    }
    return WriteComment(path, entered, before.encoding) ? CommentSave::Written
                                                        : CommentSave::Failed;
}
