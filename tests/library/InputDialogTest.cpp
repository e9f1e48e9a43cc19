#include "library/CInputDlg.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs the dialog modally; once it is the active modal widget with its edit field focused,
// act runs on it (recording with gtest macros), and must end the dialog.
int RunWith(CInputDlg& dlg, const std::function<void(CInputDlg&)>& act) {
    bool acted = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (acted || QApplication::activeModalWidget() != &dlg) {
            return;
        }
        auto* edit = dlg.findChild<QLineEdit*>();
        if (!edit || !edit->hasFocus()) {
            return;
        }
        acted = true;
        act(dlg);
    });
    // Ends a dialog that act left open, so that a failing test does not hang.
    QTimer::singleShot(5000, &dlg, [&dlg] { dlg.done(-1); });
    poll.start();
    const int result = dlg.DoModal();
    EXPECT_TRUE(acted) << "the dialog never got the focus into its edit field";
    return result;
}

QPushButton* Button(CInputDlg& dlg, const char* text) {
    for (QPushButton* button : dlg.findChildren<QPushButton*>()) {
        if (button->text() == QLatin1String(text)) {
            return button;
        }
    }
    return nullptr;
}

TEST(InputDialog, ShowsPromptAndSelectedTextEnterKeepsIt) {
    CInputDlg dlg;
    dlg.m_prompt = QStringLiteral("Input Comment on this image.");
    dlg.m_comment = QStringLiteral("abc");
    const int result = RunWith(dlg, [](CInputDlg& d) {
        auto* label = d.findChild<QLabel*>();
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QStringLiteral("Input Comment on this image."));
        auto* edit = d.findChild<QLineEdit*>();
        EXPECT_EQ(edit->text(), QStringLiteral("abc"));
        EXPECT_EQ(edit->selectedText(), QStringLiteral("abc"));
        QPushButton* ok = Button(d, "OK");
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(ok->isDefault());
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dlg.m_comment, QStringLiteral("abc"));
}

TEST(InputDialog, TypingReplacesTheSelectedText) {
    CInputDlg dlg;
    dlg.m_prompt = QStringLiteral("prompt");
    dlg.m_comment = QStringLiteral("old");
    const int result = RunWith(dlg, [](CInputDlg& d) {
        auto* edit = d.findChild<QLineEdit*>();
        QTest::keyClicks(edit, QStringLiteral("new"));
        QTest::mouseClick(Button(d, "OK"), Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dlg.m_comment, QStringLiteral("new"));
}

TEST(InputDialog, EscapeAndCancelLeaveTheComment) {
    for (const bool escape : {true, false}) {
        CInputDlg dlg;
        dlg.m_comment = QStringLiteral("abc");
        const int result = RunWith(dlg, [escape](CInputDlg& d) {
            auto* edit = d.findChild<QLineEdit*>();
            QTest::keyClicks(edit, QStringLiteral("changed"));
            if (escape) {
                QTest::keyClick(edit, Qt::Key_Escape);
            } else {
                QTest::mouseClick(Button(d, "CANCEL"), Qt::LeftButton);
            }
        });
        EXPECT_EQ(result, QDialog::Rejected) << (escape ? "Escape" : "CANCEL");
        EXPECT_EQ(dlg.m_comment, QStringLiteral("abc")) << (escape ? "Escape" : "CANCEL");
    }
}

} // namespace
