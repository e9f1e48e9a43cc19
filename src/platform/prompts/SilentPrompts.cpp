#include "platform/prompts/Prompts.h"

#include "platform/trace/Trace.h"

void SilentPrompts::MessageBox(const QString& text) {
    qCDebug(veldorTrace) << text;
}
