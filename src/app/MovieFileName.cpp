#include "app/CKestrelDlg.h"

#include "platform/clock/Clock.h"
#include "platform/paths/TimeStampedName.h"
#include "platform/prompts/Prompts.h"

std::optional<QString> CKestrelDlg::MakeMovieFileName() {
    const std::optional<QString> path =
        TimeStampedPath(m_movieFolder, m_clock.Now(), QStringLiteral(".avi"));
    if (!path) {
        m_prompts.MessageBox(Text("movie.noname").arg(m_movieFolder));
        return std::nullopt;
    }
    // The recording is still attempted; opening the file will tell.
    if (const std::optional<QString> failed = CreateFoldersOf(*path)) {
        m_prompts.MessageBox(
            QStringLiteral("保存フォルダーの作成に失敗しました。[%1]").arg(*failed));
    }
    return path;
}
