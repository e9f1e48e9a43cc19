#include <QApplication>
#include <gtest/gtest.h>

// Widget tests need one QApplication for the whole test program.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VELDOR"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
