#include "platform/profile/Profile.h"
#include "support/TempEnvironment.h"

#include <QRandomGenerator>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// The value of write n; lengths differ from one n to the next, so a file cut short or mixed
// from two writes is the file of no n.
QByteArray ValueOf(int n) {
    return QByteArray::number(n) + ':' + QByteArray(n * 397 % 3000, char('a' + n % 26)) + ":end";
}

// The whole file after write n.
QByteArray FileAfter(int n) {
    return "; kept\r\n[CAPTURE]\r\nSave_Folder=/home/u/pictures\r\n[Run]\r\nvalue=" + ValueOf(n) +
           "\r\n[Orvane Q7]\r\nWidth=640\r\n";
}

// The n whose file this is; nothing for any other text.
std::optional<int> WriteNumber(const QByteArray& text) {
    const qsizetype start = text.indexOf("value=");
    const qsizetype colon = text.indexOf(':', start);
    bool ok = false;
    const int n = start < 0 || colon < 0 ? 0 : text.mid(start + 6, colon - start - 6).toInt(&ok);
    return ok && text == FileAfter(n) ? std::optional<int>(n) : std::nullopt;
}

// A child writes the settings file over and over and is killed at a random moment, a few
// hundred times: every time the file must be the one of its last or of its next write.
TEST(ProfileKillTest, KilledWriterLeavesTheOldOrTheNewFileNeverAPart) {
    TempEnvironment env;
    ASSERT_TRUE(env.ok());
    const QString path = env.iniFile();
    ASSERT_TRUE(TempEnvironment::writeFile(path, FileAfter(0)));

    int last = 0;
    int laterKills = 0;
    for (int round = 0; round < 300; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(ready[0]);
            for (int n = last + 1;; ++n) {
                if (!WritePrivateProfileString(QStringLiteral("Run"), QStringLiteral("value"),
                                               QString::fromLatin1(ValueOf(n)), path)) {
                    _exit(1);
                }
                if (n == last + 1 && write(ready[1], "w", 1) != 1) {
                    _exit(2);
                }
            }
        }
        close(ready[1]);
        // The first write is done; the kill comes at a random point of one of the next ones.
        pollfd fd{ready[0], POLLIN, 0};
        char byte = 0;
        const bool started = poll(&fd, 1, 10000) == 1 && read(ready[0], &byte, 1) == 1;
        // Not a wait for a state: the random delay is what picks the moment of the kill.
        std::this_thread::sleep_for(
            std::chrono::microseconds(QRandomGenerator::global()->bounded(3000)));
        kill(pid, SIGKILL);
        close(ready[0]);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(started) << "the writer never finished its first write";
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: a write failed";

        const QByteArray text = TempEnvironment::readFile(path);
        const std::optional<int> n = WriteNumber(text);
        ASSERT_TRUE(n.has_value()) << "round " << round << ": the file is no whole write:\n"
                                   << text.left(300).toStdString();
        ASSERT_GT(*n, last) << "round " << round;
        laterKills += *n > last + 1;
        last = *n;
    }
    // Not every kill came right after the first write of its round.
    EXPECT_GT(laterKills, 0);
}

} // namespace
