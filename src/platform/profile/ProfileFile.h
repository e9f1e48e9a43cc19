#pragma once

#include <QByteArray>
#include <QString>

// The largest INI file read; a bigger one counts as unreadable.
inline constexpr qint64 kProfileFileMax = 1 << 20;

// What reading an INI file gave.
struct ProfileFile {
    enum Status {
        Read,       // text holds the whole file
        Missing,    // no such file
        Unreadable, // there is something, but nothing to read as settings
    };
    Status status = Missing;
    QByteArray text;
};

// Reads the INI file at path. Only a regular file (a symbolic link to one included) of at most
// kProfileFileMax bytes is read; anything else (a FIFO, a device, a folder, a larger file) is
// unreadable, and nothing waits: a FIFO without a writer does not hold up the caller.
ProfileFile ReadProfileFile(const QString& path);
