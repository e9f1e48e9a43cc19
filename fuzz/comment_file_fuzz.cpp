// The comment file of a picture, whatever it holds (UTF-8, code page 932, bytes of neither, NUL
// bytes anywhere): both readers take it, OK with the text unchanged leaves it byte for byte,
// and a changed or cleared comment is read back exactly as entered.
//
// Input: the file's bytes. An input that starts with the byte 0xFF is the rest repeated over
// the end of what the readers take, so that a read cut off inside a character is met.

#include "FuzzCheck.h"

#include "library/CommentFile.h"
#include "platform/text/TextCodec.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

namespace {

QTemporaryDir* g_folder = nullptr;

QByteArray FileBytes(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    if (input.size() < 2 || uint8_t(input[0]) != 0xFF) {
        return input;
    }
    // Plain text up to 4 KiB before the cut, then the rest over and over, past the cut: the
    // readers still take all of it, but the slow part, bytes of code page 932 or of neither
    // encoding, stays short.
    const QByteArray unit = input.mid(1);
    return QByteArray(kCommentReadMax - 4096, 'a') + unit.repeated(8192 / unit.size() + 1);
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The text without its last character (a surrogate pair is one character).
QString WithoutLast(const QString& text) {
    const qsizetype cut =
        text.size() >= 2 && text.back().isLowSurrogate() && text[text.size() - 2].isHighSurrogate()
            ? 2
            : 1;
    return text.left(text.size() - cut);
}

// A changed comment is written in the encoding its file was in where it can be, and reads back
// as entered, in both readers.
void ExpectSaved(const QString& path, const DecodedText& before, const QString& entered) {
    FUZZ_CHECK(SaveEditedComment(path, before, entered) == CommentSave::Written);
    const QByteArray written = Read(path);
    FUZZ_CHECK(written.endsWith('\0') && written.indexOf('\0') == written.size() - 1);
    const DecodedText after = ReadCommentForInput(path);
    FUZZ_CHECK(after.text == entered);
    FUZZ_CHECK(ReadCommentForDisplay(path) == entered);
    if (before.encoding == TextEncoding::Utf8) {
        FUZZ_CHECK(written == entered.toUtf8() + '\0');
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // /dev/shm keeps the millions of writes off the disk where it exists.
    static QTemporaryDir folder(QFile::exists(QStringLiteral("/dev/shm"))
                                    ? QStringLiteral("/dev/shm/veldor-fuzz-XXXXXX")
                                    : QString());
    g_folder = &folder;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FUZZ_CHECK(g_folder != nullptr && g_folder->isValid());
    const QString path = g_folder->filePath(QStringLiteral("20260101000000.txt"));
    const QByteArray bytes = FileBytes(data, size);
    FUZZ_CHECK(Write(path, bytes));

    const std::optional<QString> shown = ReadCommentForDisplay(path);
    const DecodedText before = ReadCommentForInput(path);
    FUZZ_CHECK(shown.has_value());
    // The bytes before the first NUL, of what the reader takes; valid UTF-8 is read as such
    // and nothing of it lost.
    const QByteArray taken = bytes.left(kCommentReadMax);
    const QByteArray text =
        taken.left(taken.indexOf('\0') < 0 ? taken.size() : taken.indexOf('\0'));
    if (IsUtf8(text)) {
        FUZZ_CHECK(before.encoding == TextEncoding::Utf8 && before.text.toUtf8() == text);
    } else {
        // Code page 932 gives at most one character per byte.
        FUZZ_CHECK(before.text.size() <= text.size());
    }
    // A file as this program writes it, the text and one NUL, is shown as the input reads it.
    if (bytes.size() <= kCommentReadMax && bytes.indexOf('\0') == bytes.size() - 1) {
        FUZZ_CHECK(*shown == before.text);
    }
    // A UTF-8 comment longer than the readers take is shown as UTF-8 up to where they cut.
    if (bytes.size() > kCommentReadMax && !bytes.contains('\0') && IsUtf8(bytes)) {
        FUZZ_CHECK(before.encoding == TextEncoding::Utf8 && bytes.startsWith(before.text.toUtf8()));
        FUZZ_CHECK(before.text.toUtf8().size() > kCommentReadMax - 4);
        FUZZ_CHECK(*shown == before.text);
    }

    // OK with the text unchanged: the file stays byte for byte.
    FUZZ_CHECK(SaveEditedComment(path, before, before.text) == CommentSave::Unchanged);
    FUZZ_CHECK(Read(path) == bytes);

    // Changed: one character less, or one more (a half-width katakana, one byte in code page
    // 932), each read back as entered. The dialog's field (a QLineEdit) holds at most 32767
    // UTF-16 units, so only such texts are ever entered.
    if (before.text.size() < 32767) {
        if (!WithoutLast(before.text).isEmpty()) {
            ExpectSaved(path, before, WithoutLast(before.text));
            FUZZ_CHECK(Write(path, bytes));
        }
        ExpectSaved(path, before, before.text + QChar(0xFF71));
    }

    // Cleared: the file is gone (an empty text was not changed, which the check above covers).
    if (!before.text.isEmpty()) {
        FUZZ_CHECK(SaveEditedComment(path, before, QString()) == CommentSave::Deleted);
        FUZZ_CHECK(!QFile::exists(path) && !ReadCommentForDisplay(path));
    }
    return 0;
}
