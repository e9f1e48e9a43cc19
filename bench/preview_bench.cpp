// The whole live view: the capture graph feeding a shown viewfinder (VideoOutput in its box),
// fed by a replay camera playing frames cut from a photograph, beside the peer pipeline
// `replay ! jpegdec ! videoconvert ! video/x-raw,format=BGRx ! fakesink sync=true` (for YUY2
// without jpegdec) on the same camera, in the same run. Each reports the process's CPU seconds
// per second and the frames shown (reaching the sink) per second.
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "platform/video/GstHandles.h"
#include "platform/video/VideoDevice.h"
#include "platform/video/VideoSource.h"
#include "support/PhotoFrames.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <sys/resource.h>

namespace {

constexpr int kFrames = 30;    // one second of the recording, looped
constexpr double kSeconds = 4; // measured per iteration

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop for seconds; returns CPU seconds used per wall second.
double CpuPerSecond(double seconds, double* wallSeconds) {
    QElapsedTimer wall;
    const double cpuStart = ProcessCpuSeconds();
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    *wallSeconds = wall.elapsed() / 1000.0;
    return (ProcessCpuSeconds() - cpuStart) / *wallSeconds;
}

// CPU seconds per second of ours and of the peer, by case, for the ratios printed at the end.
struct Result {
    double ours = 0, peer = 0;
};
std::map<std::string, Result>& Results() {
    static std::map<std::string, Result> results;
    return results;
}

// A replay camera of the photograph's frames in format at width x height, 30 frames a second.
class ReplayCamera {
public:
    ReplayCamera(bool yuy2, int width, int height) {
        const QString frames = m_dir.path() + QStringLiteral("/frames");
        if (!WritePhotoJpegFolder(frames, QSize(width, height), kFrames, &error)) {
            return;
        }
        const QString file = m_dir.path() + QStringLiteral("/cameras.json");
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(QStringLiteral(R"([{"name": "Bench", "replay": "frames",
                "formats": [{"format": "%1", "width": %2, "height": %3, "framerate": 30}]}])")
                          .arg(yuy2 ? QStringLiteral("YUY2") : QStringLiteral("MJPG"))
                          .arg(width)
                          .arg(height)
                          .toUtf8()) < 0) {
            error = QStringLiteral("camera file");
            return;
        }
        out.close();
        qputenv("VELDOR_SIMULATED_CAMERAS", file.toLocal8Bit());
    }
    QString error;

private:
    QTemporaryDir m_dir;
};

std::string Key(bool yuy2, int width, int height, bool minimised, bool focus = false) {
    return std::string(yuy2 ? "YUY2 " : "MJPEG ") + std::to_string(width) + "x" +
           std::to_string(height) + (minimised ? ", minimised" : "") +
           (focus ? ", focus meter" : "");
}

// range: width, height, 1 for YUY2, 1 for a minimised window, 1 with the focus meter on.
void BM_LiveView(benchmark::State& state) {
    const bool yuy2 = state.range(2) != 0;
    const bool minimised = state.range(3) != 0;
    const bool focus = state.range(4) != 0;
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    ReplayCamera camera(yuy2, width, height);
    if (!camera.error.isEmpty()) {
        state.SkipWithError(camera.error.toUtf8().constData());
        return;
    }
    // The main window's video child: a 640 x 480 box with a border.
    QFrame owner;
    owner.setFrameStyle(QFrame::Box | QFrame::Plain);
    owner.setLineWidth(1);
    owner.setGeometry(0, 0, 642, 482);
    auto* output = new VideoOutput(&owner);
    output->SetFocusMeter(focus);
    owner.show();
    QElapsedTimer exposing;
    exposing.start();
    while (!(owner.windowHandle() && owner.windowHandle()->isExposed()) &&
           exposing.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    if (minimised) {
        owner.showMinimized();
        QCoreApplication::processEvents();
    }
    CaptureGraph::Instance().Reset();
    CaptureGraph::Instance().SetRequestedSize(0, 0);
    int outWidth = 0;
    int outHeight = 0;
    if (StartVideo(0, output, &outWidth, &outHeight) != 1) {
        state.SkipWithError("live graph did not start");
        return;
    }
    double wall = 0;
    CpuPerSecond(2.0, &wall); // the replay converts its frames as they first play
    if (output->WantedSize().isEmpty() != minimised) {
        state.SkipWithError("the window is not in the state measured");
        return;
    }
    double cpu = 0;
    double shown = 0;
    for (auto _ : state) {
        const int before = output->FramesShown();
        cpu = CpuPerSecond(kSeconds, &wall);
        shown = (output->FramesShown() - before) / wall;
    }
    state.counters["cpu_per_s"] = cpu;
    state.counters["frames_shown_per_s"] = shown;
    state.counters["decodes"] = output->Decodes();
    Results()[Key(yuy2, width, height, minimised, focus)].ours = cpu;
    ReleaseGraph();
}

void BM_PeerPipeline(benchmark::State& state) {
    const bool yuy2 = state.range(2) != 0;
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    ReplayCamera camera(yuy2, width, height);
    const QList<VideoDeviceInfo> devices = EnumerateVideoDevices();
    GstElementPtr source = devices.isEmpty() ? nullptr : BindVideoSource(devices.first());
    if (!camera.error.isEmpty() || !source) {
        state.SkipWithError("no replay camera");
        return;
    }
    const char* chain =
        yuy2 ? "videoconvert ! video/x-raw,format=BGRx ! fakesink name=sink sync=true"
             : "jpegdec ! videoconvert ! video/x-raw,format=BGRx ! "
               "fakesink name=sink sync=true";
    GError* error = nullptr;
    GstElementPtr decode(gst_parse_bin_from_description(chain, TRUE, &error));
    if (!decode) {
        state.SkipWithError(error ? error->message : "pipeline");
        g_clear_error(&error);
        return;
    }
    GstElementPtr pipeline(gst_pipeline_new(nullptr));
    gst_object_ref_sink(pipeline.get());
    gst_bin_add_many(GST_BIN(pipeline.get()), GST_ELEMENT(gst_object_ref(source.get())),
                     GST_ELEMENT(gst_object_ref(decode.get())), nullptr);
    gst_element_link_pads(source.get(), "src", decode.get(), nullptr);
    std::atomic<int> frames{0};
    GstElementPtr sink(gst_bin_get_by_name(GST_BIN(decode.get()), "sink"));
    GstPadPtr pad(gst_element_get_static_pad(sink.get(), "sink"));
    gst_pad_add_probe(
        pad.get(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo*, gpointer count) {
            ++*static_cast<std::atomic<int>*>(count);
            return GST_PAD_PROBE_OK;
        },
        &frames, nullptr);
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    double wall = 0;
    CpuPerSecond(2.0, &wall);
    double cpu = 0;
    double shown = 0;
    for (auto _ : state) {
        const int before = frames.load();
        cpu = CpuPerSecond(kSeconds, &wall);
        shown = (frames.load() - before) / wall;
    }
    state.counters["cpu_per_s"] = cpu;
    state.counters["frames_shown_per_s"] = shown;
    for (bool minimised : {false, true}) {
        for (bool focus : {false, true}) {
            Results()[Key(yuy2, width, height, minimised, focus)].peer = cpu;
        }
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
}

void Cases(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1080, 0, 0, 0})
        ->Args({3840, 2160, 0, 0, 0})
        ->Args({1920, 1080, 1, 0, 0})
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_PeerPipeline)->Apply(Cases);
BENCHMARK(BM_LiveView)->Apply(Cases)->Args({3840, 2160, 0, 1, 0})->Args({1920, 1080, 0, 0, 1});

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    // Ours against the peer, CPU second for CPU second, from this run.
    for (const auto& [key, result] : Results()) {
        if (result.ours > 0 && result.peer > 0) {
            std::printf("%s: %.3f vs %.3f CPU s/s, ratio %.2f\n", key.c_str(), result.ours,
                        result.peer, result.ours / result.peer);
        }
    }
    // What the focus meter adds to the live view, in the same run: a share of one core.
    const Result off = Results()[Key(false, 1920, 1080, false)];
    const Result on = Results()[Key(false, 1920, 1080, false, true)];
    if (off.ours > 0 && on.ours > 0) {
        std::printf("focus meter on, MJPEG 1920x1080: %+.3f CPU s/s (%+.1f %% of one core), "
                    "ratio %.2f\n",
                    on.ours - off.ours, (on.ours - off.ours) * 100, on.ours / off.ours);
    }
    benchmark::Shutdown();
    return 0;
}
