#include "app/CNullDlg.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The version the build declares for the project.
QString ProjectVersion() {
    QFile file(QStringLiteral(VELDOR_SOURCE_DIR "/CMakeLists.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    static const QRegularExpression project(QStringLiteral(R"(project\(VELDOR VERSION ([0-9.]+))"));
    return project.match(QString::fromUtf8(file.readAll())).captured(1);
}

int ChangedPixels(const QImage& a, const QImage& b, const QRect& area) {
    int changed = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            changed += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return changed;
}

TEST(SplashTest, WritesTheProgramsNameAndTheProjectVersionOntoItsPicture) {
    const QString version = ProjectVersion();
    ASSERT_FALSE(version.isEmpty());
    EXPECT_EQ(CNullDlg::titleLines(),
              (QStringList{QStringLiteral("VELDOR"), QStringLiteral("Version ") + version}));

    CNullDlg splash;
    ASSERT_TRUE(splash.OnInitDialog());
    splash.timer1().stop();
    const QImage shown = splash.bitmap().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage plain =
        QImage(QStringLiteral(":/splash.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(975, 492));
    ASSERT_EQ(plain.size(), shown.size());
    // The name above the rule, the version below it, the microscope on the right left alone.
    EXPECT_GT(ChangedPixels(shown, plain, QRect(70, 190, 420, 100)), 3000);
    EXPECT_GT(ChangedPixels(shown, plain, QRect(70, 312, 300, 44)), 300);
    EXPECT_EQ(ChangedPixels(shown, plain, QRect(0, 0, 975, 180)), 0);
    EXPECT_EQ(ChangedPixels(shown, plain, QRect(500, 0, 475, 492)), 0);
}

} // namespace
