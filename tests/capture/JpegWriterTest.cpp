#include "capture/JpegWriter.h"
#include "capture/FrameResample.h"
#include "support/ChildProcess.h"
#include "support/ScriptedPrompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <string>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>

namespace {

const QString kFailed = QStringLiteral("ERROR: save file failed!");

// A 24-bit BGR picture laid out as the grabber delivers it: padded rows, bottom row first.
struct BottomUpPicture {
    BottomUpPicture(int w, int h) : width(w), height(h), stride(FrameStride(w, 24)) {
        pixels.assign(size_t(stride) * h, 0);
    }
    // Row y counted from the top of the picture.
    void Set(int x, int y, unsigned char r, unsigned char g, unsigned char b) {
        unsigned char* p = pixels.data() + size_t(height - 1 - y) * stride + size_t(x) * 3;
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
    int width;
    int height;
    int stride;
    std::vector<unsigned char> pixels;
};

// The straightforward encoder: one swapped RGB row per call. The writer must produce exactly its
// bytes.
std::vector<unsigned char> ReferenceJpeg(const BottomUpPicture& picture) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = JDIMENSION(picture.width);
    cinfo.image_height = JDIMENSION(picture.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 50, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(picture.width) * 3);
    const unsigned char* input =
        picture.pixels.data() + size_t(picture.height - 1) * picture.stride;
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < picture.width; ++x) {
            row[3 * x] = input[3 * x + 2];
            row[3 * x + 1] = input[3 * x + 1];
            row[3 * x + 2] = input[3 * x];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
        input -= picture.stride;
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<unsigned char> bytes(out, out + outSize);
    std::free(out);
    return bytes;
}

std::vector<unsigned char> FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray data = file.readAll();
    return {data.begin(), data.end()};
}

class JpegWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    ScriptedPrompts prompts;
};

struct Size {
    int width;
    int height;
};

class JpegWriterSizeTest : public JpegWriterTest, public ::testing::WithParamInterface<Size> {};
// Colour bands need rows enough for the encoder's 2 x 2 chroma blocks not to mix them.
class JpegWriterBandTest : public JpegWriterTest, public ::testing::WithParamInterface<Size> {};

// Red, green and blue bands from top to bottom, so both the row order and the channel order show.
TEST_P(JpegWriterBandTest, DecodesTopRowFirstInRedGreenBlueOrder) {
    const Size size = GetParam();
    BottomUpPicture picture(size.width, size.height);
    const int band = size.height / 3;
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            if (y < band) {
                picture.Set(x, y, 255, 0, 0);
            } else if (y < 2 * band) {
                picture.Set(x, y, 0, 255, 0);
            } else {
                picture.Set(x, y, 0, 0, 255);
            }
        }
    }
    const QString path = Path(QStringLiteral("bands.jpg"));
    ASSERT_EQ(WriteJpegFile(path, size.width, size.height, picture.pixels.data(), prompts), 0);
    EXPECT_TRUE(prompts.messages.isEmpty());

    QImageReader reader(path);
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    ASSERT_EQ(image.size(), QSize(size.width, size.height));

    struct Probe {
        int y;
        QColor colour;
    };
    const Probe probes[] = {{band / 2, Qt::red},
                            {band + band / 2, Qt::green},
                            {(2 * band + size.height) / 2, Qt::blue},
                            {size.height - 1, Qt::blue}};
    for (const Probe& probe : probes) {
        for (int x : {0, size.width / 2, size.width - 1}) {
            const QColor got = image.pixelColor(x, probe.y);
            const QColor want = probe.colour;
            EXPECT_NEAR(got.red(), want.red(), 60) << "at " << x << "," << probe.y;
            EXPECT_NEAR(got.green(), want.green(), 60) << "at " << x << "," << probe.y;
            EXPECT_NEAR(got.blue(), want.blue(), 60) << "at " << x << "," << probe.y;
        }
    }
}

TEST_P(JpegWriterSizeTest, WritesTheBytesOfTheRowSwappingEncoder) {
    const Size size = GetParam();
    BottomUpPicture picture(size.width, size.height);
    // Padding bytes are random too: the encoder must not read them as pixels.
    std::mt19937 random(size.width * 7919 + size.height);
    for (unsigned char& byte : picture.pixels) {
        byte = static_cast<unsigned char>(random());
    }
    const QString path = Path(QStringLiteral("random.jpg"));
    ASSERT_EQ(WriteJpegFile(path, size.width, size.height, picture.pixels.data(), prompts), 0);
    const std::vector<unsigned char> written = FileBytes(path);
    const std::vector<unsigned char> reference = ReferenceJpeg(picture);
    ASSERT_FALSE(reference.empty());
    EXPECT_EQ(written.size(), reference.size());
    EXPECT_TRUE(written == reference);
}

INSTANTIATE_TEST_SUITE_P(Sizes, JpegWriterBandTest,
                         ::testing::Values(Size{640, 480}, Size{642, 481}, Size{1280, 960},
                                           Size{33, 51}),
                         [](const auto& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });
INSTANTIATE_TEST_SUITE_P(Sizes, JpegWriterSizeTest,
                         ::testing::Values(Size{640, 480}, Size{642, 481}, Size{1280, 960},
                                           Size{33, 51}, Size{18, 3}, Size{17, 13}),
                         [](const auto& info) { return std::to_string(info.index); });

TEST_F(JpegWriterTest, OneByOnePictureMatchesTheReference) {
    BottomUpPicture picture(1, 1);
    picture.Set(0, 0, 10, 200, 30);
    const QString path = Path(QStringLiteral("dot.jpg"));
    ASSERT_EQ(WriteJpegFile(path, 1, 1, picture.pixels.data(), prompts), 0);
    EXPECT_TRUE(FileBytes(path) == ReferenceJpeg(picture));
}

class JpegWriterUnwritableTest : public JpegWriterTest,
                                 public ::testing::WithParamInterface<const char*> {};

// Under a regular file nothing can be created, whoever runs the test (root included).
TEST_P(JpegWriterUnwritableTest, ShowsTheMessageOnceAndLeavesNoFile) {
    QFile blocker(Path(QStringLiteral("file.txt")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = Path(QString::fromUtf8(GetParam()));
    BottomUpPicture picture(16, 12);
    EXPECT_EQ(WriteJpegFile(path, 16, 12, picture.pixels.data(), prompts), -1);
    EXPECT_EQ(prompts.messages, QStringList{kFailed});
    EXPECT_FALSE(QFileInfo(path).isFile());
}

INSTANTIATE_TEST_SUITE_P(Paths, JpegWriterUnwritableTest,
                         ::testing::Values("file.txt/pic.jpg", "missing/pic.jpg", ""),
                         [](const auto& info) { return std::to_string(info.index); });

class JpegWriterDiskFullTest : public JpegWriterTest, public ::testing::WithParamInterface<Size> {};

// No file of the child may grow past 256 bytes: a small picture fails only at the final flush,
// a large one while its data is being written. Neither leaves a file, named or not.
TEST_P(JpegWriterDiskFullTest, LeavesNoFile) {
    if (!InTestChild()) {
        const ChildResult child = RunTestInChild(256);
        EXPECT_TRUE(child.Passed()) << child.output.toStdString();
        return;
    }
    const Size size = GetParam();
    const QString path = Path(QStringLiteral("pic.jpg"));
    BottomUpPicture picture(size.width, size.height);
    std::mt19937 random(1);
    for (unsigned char& byte : picture.pixels) {
        byte = static_cast<unsigned char>(random());
    }
    EXPECT_EQ(WriteJpegFile(path, size.width, size.height, picture.pixels.data(), prompts), -1);
    EXPECT_EQ(prompts.messages, QStringList{kFailed});
    EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

INSTANTIATE_TEST_SUITE_P(Sizes, JpegWriterDiskFullTest,
                         ::testing::Values(Size{8, 8}, Size{640, 480}),
                         [](const auto& info) { return std::to_string(info.index); });

struct BadSize {
    const char* name;
    int width;
    int height;
};

class JpegWriterBadSizeTest : public JpegWriterTest,
                              public ::testing::WithParamInterface<BadSize> {};

// Sizes libjpeg refuses reach its error exit; the process survives and no file is left.
TEST_P(JpegWriterBadSizeTest, FailsWithoutEndingTheProcess) {
    const BadSize c = GetParam();
    const QString path = Path(QStringLiteral("bad.jpg"));
    std::vector<unsigned char> pixels(size_t(70000) * 3 * 2, 0x80);
    EXPECT_EQ(WriteJpegFile(path, c.width, c.height, pixels.data(), prompts), -1) << c.name;
    EXPECT_EQ(prompts.messages, QStringList{kFailed}) << c.name;
    EXPECT_FALSE(QFileInfo::exists(path)) << c.name;

    // The writer is still usable afterwards.
    prompts.messages.clear();
    EXPECT_EQ(WriteJpegFile(path, 2, 2, pixels.data(), prompts), 0);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_FALSE(QImage(path).isNull());
}

INSTANTIATE_TEST_SUITE_P(Sizes, JpegWriterBadSizeTest,
                         ::testing::Values(BadSize{"zero width", 0, 16},
                                           BadSize{"zero height", 16, 0},
                                           BadSize{"wider than JPEG allows", 70000, 2},
                                           BadSize{"negative width", -16, 16},
                                           BadSize{"negative height", 16, -16}),
                         [](const auto& info) { return std::to_string(info.index); });

// A picture's name is never taken from a file that has it, whatever the file is.
TEST_F(JpegWriterTest, KeepsTheFileThatHasTheName) {
    const QString path = Path(QStringLiteral("old.jpg"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), Path(QStringLiteral("link.jpg"))));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();
    BottomUpPicture picture(16, 12);
    for (const QString& name : {path, Path(QStringLiteral("link.jpg"))}) {
        EXPECT_EQ(WriteJpegFile(name, 16, 12, picture.pixels.data(), prompts), -1);
    }
    EXPECT_EQ(prompts.messages, (QStringList{kFailed, kFailed}));
    EXPECT_EQ(FileBytes(path), std::vector<unsigned char>(100000, 'x'));
    EXPECT_EQ(QFileInfo(Path(QStringLiteral("link.jpg"))).symLinkTarget(),
              QStringLiteral("/dev/null"));
    EXPECT_EQ(QDir(dir.path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              (QStringList{"link.jpg", "old.jpg"}));
}

} // namespace
