#include "platform/prompts/Prompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Acts on the dialog once it is the active modal widget; closes it after 5 s so that a failing
// test cannot hang.
template <typename Run> auto RunWith(const std::function<void(QWidget*)>& act, Run run) {
    bool acted = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* widget = acted ? nullptr : QApplication::activeModalWidget();
        if (widget && widget->isVisible()) {
            acted = true;
            act(widget);
        }
    });
    QTimer::singleShot(5000, [] {
        if (QWidget* open = QApplication::activeModalWidget()) {
            open->close();
        }
    });
    poll.start();
    auto result = run();
    EXPECT_TRUE(acted) << "the prompt never showed";
    return result;
}

// The platform's prompts; the comment dialog belongs to the program.
class PlatformPrompts : public QtPrompts {
public:
    std::optional<QString> InputComment(const QString&, const QString&) override {
        return std::nullopt;
    }
};

TEST(CalibrationDialog, OffersOkForADistanceAndANameAndGivesThem) {
    PlatformPrompts prompts;
    const CalibrationTexts texts{QStringLiteral("Calibrate"), QStringLiteral("The line is 400 px."),
                                 QStringLiteral("Distance:"), QStringLiteral("Name:")};
    const std::optional<CalibrationInput> input = RunWith(
        [](QWidget* dialog) {
            auto* length = dialog->findChild<QDoubleSpinBox*>(QStringLiteral("length"));
            auto* unit = dialog->findChild<QComboBox*>(QStringLiteral("unit"));
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("name"));
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            ASSERT_TRUE(length && unit && name && buttons);
            QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Calibrate"));
            EXPECT_EQ(name->text(), QStringLiteral("100×"));
            EXPECT_TRUE(ok->isEnabled());
            name->setText(QStringLiteral("   "));
            EXPECT_FALSE(ok->isEnabled());
            name->setText(QStringLiteral(" 200× "));
            length->setValue(0);
            EXPECT_FALSE(ok->isEnabled());
            length->setValue(10);
            unit->setCurrentIndex(0); // µm
            EXPECT_EQ(unit->currentText(), QStringLiteral("µm"));
            ASSERT_TRUE(ok->isEnabled());
            QTest::mouseClick(ok, Qt::LeftButton);
        },
        [&] { return prompts.InputCalibration(texts, QStringLiteral("100×")); });
    ASSERT_TRUE(input);
    EXPECT_DOUBLE_EQ(input->Micrometres(), 10);
    EXPECT_EQ(input->name, QStringLiteral("200×"));

    const std::optional<CalibrationInput> cancelled =
        RunWith([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); },
                [&] { return prompts.InputCalibration(texts, QString()); });
    EXPECT_FALSE(cancelled);
}

} // namespace
