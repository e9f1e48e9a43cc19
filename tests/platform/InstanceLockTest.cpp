#include "platform/instance/InstanceLock.h"
#include "support/TempEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kTitle = QStringLiteral("VELDOR - v1.0b7");

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(env.ok()); }
    TempEnvironment env;
};

TEST_F(InstanceLockTest, SecondLockOnAnEqualTitleFindsTheFirst) {
    InstanceLock first;
    ASSERT_FALSE(first.OtherInstanceRuns(kTitle));
    EXPECT_TRUE(first.Held());
    EXPECT_TRUE(QFileInfo(InstanceLock::LockPath(kTitle)).absolutePath() ==
                QFileInfo(env.runtime()).absoluteFilePath())
        << "the lock belongs in the user's runtime folder";

    for (const QString& title :
         {kTitle, QStringLiteral("veldor - V1.0B7"), QStringLiteral("VELDOR - V1.0B7")}) {
        InstanceLock second;
        EXPECT_TRUE(second.OtherInstanceRuns(title)) << title.toStdString();
        EXPECT_FALSE(second.Held());
    }
    EXPECT_TRUE(first.Held()) << "a refused second start must not break the first's lock";
}

TEST_F(InstanceLockTest, AnotherTitleRunsSideBySide) {
    InstanceLock first;
    ASSERT_FALSE(first.OtherInstanceRuns(kTitle));
    InstanceLock other;
    EXPECT_FALSE(other.OtherInstanceRuns(QStringLiteral("VELDOR2 - v1.0b7")));
    EXPECT_TRUE(other.Held());
}

TEST_F(InstanceLockTest, EndedInstanceFreesTheTitle) {
    {
        InstanceLock first;
        ASSERT_FALSE(first.OtherInstanceRuns(kTitle));
    }
    InstanceLock next;
    EXPECT_FALSE(next.OtherInstanceRuns(kTitle));
    EXPECT_TRUE(next.Held());
}

TEST_F(InstanceLockTest, LockOfACrashedProcessDoesNotRefuseTheNextStart) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The child takes the lock and dies without unlocking, as a crash would.
        InstanceLock lock;
        _exit(lock.OtherInstanceRuns(kTitle) ? 2 : lock.Held() ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the child could not take the lock";
    ASSERT_TRUE(QFile::exists(InstanceLock::LockPath(kTitle))) << "the child left no lock file";

    InstanceLock next;
    EXPECT_FALSE(next.OtherInstanceRuns(kTitle));
    EXPECT_TRUE(next.Held());
}

TEST_F(InstanceLockTest, UnusableRuntimeFolderFallsBackToTheTemporaryFolder) {
    const QStringList folders = {env.root() + QStringLiteral("/no-such-runtime"), env.temp()};
    InstanceLock first(folders);
    ASSERT_FALSE(first.OtherInstanceRuns(kTitle));
    EXPECT_TRUE(first.Held());
    EXPECT_TRUE(QFile::exists(InstanceLock::LockPath(kTitle, env.temp())));
    InstanceLock second(folders);
    EXPECT_TRUE(second.OtherInstanceRuns(kTitle)) << "a second copy must not run unnoticed";
}

} // namespace
