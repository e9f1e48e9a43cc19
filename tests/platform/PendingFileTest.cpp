#include "platform/paths/PendingFile.h"
#include "support/TempEnvironment.h"

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class PendingFileTest : public ::testing::TestWithParam<PendingFile::Kind> {
protected:
    QStringList Entries() const {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    static bool Write(PendingFile& file, const QByteArray& bytes) {
        return file.IsOpen() &&
               ::write(file.Descriptor(), bytes.constData(), bytes.size()) == ssize_t(bytes.size());
    }
    QTemporaryDir dir;
};

// Whichever way the file waits for its name: it gets it only when published, never takes it
// from a file that has it, and leaves nothing behind otherwise.
TEST_P(PendingFileTest, NamedWhenPublishedNeverOverAFileNothingLeftOtherwise) {
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("a.jpg"));
    {
        PendingFile discarded(path, GetParam());
        ASSERT_TRUE(Write(discarded, "never named"));
        EXPECT_EQ(discarded.kind(), GetParam());
    }
    EXPECT_TRUE(Entries().isEmpty()) << Entries().join(u' ').toStdString();

    PendingFile first(path, GetParam());
    ASSERT_TRUE(Write(first, "first"));
    EXPECT_FALSE(QFileInfo::exists(path));
    ASSERT_TRUE(first.Publish());
    EXPECT_EQ(TempEnvironment::readFile(path), QByteArray("first"));

    PendingFile second(path, GetParam());
    ASSERT_TRUE(Write(second, "second"));
    EXPECT_FALSE(second.Publish());
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(TempEnvironment::readFile(path), QByteArray("first"));
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("a.jpg")});
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PendingFileTest,
    ::testing::Values(PendingFile::Kind::Unnamed, PendingFile::Kind::Temporary),
    [](const auto& info) {
        return std::string(info.param == PendingFile::Kind::Unnamed ? "Unnamed" : "Temporary");
    });

} // namespace
