#pragma once

#include <QByteArray>
#include <QString>

// Several keys of one INI file written as one replacement of the file. The file is read once
// when the batch is made; each Write applies one key to the text with the rules of
// WritePrivateProfileString (in-place replacement, new keys at the end of their section, new
// sections at the end of the file); Commit replaces the file once. The result is byte for byte
// what the same writes made key by key would leave, without replacing the file per key.
class ProfileBatch {
public:
    explicit ProfileBatch(QString path);

    // False when the entry is refused (a line break, an empty name) or the file exists but
    // cannot be read; the other keys of the batch are still written.
    bool Write(const QString& section, const QString& key, const QString& value);
    // Replaces the file when a key was applied. False when that fails: the old file stays as
    // it was, none of the keys is stored.
    bool Commit();

private:
    QString m_path;
    QByteArray m_text;
    bool m_readable = true;
    bool m_changed = false;
};
