#include "library/CommentFile.h"

#include "platform/paths/AtomicFile.h"
#include "platform/trace/Trace.h"

#include <QFile>
#include <algorithm>

namespace {

// The first bytes of a file longer than the readers take may end inside a UTF-8 character;
// that character is left out, so that the cut does not make the text read as code page 932.
QByteArray CutAtCharacter(const QByteArray& bytes) {
    if (IsUtf8(bytes)) {
        return bytes;
    }
    // Back over at most three continuation bytes (10xxxxxx), then over their lead byte.
    qsizetype cut = bytes.size();
    while (cut > 0 && bytes.size() - cut < 3 &&
           (static_cast<uchar>(bytes[cut - 1]) & 0xC0) == 0x80) {
        --cut;
    }
    if (cut > 0 && static_cast<uchar>(bytes[cut - 1]) >= 0xC0) {
        --cut;
    }
    const QByteArray before = bytes.left(cut);
    return IsUtf8(before) ? before : bytes;
}

// At most the first kCommentReadMax bytes, without a buffer of that size for a short file.
QByteArray ReadStart(QFile& file) {
    const qint64 size = file.size();
    return file.read(size > 0 ? std::min(size, kCommentReadMax) : kCommentReadMax);
}

} // namespace

std::optional<QString> ReadCommentForDisplay(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray bytes = ReadStart(file);
    if (file.size() > kCommentReadMax) {
        bytes = CutAtCharacter(bytes);
    } else if (!bytes.isEmpty()) {
        bytes.chop(1);
    }
    return DecodeText(bytes).text;
}

DecodedText ReadCommentForInput(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = ReadStart(file);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        bytes.truncate(nul);
    } else if (file.size() > kCommentReadMax) {
        bytes = CutAtCharacter(bytes);
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
