#pragma once

#include <QString>

// INI files read and written key by key, with the look-up rules of the classic profile calls:
// section and key names compared without letter case, the first match wins, blanks around
// names and values are dropped, and a value is at most 1023 bytes. Text is written in UTF-8;
// names and values that the Windows version wrote in code page 932 are read as such.
//
// A write replaces an existing key in place (other lines keep their text and order), adds a
// new key at the end of its section and a new section at the end of the file. The file is
// replaced atomically, so a failed write leaves the previous file as it was.

inline constexpr int kProfileValueMax = 1023;

// The stored value, or def when the file, the section or the key is missing.
QString GetPrivateProfileString(const QString& section, const QString& key, const QString& def,
                                const QString& path);

// Stores the value; returns true on success.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& path);

// Whether value, written as a value, reads back as it is: it holds no line break, has no blank
// at either end and is at most kProfileValueMax bytes of UTF-8.
bool ProfileCanHold(const QString& value);
