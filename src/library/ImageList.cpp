#include "library/ImageList.h"

#include <QDir>
#include <algorithm>

QStringList ReloadImageList(const QString& folder) {
    QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        return {};
    }
    // Sub-folders whose name matches are listed too.
    QStringList names =
        dir.entryList({QStringLiteral("*.jpg")},
                      QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                      QDir::NoSort);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    std::reverse(names.begin(), names.end());
    return names;
}

QString ReplaceLastThree(const QString& path, const char* ext) {
    return path.left(qMax<qsizetype>(0, path.size() - 3)) + QLatin1String(ext);
}

QString MakeCommentPath(const QString& folder, const QString& name) {
    return ReplaceLastThree(folder + QLatin1Char('/') + name, "txt");
}
