#include "library/CommentFile.h"
#include "support/TempEnvironment.h"

#include <QDir>
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
    QByteArray display; // all bytes but the last
    QString input;      // bytes before the first NUL
};

TEST_F(CommentFileTest, ReadingRulesForDisplayAndInput) {
    const ReadCase cases[] = {
        {QByteArray("abc\0", 4), "abc", "abc"},
        {QByteArray("abc"), "ab", "abc"},
        {QByteArray("\0", 1), "", ""},
        {QByteArray(), "", ""},
        {QByteArray("a\0b\0", 4), QByteArray("a\0b", 3), "a"},
        {QByteArray("\xe8\xa1\xa8\0", 4), "\xe8\xa1\xa8", QStringLiteral("表")},
    };
    for (const ReadCase& c : cases) {
        ASSERT_TRUE(TempEnvironment::writeFile(path(), c.bytes));
        const std::optional<QByteArray> display = ReadCommentForDisplay(path());
        ASSERT_TRUE(display.has_value()) << c.bytes.toHex().toStdString();
        EXPECT_EQ(*display, c.display) << c.bytes.toHex().toStdString();
        EXPECT_EQ(ReadCommentForInput(path()), c.input) << c.bytes.toHex().toStdString();
    }
}

TEST_F(CommentFileTest, MissingFileShowsNoBoxAndPrefillsNothing) {
    EXPECT_FALSE(ReadCommentForDisplay(path()).has_value());
    EXPECT_FALSE(ReadCommentForDisplay(QString()).has_value());
    EXPECT_EQ(ReadCommentForInput(path()), QString());
    EXPECT_EQ(ReadCommentForInput(QString()), QString());
}

TEST_F(CommentFileTest, ReadsAtMost64KiB) {
    QByteArray big(1 << 20, 'x');
    big.append('\0');
    ASSERT_TRUE(TempEnvironment::writeFile(path(), big));
    const std::optional<QByteArray> display = ReadCommentForDisplay(path());
    ASSERT_TRUE(display.has_value());
    EXPECT_LE(display->size(), kCommentReadMax);
    EXPECT_GT(display->size(), 0);
    EXPECT_LE(ReadCommentForInput(path()).size(), kCommentReadMax);
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
