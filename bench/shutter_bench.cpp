// The shutter: from the Capture command to the picture, its settings file and the picture list
// all written, with a simulated camera of eight controls running, beside a bare libjpeg-turbo
// compression of the same frame and one replacement of a small file, in the same run. YUY2
// cameras deliver noise (videotestsrc snow); the MJPEG camera replays frames cut from a
// photograph, and its bare reference adds one full-size decode of the frame.
#include "app/CKestrelDlg.h"
#include "app/CNullDlg.h"
#include "capture/CaptureGraph.h"
#include "capture/FrameResample.h"
#include "capture/GrabbedFrameConvert.h"
#include "platform/clock/Clock.h"
#include "platform/paths/AtomicFile.h"
#include "platform/prompts/Prompts.h"
#include "support/PhotoFrames.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <jpeglib.h>
#include <memory>
#include <turbojpeg.h>
#include <unistd.h>
#include <vector>

namespace {

// A clock one second further at every reading, so every picture gets a name of its own.
class SteppingClock : public Clock {
public:
    QDateTime Now() const override {
        m_now = m_now.addSecs(1);
        return m_now;
    }

private:
    mutable QDateTime m_now = QDateTime(QDate(2026, 1, 1), QTime(0, 0));
};

// The main window started on a simulated camera of one size, its graph delivering frames.
class RunningWindow {
public:
    // range: width, height, 1 for an MJPEG camera replaying the photograph's frames.
    explicit RunningWindow(const benchmark::State& state) {
        const int width = int(state.range(0));
        const int height = int(state.range(1));
        const bool mjpeg = state.range(2) != 0;
        const QString root = m_dir.path();
        QDir().mkpath(root + QStringLiteral("/home/Desktop"));
        qputenv("HOME", (root + QStringLiteral("/home")).toLocal8Bit());
        qputenv("TMPDIR", root.toLocal8Bit());
        QDir::setCurrent(root);
        QFile cameras(root + QStringLiteral("/cameras.json"));
        if (!cameras.open(QIODevice::WriteOnly)) {
            return;
        }
        if (mjpeg && !WritePhotoJpegFolder(root + QStringLiteral("/frames"), QSize(width, height),
                                           30, nullptr)) {
            return;
        }
        cameras.write(QStringLiteral(R"([{"name": "Bench", "pattern": "snow", %4
            "controls": ["Brightness", "Contrast", "Hue", "Saturation", "Sharpness", "Gamma",
                         "WhiteBalance", "Gain"],
            "formats": [{"format": "%3", "width": %1, "height": %2}]}])")
                          .arg(width)
                          .arg(height)
                          .arg(mjpeg ? QStringLiteral("MJPG") : QStringLiteral("YUY2"))
                          .arg(mjpeg ? QStringLiteral(R"("replay": "frames",)") : QString())
                          .toUtf8());
        cameras.close();
        qputenv("VELDOR_SIMULATED_CAMERAS", cameras.fileName().toLocal8Bit());

        dlg = std::make_unique<CKestrelDlg>(m_prompts, m_clock);
        // The splash ends at once instead of after its three seconds.
        QTimer splashEnder;
        splashEnder.setInterval(10);
        QObject::connect(&splashEnder, &QTimer::timeout, [] {
            if (auto* splash = qobject_cast<CNullDlg*>(QApplication::activeModalWidget())) {
                splash->timer1().start(0);
            }
        });
        splashEnder.start();
        const bool started = dlg->OnInitDialog();
        splashEnder.stop();
        if (!started) {
            return;
        }
        dlg->m_saveFolder = root + QStringLiteral("/images");
        QDir().mkpath(dlg->m_saveFolder);
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (CaptureGraph::Instance().HasFrame()) {
                m_ready = true;
                break;
            }
        }
    }

    bool ready() const { return m_ready; }

    // The grabber's last frame as the camera sent it.
    GstSamplePtr Frame() const { return CaptureGraph::Instance().TakeFrame().sample; }

    // The grabber's last frame as the picture writer gets it, resampled to 4:3.
    std::optional<Picture43> Picture() const {
        const GstSamplePtr sample = Frame();
        if (!sample) {
            return std::nullopt;
        }
        const std::optional<GrabbedFrame> frame = FrameFromSample(sample.get());
        if (!frame) {
            return std::nullopt;
        }
        return ResampleTo43(frame->bytes.data(), frame->bytes.size(), frame->format);
    }

    void EmptyFolder() const {
        QDir folder(dlg->m_saveFolder);
        for (const QString& name : folder.entryList(QDir::Files)) {
            folder.remove(name);
        }
    }

    QString folder() const { return dlg->m_saveFolder; }

private:
    QTemporaryDir m_dir;
    SilentPrompts m_prompts;
    SteppingClock m_clock;
    bool m_ready = false;

public:
    // Last, so that the window shuts down before its folders, prompts and clock go.
    std::unique_ptr<CKestrelDlg> dlg;
};

void BM_Capture(benchmark::State& state) {
    RunningWindow window(state);
    if (!window.ready()) {
        state.SkipWithError("no camera frame");
        return;
    }
    int taken = 0;
    for (auto _ : state) {
        window.dlg->OnCapture();
        // A folder of a few hundred pictures, as a session leaves it.
        if (++taken % 300 == 0) {
            state.PauseTiming();
            window.EmptyFolder();
            state.ResumeTiming();
        }
    }
    if (window.dlg->m_strip.names().isEmpty()) {
        state.SkipWithError("no picture stored");
    }
}

// The bare compression of the frame into a file, as it is (synced false) or synced to the disk
// as a picture is before it gets its name.
void BM_BareCompression(benchmark::State& state, bool synced) {
    RunningWindow window(state);
    const std::optional<Picture43> picture = window.ready() ? window.Picture() : std::nullopt;
    if (!picture) {
        state.SkipWithError("no camera frame");
        return;
    }
    const int stride = FrameStride(picture->width, 24);
    std::vector<JSAMPROW> rows(static_cast<size_t>(picture->height));
    for (int y = 0; y < picture->height; ++y) {
        rows[static_cast<size_t>(y)] = const_cast<unsigned char*>(
            picture->pixels.data() + static_cast<size_t>(picture->height - 1 - y) * stride);
    }
    const QByteArray path = (window.folder() + QStringLiteral("/bare.jpg")).toLocal8Bit();
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

// One full-size decode of the camera's JPEG frame into 24-bit BGR with the accurate DCT, as
// TurboJPEG does it alone.
void BM_BareDecode(benchmark::State& state) {
    RunningWindow window(state);
    const GstSamplePtr sample = window.ready() ? window.Frame() : nullptr;
    GstMapInfo map{};
    if (!sample || !gst_buffer_map(gst_sample_get_buffer(sample.get()), &map, GST_MAP_READ)) {
        state.SkipWithError("no camera frame");
        return;
    }
    tjhandle decompressor = tjInitDecompress();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colours = 0;
    tjDecompressHeader3(decompressor, map.data, map.size, &width, &height, &subsampling, &colours);
    const int stride = FrameStride(width, 24);
    std::vector<unsigned char> pixels(size_t(stride) * size_t(height));
    for (auto _ : state) {
        if (tjDecompress2(decompressor, map.data, map.size, pixels.data(), width, stride, height,
                          TJPF_BGR, TJFLAG_ACCURATEDCT | TJFLAG_BOTTOMUP) != 0) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    tjDestroy(decompressor);
    gst_buffer_unmap(gst_sample_get_buffer(sample.get()), &map);
}

// One replacement of a picture's settings file, as the capture makes it.
void BM_FileReplacement(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("20260101000000.ini"));
    const QByteArray text = "[USBProperty]\ndevice=Bench\nBrightness=0/2\nContrast=32/2\n"
                            "Hue=0/2\nSaturation=64/2\nSharpness=3/2\nGamma=100/2\n"
                            "WhiteBalance=4600/1\nGain=0/2\n";
    for (auto _ : state) {
        if (!ReplaceFileAtomically(path, text)) {
            state.SkipWithError("replacement failed");
            return;
        }
    }
}

void Cameras(benchmark::internal::Benchmark* b) {
    b->Args({640, 480, 0})
        ->Args({1920, 1080, 0})
        ->Args({3840, 2160, 1})
        ->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(BM_BareCompression, plain, false)->Apply(Cameras);
BENCHMARK_CAPTURE(BM_BareCompression, synced, true)->Apply(Cameras);
BENCHMARK(BM_BareDecode)->Args({3840, 2160, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileReplacement)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Capture)->Apply(Cameras);

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
