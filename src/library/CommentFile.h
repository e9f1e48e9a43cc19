#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// A picture's comment file holds the comment's UTF-8 bytes followed by one NUL byte.
inline constexpr qint64 kCommentReadMax = 64 * 1024;

// The text to show: the file's bytes but the last one, from at most the first 64 KiB.
// Nothing when the file cannot be opened.
std::optional<QByteArray> ReadCommentForDisplay(const QString& path);

// The text to edit: the bytes before the first NUL byte (all when there is none), from at
// most the first 64 KiB; empty when the file cannot be opened.
QString ReadCommentForInput(const QString& path);

// Replaces the file with text + NUL. The new file is written beside the old one and renamed
// over it, so a failure keeps the old comment. False when it cannot be written.
bool WriteComment(const QString& path, const QString& text);
