#pragma once

#include <QByteArray>
#include <optional>

// The INI text rules behind the profile calls, on the file's bytes.
namespace ProfileText {

// The value of the first key named key in the first section named section (names compared
// without letter case, blanks around them ignored; a name in code page 932 by its text), cut to
// 1023 bytes on a character boundary of its encoding.
std::optional<QByteArray> Find(const QByteArray& text, const QByteArray& section,
                               const QByteArray& key);

// The text with section/key set to value (UTF-8). A value replacing one that the Windows version
// wrote in code page 932 is written in code page 932 where its characters allow. Returns
// nothing when a name or the value holds a line break, which would change the file's structure,
// or when the key could not be read back (empty, holding '=', or starting with ';' or '[').
std::optional<QByteArray> Replace(const QByteArray& text, const QByteArray& section,
                                  const QByteArray& key, const QByteArray& value);

// value cut to at most max bytes without splitting a UTF-8 sequence.
QByteArray CutUtf8(const QByteArray& value, int max);

} // namespace ProfileText
