#include "platform/language/Language.h"
#include "platform/language/TextPairs.h"

#include <gtest/gtest.h>

namespace {

TEST(LanguageTest, OnlyJapaneseLocalesGiveJapanese) {
    const struct {
        QLocale locale;
        int language;
    } cases[] = {
        {QLocale(QLocale::Japanese, QLocale::Japan), kJapanese},
        {QLocale(QStringLiteral("ja_JP")), kJapanese},
        {QLocale(QLocale::English, QLocale::UnitedStates), kEnglish},
        {QLocale(QLocale::German, QLocale::Germany), kEnglish},
        {QLocale(QLocale::Chinese, QLocale::China), kEnglish},
        {QLocale(QLocale::Korean, QLocale::SouthKorea), kEnglish},
        {QLocale::c(), kEnglish},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LanguageFromLocale(c.locale), c.language) << c.locale.name().toStdString();
    }
}

TEST(TextPairsTest, ChoosesTheLanguageAndFallsBackToEnglish) {
    const TextPairs texts(R"({"a": {"en": "EXIT", "ja": "終了"}, "b": {"en": "<"}})");
    EXPECT_EQ(texts.Text(QStringLiteral("a"), kJapanese), QStringLiteral("終了"));
    EXPECT_EQ(texts.Text(QStringLiteral("a"), kEnglish), QStringLiteral("EXIT"));
    EXPECT_EQ(texts.Text(QStringLiteral("b"), kJapanese), QStringLiteral("<"));
    EXPECT_EQ(texts.Text(QStringLiteral("missing"), kJapanese), QStringLiteral("missing"));
    EXPECT_TRUE(texts.HasJapanese(QStringLiteral("a")));
    EXPECT_FALSE(texts.HasJapanese(QStringLiteral("b")));
}

} // namespace
