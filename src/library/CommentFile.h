#pragma once

#include "platform/text/TextCodec.h"

#include <QString>
#include <optional>

// A picture's comment file holds the comment's bytes followed by one NUL byte. This program
// writes UTF-8; the Windows version wrote code page 932, which is read as such (TextCodec).
// The readers take at most the first 128 KiB: the comment dialog's field holds at most 32767
// UTF-16 units, at most 98301 bytes of UTF-8, so every comment it gives reads back whole.
inline constexpr qint64 kCommentReadMax = 128 * 1024;

// The text to show: the file's bytes but the last one, from at most the first 128 KiB (a UTF-8
// character cut there is left out).
// Nothing when the file cannot be opened.
std::optional<QString> ReadCommentForDisplay(const QString& path);

// The text to edit: the bytes before the first NUL byte (all when there is none), from at
// most the first 128 KiB (as for the display), and the encoding they were in; empty when the
// file cannot be opened.
DecodedText ReadCommentForInput(const QString& path);

// What the comment dialog's OK did to the comment file.
enum class CommentSave { Unchanged, Written, Deleted, Failed };

// Applies the text entered in the comment dialog to the comment file whose text before was
// before: unchanged text leaves the file byte for byte as it was (bytes no code page reads
// included); a changed text replaces it in the code page it was in where the characters allow
// (WriteComment); an empty one deletes it (a failed deletion is not reported).
CommentSave SaveEditedComment(const QString& path, const DecodedText& before,
                              const QString& entered);

// Replaces the file with text + NUL, the text in code page 932 when that is asked for and
// every character has a code there, else in UTF-8. The new file is written beside the old one
// and renamed over it, so a failure keeps the old comment. False when it cannot be written.
bool WriteComment(const QString& path, const QString& text,
                  TextEncoding encoding = TextEncoding::Utf8);
