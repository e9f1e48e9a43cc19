#pragma once

#include "platform/prompts/Prompts.h"

// The program's prompts: the platform's message boxes and folder chooser, and its own
// comment dialog.
class AppPrompts : public QtPrompts {
public:
    std::optional<QString> InputComment(const QString& prompt, const QString& text) override;
};
