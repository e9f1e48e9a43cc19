#pragma once

#include <QLocale>

// Interface language values: 1 Japanese, 2 English.
enum { kJapanese = 1, kEnglish = 2 };

int LanguageFromLocale(const QLocale& locale);
inline int SystemLanguage() {
    return LanguageFromLocale(QLocale::system());
}
