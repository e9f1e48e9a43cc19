// A repaint of the picture area (five thumbnails and the selected picture shown large) with
// nothing new to show, and the showing of a newly selected picture, beside decoding the same
// files with bare libjpeg-turbo.
#include "app/CKestrelDlg.h"
#include "library/ImageList.h"
#include "platform/clock/Clock.h"
#include "platform/prompts/Prompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace {

// Five pictures of a microscope-like pattern (smooth shapes, some noise).
QString MakeFolder(const QTemporaryDir& dir, int width, int height) {
    const QString folder = dir.path() + QStringLiteral("/%1x%2").arg(width).arg(height);
    QDir().mkpath(folder);
    for (int i = 0; i < 5; ++i) {
        QImage image(width, height, QImage::Format_RGB888);
        for (int y = 0; y < height; ++y) {
            uchar* row = image.scanLine(y);
            for (int x = 0; x < width; ++x) {
                const int v = (x * 255 / width + y * 255 / height + i * 40) & 0xFF;
                row[3 * x] = static_cast<uchar>(v);
                row[3 * x + 1] = static_cast<uchar>((v * 7 + (x ^ y)) & 0xFF);
                row[3 * x + 2] = static_cast<uchar>(255 - v);
            }
        }
        image.save(folder + QStringLiteral("/2026120910000%1.jpg").arg(i), "JPEG", 50);
    }
    return folder;
}

bool BareDecode(const QString& path) {
    FILE* file = std::fopen(path.toLocal8Bit().constData(), "rb");
    if (!file) {
        return false;
    }
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    std::vector<unsigned char> row(static_cast<size_t>(info.output_width) * info.output_components);
    JSAMPROW rows[1] = {row.data()};
    while (info.output_scanline < info.output_height) {
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    benchmark::DoNotOptimize(row.data());
    return true;
}

// The window state of a folder of five pictures, the newest one selected.
struct Window {
    explicit Window(const QString& folder) : dlg(prompts, clock) {
        dlg.m_saveFolder = folder;
        dlg.ResetImageList();
        dlg.m_strip.SelectSlot(0);
        dlg.m_showComment = 1;
        dlg.SelectionChanged();
    }
    void Paint() {
        QPainter painter(&target);
        dlg.DrawImageArea(painter);
    }
    SilentPrompts prompts;
    SystemClock clock;
    CKestrelDlg dlg;
    QImage target{1024, 620, QImage::Format_RGB32};
};

// A repaint with nothing new to show: the pictures were decoded by an earlier one.
void BM_Repaint(benchmark::State& state) {
    QTemporaryDir dir;
    Window window(
        MakeFolder(dir, static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
    window.Paint();
    for (auto _ : state) {
        window.Paint();
    }
}

// A picture clicked in the strip: its camera settings are looked up, it is decoded for the
// large view and drawn with the strip, whose thumbnails are already decoded.
void BM_ShowNewPicture(benchmark::State& state) {
    QTemporaryDir dir;
    Window window(
        MakeFolder(dir, static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
    for (auto _ : state) {
        state.PauseTiming();
        window.dlg.ResetImageList(); // forgets every decoded picture
        window.Paint();              // the strip, decoded again
        window.dlg.m_strip.SelectSlot(0);
        state.ResumeTiming();
        window.dlg.SelectionChanged();
        window.Paint();
    }
}

// Bare libjpeg-turbo decodes of one picture at its full size.
void BM_BareDecode(benchmark::State& state) {
    QTemporaryDir dir;
    const QString folder =
        MakeFolder(dir, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const QString first = folder + QLatin1Char('/') + ReloadImageList(folder).first();
    for (auto _ : state) {
        BareDecode(first);
    }
}

void BM_BareDecodes(benchmark::State& state) {
    QTemporaryDir dir;
    const QString folder =
        MakeFolder(dir, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const QStringList names = ReloadImageList(folder);
    for (auto _ : state) {
        // The five thumbnails and the selected one once more.
        for (const QString& name : names) {
            BareDecode(folder + QLatin1Char('/') + name);
        }
        BareDecode(folder + QLatin1Char('/') + names.first());
    }
}

BENCHMARK(BM_BareDecodes)
    ->Args({640, 480})
    ->Args({1280, 960})
    ->Args({2592, 1944})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Repaint)
    ->Args({640, 480})
    ->Args({1280, 960})
    ->Args({2592, 1944})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareDecode)->Args({2592, 1944})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowNewPicture)
    ->Args({640, 480})
    ->Args({1280, 960})
    ->Args({2592, 1944})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VELDOR"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
