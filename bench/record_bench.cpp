// Recording from simulated cameras: frames the camera delivered after the 2 s start time
// against frames in the AVI file, and the process's CPU time while recording beside the live
// view alone in the same run. Each camera records 60 s (VELDOR_RECORD_SECONDS changes it).
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "support/AviFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void RunFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop; CPU seconds used per wall second.
double CpuPerSecond(double seconds) {
    QElapsedTimer wall;
    const double cpuStart = ProcessCpuSeconds();
    wall.start();
    RunFor(seconds);
    return (ProcessCpuSeconds() - cpuStart) / (wall.elapsed() / 1000.0);
}

double RecordSeconds() {
    bool ok = false;
    const double seconds = qEnvironmentVariable("VELDOR_RECORD_SECONDS").toDouble(&ok);
    return ok && seconds > 0 ? seconds : 60.0;
}

// Frames leaving the camera once the pipeline's running time has passed the start time.
struct Delivered {
    std::atomic<int> frames{0};
    static GstPadProbeReturn Count(GstPad* pad, GstPadProbeInfo*, gpointer data) {
        GstElement* element = gst_pad_get_parent_element(pad);
        const GstClockTime now = gst_element_get_current_running_time(element);
        gst_object_unref(element);
        if (GST_CLOCK_TIME_IS_VALID(now) && now >= 2 * GST_SECOND) {
            ++static_cast<Delivered*>(data)->frames;
        }
        return GST_PAD_PROBE_OK;
    }
};

const char* const kCameras[] = {
    R"([{"name": "Bench MJPG", "pattern": "ball",
        "formats": [{"format": "MJPG", "width": 1280, "height": 720, "framerate": 30}]}])",
    R"([{"name": "Bench YUY2", "pattern": "ball",
        "formats": [{"format": "YUY2", "width": 640, "height": 480, "framerate": 30}]}])",
};

void BM_Record(benchmark::State& state) {
    QTemporaryDir dir;
    const QString cameras = dir.path() + QStringLiteral("/cameras.json");
    QFile out(cameras);
    if (!out.open(QIODevice::WriteOnly) || out.write(kCameras[state.range(0)]) < 0) {
        state.SkipWithError("camera file");
        return;
    }
    out.close();
    qputenv("VELDOR_SIMULATED_CAMERAS", cameras.toLocal8Bit());
    QFrame owner;
    owner.setGeometry(0, 0, 642, 482);
    auto* output = new VideoOutput(&owner);
    owner.show();
    CaptureGraph& g = CaptureGraph::Instance();
    g.Reset();
    g.SetRequestedSize(0, 0);
    const double seconds = RecordSeconds();
    const QString path = dir.path() + QStringLiteral("/movie.avi");
    int width = 0;
    int height = 0;
    for (auto _ : state) {
        if (StartMovieVideo(0, output, &width, &height, nullptr) != 1) {
            state.SkipWithError("movie graph did not start");
            return;
        }
        RunFor(1.0);
        const double liveCpu = CpuPerSecond(seconds);
        const int liveFrames = output->FramesShown();

        if (StartMovieVideo(0, output, &width, &height, QFile::encodeName(path).constData()) != 1) {
            state.SkipWithError("recording did not start");
            return;
        }
        Delivered delivered;
        GstPadPtr camera(gst_element_get_static_pad(g.Source(), "src"));
        gst_pad_add_probe(camera.get(), GST_PAD_PROBE_TYPE_BUFFER, Delivered::Count, &delivered,
                          nullptr);
        RunFor(2.0);
        const double recordCpu = CpuPerSecond(seconds);
        QElapsedTimer stop;
        stop.start();
        StartMovieVideo(0, output, &width, &height, nullptr);
        const double stopMs = double(stop.nsecsElapsed()) / 1e6;

        const std::optional<AviFile> avi = ReadAviFile(path);
        if (!avi) {
            state.SkipWithError("no AVI file");
            return;
        }
        // Past 1 GiB the legacy index covers the first part only; OpenDML's cover it all.
        const bool indexed =
            !avi->truncated && int(avi->odmlFrames) == avi->moviFrames &&
            (avi->riffChunks == 1
                 ? avi->idx1Frames == avi->moviFrames
                 : avi->idx1Frames > 0 && avi->standardIndexEntries == avi->moviFrames);
        state.counters["live_cpu_per_s"] = liveCpu;
        state.counters["record_cpu_per_s"] = recordCpu;
        state.counters["added_pct"] = 100.0 * (recordCpu - liveCpu) / liveCpu;
        state.counters["live_frames_shown"] = liveFrames;
        state.counters["delivered"] = delivered.frames.load();
        state.counters["written"] = avi->moviFrames;
        state.counters["dropped"] = delivered.frames.load() - avi->moviFrames;
        state.counters["riff_chunks"] = avi->riffChunks;
        state.counters["indexes_ok"] = indexed ? 1 : 0;
        state.counters["file_MB"] = QFileInfo(path).size() / 1e6;
        state.counters["stop_ms"] = stopMs;
        QFile::remove(path);
    }
    ReleaseGraph();
}

BENCHMARK(BM_Record)
    ->ArgName("camera") // 0: 1280 x 720 MJPEG 30 fps, 1: 640 x 480 YUY2 30 fps
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
