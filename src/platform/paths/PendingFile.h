#pragma once

#include <QByteArray>
#include <QString>

// A new file that gets its name only when it is complete: it is written without a name (an
// O_TMPFILE file in the target's folder) or, where the file system has no such files, under a
// hidden temporary name beside the target, then synced and linked to its name. A crash or a
// failure at any point leaves either nothing or the whole file under the name, and a name that
// exists is never replaced. A file not published is discarded when the object goes.
class PendingFile {
public:
    enum class Kind {
        Unnamed,   // O_TMPFILE: nothing to clean up, even after a crash
        Temporary, // ".name.XXXXXX" beside the target, removed unless published
    };

    // Opens the pending file for the target path, of the kind asked for, or else the best kind
    // the target's folder allows. IsOpen() says whether that worked.
    explicit PendingFile(const QString& path);
    PendingFile(const QString& path, Kind kind);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    // The file to write into; stays owned by this object.
    int Descriptor() const { return m_fd; }
    Kind kind() const { return m_kind; }

    // Syncs the file and gives it its name. False when the name exists (errno EEXIST) or a call
    // failed; the file is then discarded as if never made.
    bool Publish();

private:
    void Open(Kind kind);
    bool LinkUnnamed();
    bool LinkTemporary();
    void Discard();

    QByteArray m_path;
    QByteArray m_temporary; // the temporary name, while there is one
    int m_fd = -1;
    Kind m_kind = Kind::Unnamed;
};
