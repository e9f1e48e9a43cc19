#include "library/CommentEditing.h"

#include "library/CommentFile.h"
#include "platform/language/TextPairs.h"
#include "platform/prompts/Prompts.h"

bool EditComment(Prompts& prompts, int language, const QString& path) {
    const TextPairs& texts = TextPairs::Builtin();
    const DecodedText current = ReadCommentForInput(path);
    const std::optional<QString> comment =
        prompts.InputComment(texts.Text(QStringLiteral("comment.prompt"), language), current.text);
    if (!comment) {
        return false;
    }
    // A changed comment keeps the file's code page where its characters allow, so that the
    // Windows version can still read a folder it wrote; an unchanged one leaves the file alone.
    if (SaveEditedComment(path, current, *comment) == CommentSave::Failed) {
        prompts.MessageBox(texts.Text(QStringLiteral("comment.failed"), language));
        return false;
    }
    return true;
}
