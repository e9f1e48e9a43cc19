#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Text in files that the Windows version may have written in its 8-bit code page, code page
// 932 on a Japanese system (Shift_JIS with the Windows extensions), or that this program wrote
// in UTF-8. Bytes that are valid UTF-8 (plain ASCII included) are UTF-8; any other bytes are
// code page 932, converted by the C library's iconv. Bytes that are neither come out as
// U+FFFD, one per byte.
enum class TextEncoding { Utf8, CodePage932 };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
};

bool IsUtf8(const QByteArray& bytes);
DecodedText DecodeText(const QByteArray& bytes);
// The text in code page 932; nothing when a character has no code there.
std::optional<QByteArray> EncodeCodePage932(const QString& text);
// The text in code page 932 when that is asked for, every character fits and the bytes do not
// read as UTF-8 (as other text, then), else in UTF-8.
QByteArray EncodeText(const QString& text, TextEncoding encoding);
