#include "movie/AviRepair.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "movie/MovieFolderRepair.h"
#include "support/AviFile.h"
#include "support/ChildProcess.h"
#include "support/ScriptedPrompts.h"
#include "support/TempEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <jpeglib.h>

namespace {

const char* const kCameras = R"([
  {"name": "Raw Cam", "pattern": "ball", "formats": [{"format": "YUY2", "width": 320, "height": 240}]},
  {"name": "Jpeg Cam", "pattern": "smpte", "formats": [{"format": "MJPG", "width": 320, "height": 240}]},
  {"name": "Big Cam", "pattern": "black",
   "formats": [{"format": "YUY2", "width": 1920, "height": 1080, "framerate": 60}]}
])";
enum Camera { kRaw = 0, kJpeg = 1, kBig = 2 };
constexpr qint64 kGiB = qint64(1) << 30;

// Where the recording child writes, handed over in the environment.
constexpr const char* kMovieVariable = "VELDOR_TEST_MOVIE";

struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int warnings = 0;
};

// Whether data is one JPEG picture of size, decoded to its end without a warning (a cut picture
// warns of its premature end).
bool DecodesWhole(const QByteArray& data, QSize size) {
    jpeg_decompress_struct info{};
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<JpegErrors*>(c->err)->jump, 1);
    };
    errors.pub.emit_message = [](j_common_ptr c, int level) {
        reinterpret_cast<JpegErrors*>(c->err)->warnings += level < 0;
    };
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    std::vector<unsigned char> row(size_t(info.output_width) * info.output_components);
    JSAMPROW rows[1] = {row.data()};
    while (info.output_scanline < info.output_height) {
        jpeg_read_scanlines(&info, rows, 1);
    }
    const bool right =
        int(info.output_width) == size.width() && int(info.output_height) == size.height();
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return right && errors.warnings == 0;
}

// The bytes of a movie made by another writer: a recording's first bytes with its format
// changed, so that it looks cut short too.
QByteArray Foreign(QByteArray movie) {
    for (qsizetype at = movie.indexOf("MJPG"); at >= 0 && at < 1024; at = movie.indexOf("MJPG")) {
        movie.replace(at, 4, "XVID");
    }
    qToLittleEndian<quint32>(200, movie.data() + 4);
    return movie;
}

// The state avimux leaves a movie in until its recording ends: the headers it wrote at the
// start (the first RIFF and its "movi" list just covering the list's type, no frame counted,
// no super index) and no index after the frames.
QByteArray CutShort(const QByteArray& complete) {
    QByteArray movie = complete.left(complete.lastIndexOf("idx1"));
    const qsizetype movi = movie.indexOf("movi") - 8;
    const qsizetype avih = movie.indexOf("avih") + 8;
    const qsizetype strh = movie.indexOf("strh") + 8;
    const qsizetype dmlh = movie.indexOf("dmlh") + 8;
    auto put = [&movie](qsizetype at, quint32 value) { qToLittleEndian(value, movie.data() + at); };
    put(4, quint32(movi + 12 - 8));
    put(movi + 4, 4);
    put(avih + 4, 10000000);
    put(avih + 12, 0);
    put(avih + 16, 0);
    put(strh + 32, 0);
    put(strh + 36, 0);
    put(dmlh, 0);
    return movie;
}

// After repair: every frame is whole, every index names exactly the frames, and a player
// plays them all.
void ExpectRepaired(const QString& path, int camera) {
    const QSize size = camera == kBig ? QSize(1920, 1080) : QSize(320, 240);
    const std::optional<AviFile> avi = ReadAviFile(path);
    ASSERT_TRUE(avi);
    EXPECT_FALSE(avi->truncated);
    EXPECT_EQ(avi->compression, QByteArray(camera == kJpeg ? "MJPG" : "YUY2"));
    EXPECT_EQ(avi->size, size);
    const int frames = int(avi->frames.size());
    ASSERT_GT(frames, 0);
    EXPECT_EQ(int(avi->streamLength), frames);
    EXPECT_EQ(int(avi->odmlFrames), frames);

    QList<AviChunk> first = avi->frames;
    if (camera == kBig) {
        // Past 1 GiB: "AVIX" parts, each with its standard index, found by the super index.
        EXPECT_GE(avi->riffChunks, 2);
        EXPECT_EQ(avi->standardIndex, avi->frames);
        ASSERT_EQ(avi->superIndex.size(), avi->standardIndexAt.size());
        quint32 indexed = 0;
        for (qsizetype i = 0; i < avi->superIndex.size(); ++i) {
            EXPECT_EQ(avi->superIndex[i].at, avi->standardIndexAt[i]);
            indexed += avi->superIndex[i].frames;
        }
        EXPECT_EQ(int(indexed), frames);
        first = first.mid(0, avi->superIndex.isEmpty() ? 0 : avi->superIndex[0].frames);
    } else {
        EXPECT_EQ(avi->riffChunks, 1);
        EXPECT_TRUE(avi->superIndex.isEmpty());
    }
    EXPECT_EQ(avi->idx1, first);
    EXPECT_EQ(int(avi->avihFrames), first.size());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const uchar* data = file.map(0, file.size());
    ASSERT_TRUE(data);
    for (const AviChunk& frame : avi->frames) {
        if (camera == kJpeg) {
            const QByteArray jpeg(reinterpret_cast<const char*>(data + frame.at + 8), frame.size);
            ASSERT_TRUE(DecodesWhole(jpeg, size)) << "frame at " << frame.at;
        } else {
            ASSERT_EQ(frame.size, quint32(size.width() * size.height() * 2));
        }
    }
    const std::optional<DecodedMovie> decoded = DecodeMovie(path);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->frames, frames);
    EXPECT_EQ(decoded->size, size);
}

// The recording half of each test runs in a child, which is killed: it leaves nothing of its own
// behind and takes the cameras and the movie's path from the parent's environment.
class AviRepairTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (InTestChild()) {
            return;
        }
        env = std::make_unique<TempEnvironment>();
        ASSERT_TRUE(env->ok());
        const QString file = env->root() + QStringLiteral("/cameras.json");
        ASSERT_TRUE(TempEnvironment::writeFile(file, kCameras));
        env->set("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
    }

    // In the child: records with the camera into the file the parent named and kills itself,
    // without warning, once the file holds at least bytes.
    static void RecordAndDie(int camera, qint64 bytes) {
        const QString path = QFile::decodeName(qgetenv(kMovieVariable));
        ScriptedPrompts prompts;
        CaptureGraph::Instance().Reset();
        CaptureGraph::Instance().SetPrompts(&prompts);
        QFrame owner;
        owner.setGeometry(0, 0, 642, 482);
        auto* output = new VideoOutput(&owner);
        owner.show();
        int width = 0;
        int height = 0;
        ASSERT_EQ(
            StartMovieVideo(camera, output, &width, &height, QFile::encodeName(path).constData()),
            1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(path).size() >= bytes; }, 40000))
            << "the movie reached " << QFileInfo(path).size() << " bytes";
        std::raise(SIGKILL);
    }

    // Runs this test's child, which records into path and is killed; true when it was.
    bool RecordInChildUntilKilled(const QString& path) {
        QFile::remove(path);
        env->set(kMovieVariable, QFile::encodeName(path));
        const ChildResult child = RunTestInChild(std::nullopt, 55000);
        EXPECT_EQ(child.signal, SIGKILL) << child.output.toStdString();
        return child.signal == SIGKILL && QFileInfo(path).size() > 0;
    }

    std::unique_ptr<TempEnvironment> env;
};

// A recording killed at a random moment, twice: its file is found cut short and repaired from
// the frames it holds.
TEST_P(AviRepairTest, RecordingKilledAtRandomIsRepairedFromItsFrames) {
    const int camera = GetParam();
    if (InTestChild()) {
        // From the first bytes of the first frame to a dozen frames: a YUY2 frame is 153 600
        // bytes, a JPEG one about 12 000.
        RecordAndDie(camera,
                     792 + 8 +
                         QRandomGenerator::global()->bounded(camera == kRaw ? 1 << 21 : 1 << 18));
        return;
    }
    const QString path = env->root() + QStringLiteral("/movie.avi");
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(RecordInChildUntilKilled(path));
        const std::optional<AviFile> killed = ReadAviFile(path);
        ASSERT_TRUE(killed);
        EXPECT_EQ(killed->avihFrames, 0u);
        EXPECT_EQ(RepairAviFile(path), AviRepairResult::Repaired);
        ExpectRepaired(path, camera);
        // Repaired is complete.
        const QByteArray repaired = TempEnvironment::readFile(path);
        EXPECT_EQ(RepairAviFile(path), AviRepairResult::Complete);
        EXPECT_EQ(TempEnvironment::readFile(path), repaired);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, AviRepairTest, ::testing::Values(int(kRaw), int(kJpeg)),
                         [](const auto& info) {
                             return std::string(info.param == kRaw ? "Yuy2" : "Mjpg");
                         });

class AviRepairLargeTest : public AviRepairTest {};

// Killed past 1 GiB, in its second RIFF part: the first part is kept as it was ended, the second
// gets its index, and the super index and headers cover both.
TEST_P(AviRepairLargeTest, RecordingKilledPastOneGibibyteIsRepaired) {
    if (InTestChild()) {
        RecordAndDie(kBig, kGiB + 8 * 1024 * 1024 +
                               QRandomGenerator::global()->bounded(64 * 1024 * 1024));
        return;
    }
    struct statvfs disk {};
    if (statvfs(QFile::encodeName(env->root()).constData(), &disk) != 0 ||
        qint64(disk.f_bavail) * qint64(disk.f_frsize) < 3 * kGiB) {
        GTEST_SKIP() << "less than 3 GiB free for a movie past 1 GiB";
    }
    const QString path = env->root() + QStringLiteral("/large.avi");
    ASSERT_TRUE(RecordInChildUntilKilled(path));
    EXPECT_EQ(RepairAviFile(path), AviRepairResult::Repaired);
    ExpectRepaired(path, kBig);
}

INSTANTIATE_TEST_SUITE_P(Large, AviRepairLargeTest, ::testing::Values(int(kBig)),
                         [](const auto&) { return std::string("Yuy2"); });

// A folder's movies: only one of the program's that was cut short is repaired, and then byte for
// byte as the recording's own end would have written it. One without a whole frame goes, as a
// movie stopped before its first frame does. A complete movie and everything that is not the
// program's (even cut short, even a FIFO) stay as they are.
TEST(MovieFolderRepairTest, RepairsOnlyTheProgramsMoviesCutShort) {
    TempEnvironment env;
    ASSERT_TRUE(env.ok());
    const QString cameras = env.root() + QStringLiteral("/cameras.json");
    ASSERT_TRUE(TempEnvironment::writeFile(cameras, kCameras));
    env.set("VELDOR_SIMULATED_CAMERAS", cameras.toLocal8Bit());
    const QString folder = env.root() + QStringLiteral("/movies");
    const QString complete = folder + QStringLiteral("/complete.avi");
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        ScriptedPrompts prompts;
        CaptureGraph::Instance().Reset();
        CaptureGraph::Instance().SetPrompts(&prompts);
        QFrame owner;
        owner.setGeometry(0, 0, 642, 482);
        auto* output = new VideoOutput(&owner);
        owner.show();
        int width = 0;
        int height = 0;
        ASSERT_EQ(StartMovieVideo(kJpeg, output, &width, &height,
                                  QFile::encodeName(complete).constData()),
                  1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(complete).size() > 100000; }, 20000));
        ReleaseGraph();
        CaptureGraph::Instance().SetPrompts(nullptr);
    }
    const QByteArray whole = TempEnvironment::readFile(complete);
    const qsizetype frames = ReadAviFile(complete)->frames.size();
    ASSERT_GT(frames, 2);
    ASSERT_EQ(ReadAviFile(complete)->avihFrames, quint32(frames));

    const QByteArray cut = CutShort(whole);
    const QByteArray headerOnly = cut.left(cut.indexOf("movi") + 4);
    const QList<std::pair<QString, QByteArray>> kept = {
        {QStringLiteral("complete.avi"), whole},
        {QStringLiteral("other writer.AVI"), Foreign(cut)},
        {QStringLiteral("sound.avi"),
         QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) + QByteArray(28, '\1')},
        {QStringLiteral("notes.avi"), "not a movie"}};
    for (const auto& [name, bytes] : kept) {
        ASSERT_TRUE(TempEnvironment::writeFile(folder + '/' + name, bytes));
    }
    ASSERT_TRUE(TempEnvironment::writeFile(folder + QStringLiteral("/cut.avi"), cut));
    // Its last frame cut, or its end never written (as a power cut can leave a file).
    QByteArray zeroed = cut;
    zeroed.replace(zeroed.size() - 100, 100, QByteArray(100, '\0'));
    ASSERT_TRUE(TempEnvironment::writeFile(folder + QStringLiteral("/cut in a frame.avi"),
                                           cut.left(cut.size() - 100)));
    ASSERT_TRUE(TempEnvironment::writeFile(folder + QStringLiteral("/zeroed.avi"), zeroed));
    ASSERT_TRUE(TempEnvironment::writeFile(folder + QStringLiteral("/empty.avi"), headerOnly));
    ASSERT_EQ(mkfifo(QFile::encodeName(folder + QStringLiteral("/pipe.avi")).constData(), 0600), 0);

    ScriptedPrompts prompts;
    RepairMovieFolder(folder, prompts, 2);
    EXPECT_EQ(prompts.messages,
              QStringList{QStringLiteral("These movies were not completed when their recording "
                                         "ended (the program or the computer stopped) and have "
                                         "been repaired:\n%1/cut in a frame.avi\n%1/cut.avi\n"
                                         "%1/zeroed.avi")
                              .arg(folder)});
    EXPECT_EQ(TempEnvironment::readFile(folder + QStringLiteral("/cut.avi")), whole);
    for (const char* name : {"/cut in a frame.avi", "/zeroed.avi"}) {
        const QString path = folder + QLatin1String(name);
        ExpectRepaired(path, kJpeg);
        EXPECT_EQ(ReadAviFile(path)->frames, ReadAviFile(complete)->frames.mid(0, frames - 1))
            << name;
    }
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/empty.avi")));
    for (const auto& [name, bytes] : kept) {
        EXPECT_EQ(TempEnvironment::readFile(folder + '/' + name), bytes) << name.toStdString();
    }
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/pipe.avi")).exists());
}

} // namespace
