// CPU time per second of live view with the simulated camera, beside a bare
// videotestsrc ! videoconvert ! appsink pipeline of the same size.
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "platform/video/GstHandles.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <gst/app/gstappsink.h>
#include <sys/resource.h>

namespace {

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop for about one second; returns CPU seconds used per wall second.
double CpuPerSecond() {
    QElapsedTimer wall;
    const double cpuStart = ProcessCpuSeconds();
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    return (ProcessCpuSeconds() - cpuStart) / (wall.elapsed() / 1000.0);
}

void SetCameras(const QTemporaryDir& dir, int width, int height) {
    const QString file = dir.path() + QStringLiteral("/cameras.json");
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        return;
    }
    out.write(QStringLiteral(R"([{"name": "Bench", "pattern": "ball", "formats": [
        {"format": "YUY2", "width": %1, "height": %2}]}])")
                  .arg(width)
                  .arg(height)
                  .toUtf8());
    qputenv("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
}

void BM_LiveView(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    QTemporaryDir dir;
    SetCameras(dir, width, height);
    QFrame owner;
    owner.setGeometry(0, 0, 642, 482);
    auto* output = new VideoOutput(&owner);
    owner.show();
    CaptureGraph::Instance().Reset();
    int outWidth = 0;
    int outHeight = 0;
    CaptureGraph::Instance().SetRequestedSize(0, 0);
    if (StartVideo(0, output, &outWidth, &outHeight) != 1) {
        state.SkipWithError("live graph did not start");
        return;
    }
    CpuPerSecond(); // warm up
    double cpu = 0;
    int frames = 0;
    for (auto _ : state) {
        const int before = output->FramesShown();
        cpu = CpuPerSecond();
        frames = output->FramesShown() - before;
    }
    state.counters["cpu_per_s"] = cpu;
    state.counters["frames_per_s"] = frames;
    ReleaseGraph();
}

GstFlowReturn PullAndDrop(GstAppSink* sink, gpointer) {
    GstSamplePtr sample(gst_app_sink_pull_sample(sink));
    return GST_FLOW_OK;
}

void BM_BarePipeline(benchmark::State& state) {
    EnsureGstInit();
    const QString description =
        QStringLiteral("videotestsrc is-live=true pattern=ball ! "
                       "video/x-raw,format=YUY2,width=%1,height=%2,framerate=30/1 ! "
                       "videoconvert ! video/x-raw,format=BGRx ! appsink name=sink sync=false")
            .arg(state.range(0))
            .arg(state.range(1));
    GError* error = nullptr;
    GstElementPtr pipeline(gst_parse_launch(description.toUtf8().constData(), &error));
    if (!pipeline) {
        state.SkipWithError(error ? error->message : "pipeline");
        g_clear_error(&error);
        return;
    }
    GstElementPtr sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = PullAndDrop;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, nullptr, nullptr);
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    CpuPerSecond();
    double cpu = 0;
    for (auto _ : state) {
        cpu = CpuPerSecond();
    }
    state.counters["cpu_per_s"] = cpu;
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
}

BENCHMARK(BM_BarePipeline)
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiveView)
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

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
