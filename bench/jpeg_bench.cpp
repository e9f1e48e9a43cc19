// A grabbed frame written as a 4:3 JPEG picture (resampling and our writer), beside a bare
// libjpeg-turbo compression of the same pixels at quality 50, plain and synced to the disk.
#include "capture/FrameResample.h"
#include "capture/JpegWriter.h"
#include "platform/prompts/Prompts.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <jpeglib.h>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

// A bottom-up BGR frame of a gradient with noise, so the encoder has real work.
std::vector<unsigned char> MakeFrame(int width, int height) {
    const int stride = FrameStride(width, 24);
    std::vector<unsigned char> frame(static_cast<size_t>(stride) * height);
    std::mt19937 random(42);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = frame.data() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const int noise = static_cast<int>(random() % 24);
            row[3 * x] = static_cast<unsigned char>((x * 255 / width + noise) & 0xFF);
            row[3 * x + 1] = static_cast<unsigned char>((y * 255 / height + noise) & 0xFF);
            row[3 * x + 2] = static_cast<unsigned char>(((x + y) & 0xFF) ^ noise);
        }
    }
    return frame;
}

void BM_SaveFrame(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const std::vector<unsigned char> frame = MakeFrame(width, height);
    const FrameFormat format{width, height, 24, FrameStride(width, 24) * height};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.jpg"));
    SilentPrompts prompts;
    for (auto _ : state) {
        const std::optional<Picture43> picture = ResampleTo43(frame.data(), frame.size(), format);
        if (!picture || WriteJpegFile(path, picture->width, picture->height, picture->pixels.data(),
                                      prompts) != 0) {
            state.SkipWithError("write failed");
            return;
        }
        // A picture never replaces a file of its name.
        state.PauseTiming();
        QFile::remove(path);
        state.ResumeTiming();
    }
}

// The bare compression into a file, as it is (synced false) or synced to the disk as a picture
// is before it gets its name.
void BM_BareLibjpeg(benchmark::State& state, bool synced) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const std::vector<unsigned char> frame = MakeFrame(width, height);
    const std::optional<Picture43> picture =
        ResampleTo43(frame.data(), frame.size(), {width, height, 24, 0});
    if (!picture) {
        state.SkipWithError("resample failed");
        return;
    }
    const int stride = FrameStride(picture->width, 24);
    QTemporaryDir dir;
    const QByteArray path = dir.filePath(QStringLiteral("bare.jpg")).toLocal8Bit();
    std::vector<JSAMPROW> rows(static_cast<size_t>(picture->height));
    for (int y = 0; y < picture->height; ++y) {
        rows[static_cast<size_t>(y)] = const_cast<unsigned char*>(
            picture->pixels.data() + static_cast<size_t>(picture->height - 1 - y) * stride);
    }
    for (auto _ : state) {
        FILE* file = std::fopen(path.constData(), "wb");
        jpeg_compress_struct info;
        jpeg_error_mgr error;
        info.err = jpeg_std_error(&error);
        jpeg_create_compress(&info);
        jpeg_stdio_dest(&info, file);
        info.image_width = static_cast<JDIMENSION>(picture->width);
        info.image_height = static_cast<JDIMENSION>(picture->height);
        info.input_components = 3;
        info.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 50, TRUE);
        jpeg_start_compress(&info, TRUE);
        jpeg_write_scanlines(&info, rows.data(), static_cast<JDIMENSION>(rows.size()));
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        if (synced && (std::fflush(file) != 0 || fdatasync(fileno(file)) != 0)) {
            state.SkipWithError("sync failed");
        }
        std::fclose(file);
    }
}

BENCHMARK_CAPTURE(BM_BareLibjpeg, plain, false)
    ->Args({640, 480})
    ->Args({1280, 720})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BareLibjpeg, synced, true)
    ->Args({640, 480})
    ->Args({1280, 720})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveFrame)
    ->Args({640, 480})
    ->Args({1280, 720})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
