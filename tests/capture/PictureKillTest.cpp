#include "capture/FrameResample.h"
#include "capture/JpegWriter.h"
#include "platform/paths/TimeStampedName.h"
#include "platform/prompts/Prompts.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A child takes pictures one after another under the program's time-stamped names and is
// killed at a random moment, a few hundred times. Afterwards the folder holds only pictures,
// each whole to its end marker: nothing cut, nothing half-named.
TEST(PictureKillTest, KilledWriterLeavesOnlyWholePictures) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Noise: about 100 KB a picture, so that a kill most often lands inside a write.
    constexpr int kWidth = 640;
    constexpr int kHeight = 480;
    std::vector<unsigned char> pixels(size_t(FrameStride(kWidth, 24)) * kHeight);
    std::mt19937 random(7);
    for (unsigned char& byte : pixels) {
        byte = static_cast<unsigned char>(random());
    }

    constexpr int kRounds = 200;
    qint64 writeNs = 0;
    for (int round = 0; round < kRounds; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(ready[0]);
            SilentPrompts prompts;
            for (bool first = true;; first = false) {
                QElapsedTimer clock;
                clock.start();
                const std::optional<QString> path = TimeStampedPath(
                    dir.path(), QDateTime::currentDateTime(), QStringLiteral(".jpg"));
                if (!path || WriteJpegFile(*path, kWidth, kHeight, pixels.data(), prompts) != 0) {
                    _exit(1);
                }
                const qint64 took = clock.nsecsElapsed();
                if (first && write(ready[1], &took, sizeof took) != sizeof took) {
                    _exit(2);
                }
            }
        }
        close(ready[1]);
        // One picture is written; the kill comes within the next few.
        pollfd fd{ready[0], POLLIN, 0};
        const bool started =
            poll(&fd, 1, 20000) == 1 && read(ready[0], &writeNs, sizeof writeNs) == sizeof writeNs;
        // Not a wait for a state: the random delay is what picks the moment of the kill.
        if (started) {
            std::this_thread::sleep_for(std::chrono::nanoseconds(
                QRandomGenerator::global()->bounded(std::max<qint64>(2 * writeNs, 1))));
        }
        kill(pid, SIGKILL);
        close(ready[0]);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(started) << "the writer never finished its first picture";
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: a write failed";
    }

    const QStringList entries =
        QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    ASSERT_GE(entries.size(), kRounds);
    for (const QString& name : entries) {
        ASSERT_TRUE(name.endsWith(QLatin1String(".jpg"))) << name.toStdString();
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = file.readAll();
        ASSERT_TRUE(bytes.endsWith("\xFF\xD9")) << name.toStdString() << " is cut";
        const QImage image = QImage::fromData(bytes, "JPEG");
        ASSERT_EQ(image.size(), QSize(kWidth, kHeight)) << name.toStdString();
    }
}

} // namespace
