#include "library/ImageList.h"
#include "support/TempEnvironment.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Makes each entry in folder: names ending in "/" become folders, the others empty files.
void Populate(const QString& folder, const QStringList& entries) {
    for (const QString& entry : entries) {
        if (entry.endsWith(QLatin1Char('/'))) {
            ASSERT_TRUE(QDir().mkpath(folder + QLatin1Char('/') + entry)) << entry.toStdString();
        } else {
            ASSERT_TRUE(TempEnvironment::writeFile(folder + QLatin1Char('/') + entry, "x"))
                << entry.toStdString();
        }
    }
}

struct ListCase {
    const char* what;
    QStringList entries;
    QStringList expected; // index 0 first
};

class PictureListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(PictureListTest, MatchesJpgIgnoringCaseNewestNameFirst) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Populate(dir.path(), GetParam().entries);
    EXPECT_EQ(ReloadImageList(dir.path()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, PictureListTest,
    ::testing::Values(ListCase{"letter case of the extension",
                               {"a.jpg", "b.JPG", "c.jpg"},
                               {"c.jpg", "b.JPG", "a.jpg"}},
                      ListCase{"only *.jpg entries, a matching sub-folder included",
                               {"a.jpg", "b.png", "c.jpeg", "djpg", "e.jpg.bak", "f.jpg/", "g/",
                                "h.Jpg"},
                               {"h.Jpg", "f.jpg", "a.jpg"}},
                      ListCase{"order ignores the letter case of the whole name",
                               {"B.jpg", "a.jpg", "C.jpg", "d.JPG"},
                               {"d.JPG", "C.jpg", "B.jpg", "a.jpg"}},
                      ListCase{"time stamps with collision suffixes",
                               {"20261209101112.jpg", "20261209101112-1.jpg",
                                "20261209101112-2.jpg", "20261209101113.jpg", "20251231235959.jpg"},
                               {"20261209101113.jpg", "20261209101112.jpg", "20261209101112-2.jpg",
                                "20261209101112-1.jpg", "20251231235959.jpg"}},
                      ListCase{"an empty folder", {}, {}},
                      ListCase{"names outside ASCII sort by their characters, letter case ignored",
                               {"a.jpg", "B.jpg", "z.jpg", "ä.jpg", "表.jpg", "Ö.JPG", "x.png"},
                               {"表.jpg", "Ö.JPG", "ä.jpg", "z.jpg", "B.jpg", "a.jpg"}}),
    [](const ::testing::TestParamInfo<ListCase>& info) {
        return "case" + std::to_string(info.index);
    });

// Folders with and without a name outside ASCII take different sorting paths; the ASCII names
// must come out in the same order on both.
TEST(PictureListOrder, AsciiNamesKeepTheirOrderBesideANonAsciiName) {
    const QStringList ascii = {"_b.jpg", "a.jpg",   "C.jpg", "b10.jpg", "b9.jpg", "ab.jpg",
                               "A1.JPG", "[x].jpg", "b.jpg", "Ba.jpg",  "0.jpg",  "~.jpg"};
    QTemporaryDir plain;
    QTemporaryDir mixed;
    ASSERT_TRUE(plain.isValid() && mixed.isValid());
    Populate(plain.path(), ascii);
    Populate(mixed.path(), ascii + QStringList{QStringLiteral("é.jpg")});

    const QStringList plainList = ReloadImageList(plain.path());
    QStringList mixedList = ReloadImageList(mixed.path());
    ASSERT_EQ(mixedList.size(), ascii.size() + 1);
    EXPECT_EQ(mixedList.front(), QStringLiteral("é.jpg"));
    mixedList.removeAll(QStringLiteral("é.jpg"));
    EXPECT_EQ(mixedList, plainList);
    ASSERT_EQ(plainList.size(), ascii.size());
    // Descending, letter case ignored.
    for (qsizetype i = 1; i < plainList.size(); ++i) {
        EXPECT_GE(plainList[i - 1].compare(plainList[i], Qt::CaseInsensitive), 0)
            << plainList[i - 1].toStdString() << " before " << plainList[i].toStdString();
    }
}

TEST(PictureListOrder, MissingOrUnnamedFolderGivesNoPictures) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_TRUE(ReloadImageList(dir.path() + QStringLiteral("/missing")).isEmpty());
    EXPECT_TRUE(ReloadImageList(QString()).isEmpty());
    // A regular file given as the folder.
    const QString file = dir.path() + QStringLiteral("/plain.jpg");
    ASSERT_TRUE(TempEnvironment::writeFile(file, "x"));
    EXPECT_TRUE(ReloadImageList(file).isEmpty());
}

TEST(CompanionPaths, ReplaceTheLastThreeCharacters) {
    struct Case {
        QString folder, name, comment, settings;
    };
    const Case cases[] = {
        {"/f", "20261209101112.jpg", "/f/20261209101112.txt", "/f/20261209101112.ini"},
        {"/f", "b.JPG", "/f/b.txt", "/f/b.ini"},
        {"/保存/表", "表示.jpg", "/保存/表/表示.txt", "/保存/表/表示.ini"},
        {"/with space/", "x.Jpg", "/with space//x.txt", "/with space//x.ini"},
    };
    for (const Case& c : cases) {
        const QString comment = MakeCommentPath(c.folder, c.name);
        EXPECT_EQ(comment, c.comment);
        EXPECT_EQ(ReplaceLastThree(comment, "ini"), c.settings);
    }
    EXPECT_EQ(ReplaceLastThree(QStringLiteral("ab"), "ini"), QStringLiteral("ini"));
}

} // namespace
