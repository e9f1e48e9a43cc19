#include "platform/paths/AtomicFile.h"

#include "platform/trace/Trace.h"

#include <QSaveFile>

bool ReplaceFileAtomically(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) {
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCDebug(veldorTrace) << "not writable:" << path << file.errorString();
        return false;
    }
    // QSaveFile buffers the bytes and commit() does not notice when the final flush fails (a
    // full disk, a file-size limit), renaming a cut file over the old one; flush first.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        qCDebug(veldorTrace) << "write failed:" << path << file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        qCDebug(veldorTrace) << "replace failed:" << path << file.errorString();
        return false;
    }
    return true;
}
