#include "movie/MovieFolderRepair.h"

#include "movie/AviRepair.h"
#include "platform/language/TextPairs.h"
#include "platform/prompts/Prompts.h"

#include <QDir>

namespace {

// A message lists at most this many movies, then how many more there are.
constexpr qsizetype kListed = 10;

QString Listed(const QStringList& paths) {
    QStringList lines = paths.mid(0, kListed);
    if (paths.size() > kListed) {
        lines.append(QStringLiteral("… (+%1)").arg(paths.size() - kListed));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

MovieFolderRepairs RepairMovieFolder(const QString& folder) {
    MovieFolderRepairs repairs;
    if (folder.isEmpty()) {
        return repairs;
    }
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral("*.avi")}, QDir::Files | QDir::NoSymLinks | QDir::Hidden,
                      QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        switch (RepairAviFile(path)) {
        case AviRepairResult::Repaired:
            repairs.repaired.append(path);
            break;
        case AviRepairResult::Failed:
            repairs.failed.append(path);
            break;
        default:
            break;
        }
    }
    return repairs;
}

void RepairMovieFolder(const QString& folder, Prompts& prompts, int language) {
    const MovieFolderRepairs repairs = RepairMovieFolder(folder);
    const TextPairs& texts = TextPairs::Builtin();
    if (!repairs.repaired.isEmpty()) {
        prompts.MessageBox(
            texts.Text(QStringLiteral("movie.repaired"), language).arg(Listed(repairs.repaired)));
    }
    if (!repairs.failed.isEmpty()) {
        prompts.MessageBox(
            texts.Text(QStringLiteral("movie.repairfailed"), language).arg(Listed(repairs.failed)));
    }
}
