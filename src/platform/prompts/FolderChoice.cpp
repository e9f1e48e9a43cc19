#include "platform/prompts/FolderChoice.h"

#include "platform/language/TextPairs.h"
#include "platform/profile/Profile.h"
#include "platform/prompts/Prompts.h"

std::optional<QString> ChooseStoredFolder(Prompts& prompts, const QString& title,
                                          const QString& start, int language) {
    std::optional<QString> folder = prompts.ChooseFolder(title, start);
    if (folder && !ProfileCanHold(*folder)) {
        prompts.MessageBox(
            TextPairs::Builtin().Text(QStringLiteral("folder.unstorable"), language).arg(*folder));
        return std::nullopt;
    }
    return folder;
}
