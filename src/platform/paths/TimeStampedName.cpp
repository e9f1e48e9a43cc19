#include "platform/paths/TimeStampedName.h"

#include "platform/clock/Clock.h"
#include "platform/trace/Trace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

std::optional<QString> TimeStampedPath(const QString& folder, const QDateTime& time,
                                       const QString& ext) {
    const QString stem = folder + QLatin1Char('/') + TimeStamp(time);
    for (int i = 0; i <= 999; ++i) {
        const QString candidate = (i == 0 ? stem : stem + QStringLiteral("-%1").arg(i)) + ext;
        QFile file(candidate);
        // A name that exists but cannot be read is taken too: never write over it.
        if (!file.open(QIODevice::ReadOnly) && !QFileInfo::exists(candidate)) {
            return candidate;
        }
    }
    qCDebug(veldorTrace, "no free name for %s", qUtf8Printable(stem));
    return std::nullopt;
}

std::optional<QString> CreateFoldersOf(const QString& path) {
    qsizetype from = 0;
    for (;;) {
        const qsizetype separator = path.indexOf(QLatin1Char('/'), from);
        if (separator < 0) {
            return std::nullopt;
        }
        const QString folder = path.left(separator);
        from = separator + 1;
        // A part that exists is passed over whatever it is: a plain file there makes the next
        // level fail, and that level is the one named.
        if (folder.isEmpty() || QFileInfo::exists(folder)) {
            continue;
        }
        if (!QDir().mkdir(folder)) {
            qCDebug(veldorTrace, "folder not created: %s", qUtf8Printable(folder));
            return folder;
        }
    }
}
