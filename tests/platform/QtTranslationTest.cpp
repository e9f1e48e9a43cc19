#include "platform/language/QtTranslation.h"
#include "platform/language/Language.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

QString CancelText() {
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    return buttons.button(QDialogButtonBox::Cancel)->text();
}

// Standard buttons (message boxes, the calibration dialog) speak the interface's language.
TEST(QtTranslationTest, JapaneseInterfaceGetsQtsOwnTextsInJapanese) {
    {
        QtTranslation english;
        EXPECT_TRUE(english.Install(kEnglish));
        EXPECT_EQ(CancelText(), QStringLiteral("Cancel"));
    }
    {
        QtTranslation japanese;
        ASSERT_TRUE(japanese.Install(kJapanese)) << "qt6-translations-l10n is not installed";
        EXPECT_EQ(CancelText(), QStringLiteral("キャンセル"));
    }
    // The translator leaves with its owner.
    EXPECT_EQ(CancelText(), QStringLiteral("Cancel"));
}

} // namespace
