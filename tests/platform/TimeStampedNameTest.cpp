#include "platform/paths/TimeStampedName.h"
#include "platform/clock/Clock.h"
#include "support/TempEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime kTime(QDate(2026, 12, 9), QTime(10, 11, 12));

class TimeStampedNameTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString folder() const { return dir.path(); }
    QString at(const QString& name) const { return folder() + QLatin1Char('/') + name; }
    QTemporaryDir dir;
};

TEST_F(TimeStampedNameTest, StampIsFourteenDigitsOfTheLocalTime) {
    EXPECT_EQ(TimeStamp(kTime), QStringLiteral("20261209101112"));
    EXPECT_EQ(TimeStamp(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6))),
              QStringLiteral("20010203040506"));
}

TEST_F(TimeStampedNameTest, SameSecondTakesTheNextSuffix) {
    const QStringList expected = {"20261209101112.jpg", "20261209101112-1.jpg",
                                  "20261209101112-2.jpg", "20261209101112-3.jpg"};
    for (const QString& name : expected) {
        const std::optional<QString> path =
            TimeStampedPath(folder(), kTime, QStringLiteral(".jpg"));
        ASSERT_TRUE(path.has_value());
        EXPECT_EQ(*path, at(name));
        ASSERT_TRUE(TempEnvironment::writeFile(*path, "x"));
    }
    // Another extension has its own names.
    EXPECT_EQ(TimeStampedPath(folder(), kTime, QStringLiteral(".avi")),
              at(QStringLiteral("20261209101112.avi")));
}

TEST_F(TimeStampedNameTest, FirstFreeNameIsTakenAndNoEntryIsOverwritten) {
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("20261209101112.jpg")), "x"));
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("20261209101112-2.jpg")), "x"));
    EXPECT_EQ(TimeStampedPath(folder(), kTime, QStringLiteral(".jpg")),
              at(QStringLiteral("20261209101112-1.jpg")));
    // A folder of the name cannot be opened as a file, but it is no free name either.
    ASSERT_TRUE(QDir().mkpath(at(QStringLiteral("20261209101112-1.jpg"))));
    EXPECT_EQ(TimeStampedPath(folder(), kTime, QStringLiteral(".jpg")),
              at(QStringLiteral("20261209101112-3.jpg")));
}

TEST_F(TimeStampedNameTest, AllThousandNamesTakenGivesNone) {
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("20261209101112.jpg")), "x"));
    for (int i = 1; i <= 999; ++i) {
        ASSERT_TRUE(
            TempEnvironment::writeFile(at(QStringLiteral("20261209101112-%1.jpg").arg(i)), "x"));
    }
    EXPECT_FALSE(TimeStampedPath(folder(), kTime, QStringLiteral(".jpg")).has_value());
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files).size(), 1000);
    // The next second is free again.
    EXPECT_EQ(TimeStampedPath(folder(), kTime.addSecs(1), QStringLiteral(".jpg")),
              at(QStringLiteral("20261209101113.jpg")));
}

TEST_F(TimeStampedNameTest, FoldersAreCreatedLevelByLevelButNeverTheFileName) {
    const QString path = at(QStringLiteral("one/two/three/20261209101112.jpg"));
    EXPECT_FALSE(CreateFoldersOf(path).has_value());
    EXPECT_TRUE(QFileInfo(at(QStringLiteral("one/two/three"))).isDir());
    EXPECT_FALSE(QFileInfo::exists(path));
    // Existing folders are fine, and a second call changes nothing.
    EXPECT_FALSE(CreateFoldersOf(path).has_value());
    EXPECT_EQ(QDir(at(QStringLiteral("one/two/three")))
                  .entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList());
}

TEST_F(TimeStampedNameTest, FirstFolderThatCannotBeMadeIsReturned) {
    ASSERT_TRUE(TempEnvironment::writeFile(at(QStringLiteral("plain")), "x"));
    // A plain file on the way is passed over like a folder: the level below it is the one that
    // cannot be made.
    EXPECT_EQ(CreateFoldersOf(at(QStringLiteral("plain/sub/x.jpg"))),
              at(QStringLiteral("plain/sub")));
    EXPECT_TRUE(QFileInfo(at(QStringLiteral("plain"))).isFile());

    // The levels before the failing one are made first, one at a time.
    const QString tooLong(300, QLatin1Char('n'));
    const std::optional<QString> failed =
        CreateFoldersOf(at(QStringLiteral("made/") + tooLong + QStringLiteral("/deeper/x.jpg")));
    EXPECT_EQ(failed, at(QStringLiteral("made/") + tooLong));
    EXPECT_TRUE(QFileInfo(at(QStringLiteral("made"))).isDir());
}

TEST_F(TimeStampedNameTest, MultibyteFolderNamesStayWhole) {
    // 表 and ソ carry the separator byte of Shift JIS as their second byte there.
    const QString path = at(QStringLiteral("表示/ソフト/画像/20261209101112.jpg"));
    EXPECT_FALSE(CreateFoldersOf(path).has_value());
    EXPECT_EQ(QDir(folder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("表示")});
    EXPECT_EQ(QDir(at(QStringLiteral("表示"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("ソフト")});
    EXPECT_TRUE(QFileInfo(at(QStringLiteral("表示/ソフト/画像"))).isDir());
    const std::optional<QString> name =
        TimeStampedPath(at(QStringLiteral("表示/ソフト/画像")), kTime, QStringLiteral(".jpg"));
    EXPECT_EQ(name, path);
}

} // namespace
