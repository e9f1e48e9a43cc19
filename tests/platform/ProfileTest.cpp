#include "platform/profile/Profile.h"
#include "platform/profile/ProfileBatch.h"
#include "platform/profile/ProfileText.h"
#include "support/ChildProcess.h"
#include "support/TempEnvironment.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(env.ok()); }

    QString path(const char* name = "test.ini") const {
        return env.work() + QLatin1Char('/') + QLatin1String(name);
    }
    void write(const QByteArray& text) { ASSERT_TRUE(TempEnvironment::writeFile(path(), text)); }
    QByteArray read() const { return TempEnvironment::readFile(path()); }
    QString get(const char* section, const char* key, const char* def = "<default>") const {
        return GetPrivateProfileString(QLatin1String(section), QLatin1String(key),
                                       QLatin1String(def), path());
    }

    TempEnvironment env;
};

const QByteArray kHandWritten = "; settings written by hand\r\n"
                                "[Capture]\r\n"
                                "Save_Folder = /home/u/pics  \r\n"
                                "\r\n"
                                "; a comment line\r\n"
                                "Expr=a=b=c\r\n"
                                "key=first\r\n"
                                "KEY=second\r\n"
                                "Empty=\r\n"
                                "not a key line\r\n"
                                ";Hidden=commented out\r\n"
                                "  [ capture ]  \r\n"
                                "key=from the second section\r\n"
                                "Only=in the second section\r\n"
                                "[Other]\r\n"
                                "key=other\r\n";

struct LookUp {
    const char* section;
    const char* key;
    const char* expected;
};

TEST_F(ProfileTest, LooksUpHandWrittenFileByTheClassicRules) {
    write(kHandWritten);
    const LookUp cases[] = {
        {"CAPTURE", "SAVE_FOLDER", "/home/u/pics"}, // names ignore letter case, value trimmed
        {"capture", "save_folder", "/home/u/pics"}, //
        {"CAPTURE", "Expr", "a=b=c"},               // only the first '=' separates
        {"CAPTURE", "key", "first"},                // first of duplicate keys
        {"CAPTURE", "Only", "<default>"},           // first of duplicate sections wins
        {"CAPTURE", "Empty", ""},                   // an empty value is a value
        {"CAPTURE", "Hidden", "<default>"},         // comment lines are no keys
        {"CAPTURE", ";Hidden", "<default>"},        //
        {"CAPTURE", "not a key line", "<default>"}, //
        {"OTHER", "KEY", "other"},                  //
        {"Missing", "key", "<default>"},            // missing section
        {"Other", "missing", "<default>"},          // missing key
    };
    for (const LookUp& c : cases) {
        EXPECT_EQ(get(c.section, c.key), QString::fromUtf8(c.expected))
            << c.section << "/" << c.key;
    }
}

TEST_F(ProfileTest, MissingFileGivesTheDefault) {
    EXPECT_EQ(get("CAPTURE", "SAVE_FOLDER", "fallback"), QStringLiteral("fallback"));
    EXPECT_FALSE(QFile::exists(path())) << "reading must not create the file";
}

TEST_F(ProfileTest, LongValueIsCutTo1023Bytes) {
    const QByteArray value(5000, 'x');
    write("[S]\nlong=" + value + "\n");
    const QString got = get("S", "long");
    EXPECT_EQ(got.size(), 1023);
    EXPECT_EQ(got, QString(1023, QLatin1Char('x')));
}

TEST(ProfileTextTest, CutNeverSplitsAUtf8Character) {
    // 1022 ASCII bytes and then a three-byte character: the character does not fit.
    const QByteArray value = QByteArray(1022, 'a') + "\xE7\x94\xBB" + "tail";
    const auto found = ProfileText::Find("[S]\nk=" + value + "\n", "S", "k");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, QByteArray(1022, 'a'));
    // 1020 ASCII bytes and the character end exactly at 1023.
    const QByteArray fits = QByteArray(1020, 'a') + "\xE7\x94\xBB" + "tail";
    EXPECT_EQ(ProfileText::CutUtf8(fits, 1023), QByteArray(1020, 'a') + "\xE7\x94\xBB");
}

TEST_F(ProfileTest, ReplacementKeepsEveryOtherLineByteForByte) {
    write(kHandWritten);
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("capture"), QStringLiteral("KEY"),
                                          QStringLiteral("new"), path()));
    QByteArray expected = kHandWritten;
    expected.replace("key=first\r\n", "key=new\r\n");
    EXPECT_EQ(read(), expected);
    EXPECT_EQ(get("CAPTURE", "key"), QStringLiteral("new"));
    EXPECT_EQ(get("CAPTURE", "KEY"), QStringLiteral("new"));
}

TEST_F(ProfileTest, ReplacementKeepsTheValueBlanksAndTheFileEndsAsItWas) {
    write("[A]\nx=1\n[B]\ny=2"); // last line without a line end
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("B"), QStringLiteral("y"),
                                          QStringLiteral(" spaced "), path()));
    EXPECT_EQ(read(), QByteArray("[A]\nx=1\n[B]\ny= spaced \n"));
    EXPECT_EQ(get("B", "y"), QStringLiteral("spaced"));
}

TEST_F(ProfileTest, NewKeyGoesToTheEndOfItsSectionBeforeItsBlankLines) {
    write("[A]\r\nx=1\r\n; note\r\n\r\n\r\n[B]\r\ny=2\r\n");
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("a"), QStringLiteral("z"),
                                          QStringLiteral("3"), path()));
    EXPECT_EQ(read(), QByteArray("[A]\r\nx=1\r\n; note\r\nz=3\r\n\r\n\r\n[B]\r\ny=2\r\n"));
}

TEST_F(ProfileTest, NewSectionGoesToTheEndOfTheFile) {
    write("[A]\nx=1\n\n");
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("CAPTURE"), QStringLiteral("KEY"),
                                          QStringLiteral("v"), path()));
    EXPECT_EQ(read(), QByteArray("[A]\nx=1\n\n[CAPTURE]\nKEY=v\n"));
}

TEST_F(ProfileTest, WritesCreateTheFileAndFollowTheOrderOfFirstWrite) {
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("LoadIniFile"), QStringLiteral("date"),
                                          QStringLiteral("20261209101112"), path()));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("CAPTURE"), QStringLiteral("A"),
                                          QStringLiteral("1"), path()));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("CAPTURE"), QStringLiteral("B"),
                                          QStringLiteral("2"), path()));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("LoadIniFile"), QStringLiteral("date"),
                                          QStringLiteral("20261210000000"), path()));
    EXPECT_EQ(read(), QByteArray("[LoadIniFile]\ndate=20261210000000\n"
                                 "[CAPTURE]\nA=1\nB=2\n"));
}

TEST_F(ProfileTest, JapaneseTextRoundTrips) {
    const QString folder = QStringLiteral("/home/u/デスクトップ/画像/");
    ASSERT_TRUE(
        WritePrivateProfileString(QStringLiteral("CAPTURE"), QStringLiteral("F"), folder, path()));
    EXPECT_EQ(get("CAPTURE", "F"), folder);
    EXPECT_TRUE(read().contains(folder.toUtf8()));
}

TEST_F(ProfileTest, LineBreaksInNamesOrValuesAreRefusedAndChangeNothing) {
    const QByteArray before = "[A]\nx=1\n";
    write(before);
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } refused[] = {
        {"A", "x", "one\ntwo"}, {"A", "x", "one\r\n[B]"}, {"A", "x", "cr\r"}, {"A\n", "x", "v"},
        {"A", "x\ny", "v"},     {"", "x", "v"},           {"A", "", "v"},     {"A", "  ", "v"},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(WritePrivateProfileString(QString::fromUtf8(r.section),
                                               QString::fromUtf8(r.key), QString::fromUtf8(r.value),
                                               path()))
            << r.section << "/" << r.key << "/" << r.value;
    }
    EXPECT_EQ(read(), before);
}

TEST_F(ProfileTest, FailedWriteReportsFalseAndLeavesTheOldFile) {
    // A regular file where a folder should be: no file can be created beneath it, even by root.
    ASSERT_TRUE(TempEnvironment::writeFile(path("plain"), "not a folder"));
    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("A"), QStringLiteral("x"),
                                           QStringLiteral("1"), path("plain/test.ini")));

    // The target itself is a folder: it must stay a folder with its content.
    ASSERT_TRUE(QDir().mkpath(path("folder.ini")));
    ASSERT_TRUE(TempEnvironment::writeFile(path("folder.ini/inside"), "kept"));
    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("A"), QStringLiteral("x"),
                                           QStringLiteral("1"), path("folder.ini")));
    EXPECT_TRUE(QFileInfo(path("folder.ini")).isDir());
    EXPECT_EQ(TempEnvironment::readFile(path("folder.ini/inside")), QByteArray("kept"));
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("A"), QStringLiteral("x"),
                                      QStringLiteral("def"), path("folder.ini")),
              QStringLiteral("def"));
}

TEST_F(ProfileTest, FailedReplacementLeavesTheOldFileByteIdentical) {
    const QByteArray before = "; keep me\r\n[A]\r\nx=1\r\n";
    write(before);
    // A file-size limit stops the new text half-way, even for root; the signal it raises is
    // ignored so that the write just fails.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WritePrivateProfileString(QStringLiteral("A"), QStringLiteral("x"),
                                                   QString(4000, QLatin1Char('y')), path());
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(read(), before);
    EXPECT_EQ(QDir(env.work()).entryList(QDir::Files), QStringList{QStringLiteral("test.ini")})
        << "the half-written temporary file must be removed";
}

TEST_F(ProfileTest, WriteReplacesTheFileThroughANewInode) {
    write("[A]\nx=1\n");
    struct stat before {};
    ASSERT_EQ(stat(QFile::encodeName(path()).constData(), &before), 0);
    // Keep the old inode alive through a second name, so it cannot be reused by the new file.
    ASSERT_EQ(link(QFile::encodeName(path()).constData(),
                   QFile::encodeName(path("keep.ini")).constData()),
              0);
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("A"), QStringLiteral("x"),
                                          QStringLiteral("2"), path()));
    struct stat after {};
    ASSERT_EQ(stat(QFile::encodeName(path()).constData(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "the file was rewritten in place";
    // The old inode was never touched: a reader holding it saw the old text throughout.
    EXPECT_EQ(TempEnvironment::readFile(path("keep.ini")), QByteArray("[A]\nx=1\n"));
    EXPECT_EQ(read(), QByteArray("[A]\nx=2\n"));
    // No temporary file is left beside it.
    const QStringList left = QDir(env.work()).entryList(QDir::Files);
    EXPECT_EQ(left, (QStringList{QStringLiteral("keep.ini"), QStringLiteral("test.ini")}));
}

TEST_F(ProfileTest, SettingsFromWindowsAreFoundAndKeptByAWrite) {
    const QByteArray windows =
        TempEnvironment::readFile(QStringLiteral(VELDOR_FIXTURES "/ini/windows-cp932.ini"));
    write(windows);
    const QString camera = QStringLiteral("顕微鏡カメラ ｿﾌﾄ");
    EXPECT_EQ(get("VideoDevice", "Name"), camera);
    EXPECT_EQ(GetPrivateProfileString(camera, QStringLiteral("Width"), QString(), path()),
              QStringLiteral("1280"));
    EXPECT_EQ(GetPrivateProfileString(camera, QStringLiteral("brightness"), QString(), path()),
              QStringLiteral("70/2"));
    EXPECT_EQ(get("CAPTURE", "SAVE_FOLDER"),
              QStringLiteral("C:\\Users\\表示\\Desktop\\VELDOR\\images"));
    EXPECT_EQ(get("CAPTURE", "COMP_FOLDER"), QStringLiteral("D:\\試料Ａ\\比較"));

    // The camera's section is written in place; every other byte stays.
    ASSERT_TRUE(
        WritePrivateProfileString(camera, QStringLiteral("Width"), QStringLiteral("640"), path()));
    ProfileBatch batch(path());
    ASSERT_TRUE(batch.Write(camera, QStringLiteral("Height"), QStringLiteral("480")));
    ASSERT_TRUE(
        batch.Write(QStringLiteral("CAPTURE"), QStringLiteral("DONT_ASK"), QStringLiteral("TRUE")));
    // A value the Windows version wrote keeps its code page where the new text allows.
    ASSERT_TRUE(batch.Write(QStringLiteral("VideoDevice"), QStringLiteral("Name"), camera));
    ASSERT_TRUE(batch.Write(QStringLiteral("CAPTURE"), QStringLiteral("COMP_FOLDER"),
                            QStringLiteral("/home/u/比較")));
    ASSERT_TRUE(batch.Write(QStringLiteral("CAPTURE"), QStringLiteral("MOVIE_FOLDER"),
                            QStringLiteral("/home/u/영상")));
    ASSERT_TRUE(batch.Commit());
    QByteArray expected = windows;
    expected.replace("Width=1280\r\n", "Width=640\r\n");
    expected.replace("Height=960\r\n", "Height=480\r\n");
    expected.replace("DONT_ASK=FALSE\r\n", "DONT_ASK=TRUE\r\n");
    expected.replace("COMP_FOLDER=D:\\\x8e\x8e\x97\xbf\x82\x60\\\x94\xe4\x8a\x72\r\n",
                     "COMP_FOLDER=/home/u/\x94\xe4\x8a\x72\r\n");
    expected.replace("MOVIE_FOLDER=C:\\Users\\\x95\x5c\x8e\xa6\\Desktop\\VELDOR\\movies\r\n",
                     "MOVIE_FOLDER=/home/u/\xec\x98\x81\xec\x83\x81\r\n");
    ASSERT_EQ(expected.count("/home/u/"), 2);
    EXPECT_EQ(read(), expected);
}

// One key written by a save, as the program's saves write them.
struct KeyWrite {
    QString section;
    QString key;
    QString value;
};

const QList<KeyWrite> kCaptureSave = {
    {"CAPTURE", "SAVE_FOLDER", "/home/u/デスクトップ/VELDOR/images"},
    {"CAPTURE", "COMP_FOLDER", "/home/u/デスクトップ/VELDOR/images"},
    {"CAPTURE", "MOVIE_FOLDER", "/home/u/デスクトップ/VELDOR/movies"},
    {"CAPTURE", "TITLE_BAR", "FALSE"},
    {"CAPTURE", "DONT_ASK", "TRUE"},
    {"CAPTURE", "KEEP_ASPECT", "FALSE"},
    {"CAPTURE", "SHOW_COMMENT", "TRUE"},
};
// A camera's save, with an entry the profile refuses in its middle.
const QList<KeyWrite> kCameraSave = {
    {"VideoDevice", "Name", "顕微鏡カメラ ｿﾌﾄ"}, {"顕微鏡カメラ ｿﾌﾄ", "Width", "640"},
    {"顕微鏡カメラ ｿﾌﾄ", "Height", "480"},       {"顕微鏡カメラ ｿﾌﾄ", "Brightness", "-3/2"},
    {"顕微鏡カメラ ｿﾌﾄ", "Broken", "one\ntwo"},  {"顕微鏡カメラ ｿﾌﾄ", "Contrast", "10/1"},
};
const QList<KeyWrite> kPictureSave = {
    {"USBProperty", "device", "Orvane Q7"},
    {"USBProperty", "Brightness", "44/2"},
    {"USBProperty", "Hue", "0/1"},
    {"USBProperty", "Saturation", "50/2"},
};

TEST_F(ProfileTest, BatchWritesTheBytesOfKeyByKeyWrites) {
    const char* fixtures[] = {nullptr, "windows-cp932.ini", "key-twice.ini",
                              "no-camera-section.ini", "picture-settings.ini"};
    for (const char* fixture : fixtures) {
        for (const QList<KeyWrite>* save : {&kCaptureSave, &kCameraSave, &kPictureSave}) {
            SCOPED_TRACE(std::string(fixture ? fixture : "no file") + " / " +
                         save->first().section.toStdString());
            const QString keyByKey = path("key-by-key.ini");
            const QString batched = path("batched.ini");
            QFile::remove(keyByKey);
            QFile::remove(batched);
            if (fixture) {
                const QByteArray text = TempEnvironment::readFile(
                    QStringLiteral(VELDOR_FIXTURES "/ini/") + QLatin1String(fixture));
                ASSERT_FALSE(text.isEmpty());
                ASSERT_TRUE(TempEnvironment::writeFile(keyByKey, text));
                ASSERT_TRUE(TempEnvironment::writeFile(batched, text));
            }
            ProfileBatch batch(batched);
            for (const KeyWrite& w : *save) {
                const bool alone = WritePrivateProfileString(w.section, w.key, w.value, keyByKey);
                EXPECT_EQ(batch.Write(w.section, w.key, w.value), alone) << w.key.toStdString();
            }
            ASSERT_TRUE(batch.Commit());
            EXPECT_EQ(TempEnvironment::readFile(batched), TempEnvironment::readFile(keyByKey));
        }
    }
}

TEST_F(ProfileTest, BatchFollowsTheRulesOfAHandWrittenFile) {
    write(TempEnvironment::readFile(QStringLiteral(VELDOR_FIXTURES "/ini/key-twice.ini")));
    ProfileBatch batch(path());
    ASSERT_TRUE(batch.Write(QStringLiteral("CAPTURE"), QStringLiteral("save_folder"), "/new"));
    ASSERT_TRUE(batch.Write(QStringLiteral("CAPTURE"), QStringLiteral("COMP_FOLDER"), "/c"));
    ASSERT_TRUE(batch.Write(QStringLiteral("CAPTURE"), QStringLiteral("TITLE_BAR"), "FALSE"));
    ASSERT_TRUE(batch.Write(QStringLiteral("CAPTURE"), QStringLiteral("DONT_ASK"), "FALSE"));
    ASSERT_TRUE(batch.Write(QStringLiteral("New"), QStringLiteral("k"), "v"));
    ASSERT_TRUE(batch.Commit());
    EXPECT_EQ(read(), QByteArray("; written by hand\n"
                                 "[capture]\n"
                                 "SAVE_FOLDER=/new\n"
                                 "save_folder=/home/u/second\n"
                                 "\n"
                                 "; note\n"
                                 "TITLE_BAR=FALSE\n"
                                 "COMP_FOLDER=/c\n"
                                 "DONT_ASK=FALSE\n"
                                 "\n"
                                 "[Other]\n"
                                 "x=1\n"
                                 "[CAPTURE]\n"
                                 "DONT_ASK=TRUE\n"
                                 "[New]\n"
                                 "k=v\n"))
        << read().toStdString();
}

TEST_F(ProfileTest, FailedBatchLeavesTheOldFileAndNothingBeside) {
    const QByteArray before = "; keep me\r\n[A]\r\nx=1\r\n";
    write(before);
    ProfileBatch batch(path());
    for (const char* key : {"x", "y", "z"}) {
        ASSERT_TRUE(
            batch.Write(QStringLiteral("A"), QLatin1String(key), QString(4000, QLatin1Char('v'))));
    }
    // A file-size limit stops the new text half-way, even for root.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool committed = batch.Commit();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(committed);
    EXPECT_EQ(read(), before);
    EXPECT_EQ(QDir(env.work()).entryList(QDir::Files), QStringList{QStringLiteral("test.ini")});

    // A folder in the file's place cannot be read or replaced.
    ASSERT_TRUE(QDir().mkpath(path("folder.ini")));
    ProfileBatch unreadable(path("folder.ini"));
    EXPECT_FALSE(unreadable.Write(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1")));
    EXPECT_FALSE(unreadable.Commit());
    EXPECT_TRUE(QFileInfo(path("folder.ini")).isDir());
}

// Only a regular file of at most 1 MiB is read. A FIFO without a writer, /dev/zero and a larger
// file count as unreadable (the default is read, nothing is written over them), and none holds
// up the reader: the child that reads them must end within its time limit.
TEST_F(ProfileTest, OnlyASmallRegularFileIsReadAndNothingElseWaitsOrGrows) {
    if (!InTestChild()) {
        const ChildResult child = RunTestInChild(std::nullopt, 20000);
        EXPECT_TRUE(child.Passed()) << child.output.toStdString();
        return;
    }
    ASSERT_EQ(mkfifo(QFile::encodeName(path("fifo.ini")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path("zero.ini")));
    const QByteArray section = "[A]\nx=found\n";
    const QByteArray largest = section + QByteArray((1 << 20) - section.size(), ';');
    ASSERT_TRUE(TempEnvironment::writeFile(path("largest.ini"), largest));
    ASSERT_TRUE(TempEnvironment::writeFile(path("larger.ini"), largest + ';'));

    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("A"), QStringLiteral("x"), QString(),
                                      path("largest.ini")),
              QStringLiteral("found"));
    for (const char* name : {"fifo.ini", "zero.ini", "larger.ini"}) {
        EXPECT_EQ(GetPrivateProfileString(QStringLiteral("A"), QStringLiteral("x"),
                                          QStringLiteral("def"), path(name)),
                  QStringLiteral("def"))
            << name;
        EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("A"), QStringLiteral("x"),
                                               QStringLiteral("1"), path(name)))
            << name;
        ProfileBatch batch(path(name));
        EXPECT_FALSE(batch.Write(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1")));
        EXPECT_FALSE(batch.Commit()) << name;
    }
    struct stat fifo {};
    ASSERT_EQ(lstat(QFile::encodeName(path("fifo.ini")).constData(), &fifo), 0);
    EXPECT_TRUE(S_ISFIFO(fifo.st_mode));
    EXPECT_EQ(QFileInfo(path("zero.ini")).symLinkTarget(), QStringLiteral("/dev/zero"));
    EXPECT_EQ(TempEnvironment::readFile(path("larger.ini")), largest + ';');
}

} // namespace
