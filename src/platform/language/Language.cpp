#include "platform/language/Language.h"

int LanguageFromLocale(const QLocale& locale) {
    return locale.language() == QLocale::Japanese ? kJapanese : kEnglish;
}
