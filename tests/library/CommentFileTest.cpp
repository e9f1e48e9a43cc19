#include "library/CommentFile.h"
#include "support/TempEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

class CommentFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const char* name = "20261209101112.txt") const {
        return dir.path() + QLatin1Char('/') + QLatin1String(name);
    }
    QTemporaryDir dir;
};

struct ReadCase {
    QByteArray bytes;
    QString display; // all bytes but the last
    QString input;   // bytes before the first NUL
};

TEST_F(CommentFileTest, ReadingRulesForDisplayAndInput) {
    const ReadCase cases[] = {
        {QByteArray("abc\0", 4), "abc", "abc"},
        {QByteArray("abc"), "ab", "abc"},
        {QByteArray("\0", 1), "", ""},
        {QByteArray(), "", ""},
        {QByteArray("a\0b\0", 4), QString::fromLatin1("a\0b", 3), "a"},
        {QByteArray("\xe8\xa1\xa8\0", 4), QStringLiteral("表"), QStringLiteral("表")},
    };
    for (const ReadCase& c : cases) {
        ASSERT_TRUE(TempEnvironment::writeFile(path(), c.bytes));
        const std::optional<QString> display = ReadCommentForDisplay(path());
        ASSERT_TRUE(display.has_value()) << c.bytes.toHex().toStdString();
        EXPECT_EQ(*display, c.display) << c.bytes.toHex().toStdString();
        EXPECT_EQ(ReadCommentForInput(path()).text, c.input) << c.bytes.toHex().toStdString();
    }
}

TEST_F(CommentFileTest, MissingFileShowsNoBoxAndPrefillsNothing) {
    EXPECT_FALSE(ReadCommentForDisplay(path()).has_value());
    EXPECT_FALSE(ReadCommentForDisplay(QString()).has_value());
    EXPECT_EQ(ReadCommentForInput(path()).text, QString());
    EXPECT_EQ(ReadCommentForInput(QString()).text, QString());
}

TEST_F(CommentFileTest, ReadsAtMostTheFirst128KiB) {
    QByteArray big(1 << 20, 'x');
    big.append('\0');
    ASSERT_TRUE(TempEnvironment::writeFile(path(), big));
    const std::optional<QString> display = ReadCommentForDisplay(path());
    ASSERT_TRUE(display.has_value());
    EXPECT_LE(display->size(), kCommentReadMax);
    EXPECT_GT(display->size(), 0);
    EXPECT_LE(ReadCommentForInput(path()).text.size(), kCommentReadMax);
}

TEST(CommentFileEncodings, WindowsCommentsReadAsTheirText) {
    const struct {
        const char* name;
        QString text;
    } table[] = {
        {"kanji-kana", QStringLiteral("試料Ａ 倍率40倍 ひらがなとカタカナ")},
        {"half-width-katakana", QStringLiteral("ｿﾌﾄｳｪｱ ｶﾒﾗ")},
        {"row13-symbols", QStringLiteral("①②㈱№")},
        {"extension-kanji", QStringLiteral("ⅰ纊纊")},
        {"backslash-trail", QStringLiteral("表示ソフト")},
    };
    const QString folder = QStringLiteral(VELDOR_FIXTURES "/comments/");
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        for (const TextEncoding encoding : {TextEncoding::CodePage932, TextEncoding::Utf8}) {
            const QString file = folder + (encoding == TextEncoding::Utf8 ? "utf8-" : "cp932-") +
                                 QLatin1String(row.name) + QStringLiteral(".txt");
            ASSERT_TRUE(QFileInfo::exists(file));
            EXPECT_EQ(ReadCommentForDisplay(file), row.text);
            const DecodedText input = ReadCommentForInput(file);
            EXPECT_EQ(input.text, row.text);
            EXPECT_EQ(input.encoding, encoding);
        }
    }
    // Half a character at the end, and bytes of no encoding, show as U+FFFD.
    const DecodedText truncated =
        ReadCommentForInput(folder + QStringLiteral("cp932-truncated.txt"));
    EXPECT_EQ(truncated.text, QStringLiteral("abc\uFFFD"));
    EXPECT_EQ(truncated.encoding, TextEncoding::CodePage932);
    EXPECT_EQ(ReadCommentForDisplay(folder + QStringLiteral("neither.txt")),
              QStringLiteral("ok\uFFFD\uFFFD\uFFFDend"));
    // A long text reads whole, wherever its double-byte characters fall.
    const QByteArray unit =
        TempEnvironment::readFile(folder + QStringLiteral("cp932-backslash-trail.txt")).chopped(1);
    const DecodedText text = DecodeText("a" + unit.repeated(1000));
    EXPECT_EQ(text.text, QStringLiteral("a") + QStringLiteral("表示ソフト").repeated(1000));
    EXPECT_EQ(text.encoding, TextEncoding::CodePage932);
}

TEST_F(CommentFileTest, ChangedTextKeepsCodePage932WhereEveryCharacterFits) {
    const struct {
        QString text;
        QByteArray bytes;
    } table[] = {
        {QStringLiteral("試料Ｂ 倍率100倍"),
         QByteArray("\x8e\x8e\x97\xbf\x82\x61\x20\x94\x7b\x97\xa6\x31\x30\x30\x94\x7b\0", 17)},
        {QStringLiteral("表示ソフト"),
         QByteArray("\x95\x5c\x8e\xa6\x83\x5c\x83\x74\x83\x67\0", 11)},
        // No code in code page 932: UTF-8.
        {QStringLiteral("試料😀"), QByteArray("\xe8\xa9\xa6\xe6\x96\x99\xf0\x9f\x98\x80\0", 11)},
        {QStringLiteral("한글 OK"), QByteArray("\xed\x95\x9c\xea\xb8\x80\x20\x4f\x4b\0", 10)},
    };
    for (const auto& row : table) {
        ASSERT_TRUE(WriteComment(path(), row.text, TextEncoding::CodePage932));
        EXPECT_EQ(TempEnvironment::readFile(path()), row.bytes) << row.text.toStdString();
        EXPECT_EQ(ReadCommentForInput(path()).text, row.text);
    }
}

TEST_F(CommentFileTest, WritesTextAndOneNulOverAnyOldComment) {
    ASSERT_TRUE(TempEnvironment::writeFile(path(), QByteArray("a much longer old comment\0", 26)));
    ASSERT_TRUE(WriteComment(path(), QStringLiteral("abc")));
    EXPECT_EQ(TempEnvironment::readFile(path()), QByteArray("abc\0", 4));
    ASSERT_TRUE(WriteComment(path(), QStringLiteral("表")));
    EXPECT_EQ(TempEnvironment::readFile(path()), QByteArray("\xe8\xa1\xa8\0", 4));
    // Nothing but the comment is left in the folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("20261209101112.txt")});
}

TEST_F(CommentFileTest, UnwritablePlacesReportFailure) {
    EXPECT_FALSE(WriteComment(QString(), QStringLiteral("abc")));
    const QString file = path("plain");
    ASSERT_TRUE(TempEnvironment::writeFile(file, "x"));
    EXPECT_FALSE(WriteComment(file + QStringLiteral("/x.txt"), QStringLiteral("abc")));
    EXPECT_FALSE(
        WriteComment(dir.path() + QStringLiteral("/missing/x.txt"), QStringLiteral("abc")));
}

// Limits the size of files this process may write, so that a write fails part way even for
// root, for whom permission bits do not stop anything.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        m_ok = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = m_ok && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

TEST_F(CommentFileTest, AWriteFailingPartWayKeepsTheOldComment) {
    const QByteArray old("old\0", 4);
    ASSERT_TRUE(TempEnvironment::writeFile(path(), old));
    {
        FileSizeLimit limit(8);
        ASSERT_TRUE(limit.ok());
        EXPECT_FALSE(WriteComment(path(), QStringLiteral("a comment longer than eight bytes")));
    }
    EXPECT_EQ(TempEnvironment::readFile(path()), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("20261209101112.txt")});
}

} // namespace
