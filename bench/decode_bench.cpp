// Camera frames decoded for the live view: the preview decoder (TurboJPEG at a reduced DCT
// scale straight into BGRX, or libyuv scaling then converting YUY2) showing 640 x 480, beside
// GStreamer decoding and converting each frame at full size (what a live view built from
// jpegdec and videoconvert does), in the same run, on frames cut from a photograph
// (support/PhotoFrames.h) and compressed as UVC cameras send them: quality 85, 4:2:2.
#include "capture/FocusMeasure.h"
#include "capture/GrabbedFrameConvert.h"
#include "capture/PreviewDecoder.h"
#include "support/PhotoFrames.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <gst/app/gstappsrc.h>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 30;
const QSize kShown(640, 480);

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// CPU seconds per frame of ours and of GStreamer's, by format and size, for the ratios printed
// at the end.
struct Result {
    double ours = 0, peer = 0;
};
std::map<std::string, Result>& Results() {
    static std::map<std::string, Result> results;
    return results;
}

std::string Key(bool yuy2, QSize size) {
    return std::string(yuy2 ? "YUY2 " : "MJPEG ") + std::to_string(size.width()) + "x" +
           std::to_string(size.height());
}

struct Frames {
    std::vector<GstSamplePtr> samples;
    QString error;
};

GstSamplePtr Sample(const void* data, size_t size, GstCaps* caps) {
    GstBuffer* buffer = gst_buffer_new_memdup(data, size);
    GstSamplePtr sample(gst_sample_new(buffer, caps, nullptr, nullptr));
    gst_buffer_unref(buffer);
    gst_caps_unref(caps);
    return sample;
}

// kFrames frames of size from the photograph, as MJPEG or YUY2 samples.
const Frames& CameraFrames(QSize size, bool yuy2) {
    static std::map<std::tuple<int, int, bool>, Frames> cache;
    Frames& frames = cache[{size.width(), size.height(), yuy2}];
    if (!frames.samples.empty() || !frames.error.isEmpty()) {
        return frames;
    }
    const QList<QByteArray> bytes = yuy2 ? PhotoYuy2Frames(size, kFrames, &frames.error)
                                         : PhotoJpegFrames(size, kFrames, &frames.error);
    for (const QByteArray& frame : bytes) {
        GstCaps* caps =
            yuy2 ? gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "YUY2", "width",
                                       G_TYPE_INT, size.width(), "height", G_TYPE_INT,
                                       size.height(), "framerate", GST_TYPE_FRACTION, 30, 1,
                                       "colorimetry", G_TYPE_STRING, "bt601", nullptr)
                 : gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT, size.width(), "height",
                                       G_TYPE_INT, size.height(), "framerate", GST_TYPE_FRACTION,
                                       30, 1, nullptr);
        frames.samples.push_back(Sample(frame.constData(), size_t(frame.size()), caps));
    }
    return frames;
}

double Report(benchmark::State& state, double cpu, int frames) {
    const double perFrame = cpu / std::max(1, frames);
    state.counters["cpu_ms_per_frame"] = perFrame * 1000;
    return perFrame;
}

void BM_PreviewDecoder(benchmark::State& state, bool yuy2) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    const Frames& frames = CameraFrames(size, yuy2);
    if (!frames.error.isEmpty()) {
        state.SkipWithError(frames.error.toUtf8().constData());
        return;
    }
    PreviewDecoder decoder;
    int decoded = 0;
    const double start = ProcessCpuSeconds();
    for (auto _ : state) {
        for (const GstSamplePtr& sample : frames.samples) {
            const QImage image = decoder.Decode(sample.get(), kShown);
            if (image.isNull()) {
                state.SkipWithError("a frame did not decode");
                return;
            }
            benchmark::DoNotOptimize(image.constBits());
            ++decoded;
        }
    }
    Results()[Key(yuy2, size)].ours = Report(state, ProcessCpuSeconds() - start, decoded);
}

// Counts the buffers reaching the sink, from its streaming thread.
struct SinkCount {
    std::mutex mutex;
    std::condition_variable arrived;
    int buffers = 0;

    static GstPadProbeReturn Probe(GstPad*, GstPadProbeInfo*, gpointer data) {
        auto* self = static_cast<SinkCount*>(data);
        std::lock_guard<std::mutex> lock(self->mutex);
        ++self->buffers;
        self->arrived.notify_all();
        return GST_PAD_PROBE_OK;
    }
    bool WaitFor(int count) {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(60), [&] { return buffers >= count; });
    }
};

void BM_GStreamerFullSize(benchmark::State& state, bool yuy2) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    const Frames& frames = CameraFrames(size, yuy2);
    if (!frames.error.isEmpty()) {
        state.SkipWithError(frames.error.toUtf8().constData());
        return;
    }
    const char* description =
        yuy2 ? "appsrc name=in format=time ! videoconvert ! video/x-raw,format=BGRx ! "
               "fakesink name=out sync=false"
             : "appsrc name=in format=time ! jpegdec ! videoconvert ! video/x-raw,format=BGRx ! "
               "fakesink name=out sync=false";
    GstElementPtr pipeline(gst_parse_launch(description, nullptr));
    GstElementPtr in(gst_bin_get_by_name(GST_BIN(pipeline.get()), "in"));
    GstElementPtr out(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
    g_object_set(in.get(), "caps", gst_sample_get_caps(frames.samples[0].get()), "max-bytes",
                 guint64(0), nullptr);
    SinkCount count;
    GstPadPtr pad(gst_element_get_static_pad(out.get(), "sink"));
    gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, SinkCount::Probe, &count, nullptr);
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    int pushed = 0;
    const double start = ProcessCpuSeconds();
    for (auto _ : state) {
        for (const GstSamplePtr& sample : frames.samples) {
            GstBuffer* buffer = gst_buffer_copy(gst_sample_get_buffer(sample.get()));
            GST_BUFFER_PTS(buffer) = GstClockTime(pushed++) * GST_SECOND / 30;
            gst_app_src_push_buffer(GST_APP_SRC(in.get()), buffer);
        }
        if (!count.WaitFor(pushed)) {
            state.SkipWithError("the pipeline stalled");
            break;
        }
    }
    Results()[Key(yuy2, size)].peer = Report(state, ProcessCpuSeconds() - start, pushed);
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
}

void BM_StillFrame(benchmark::State& state) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    const Frames& frames = CameraFrames(size, false);
    if (!frames.error.isEmpty()) {
        state.SkipWithError(frames.error.toUtf8().constData());
        return;
    }
    size_t i = 0;
    for (auto _ : state) {
        const std::optional<GrabbedFrame> frame =
            FrameFromSample(frames.samples[i++ % frames.samples.size()].get());
        if (!frame) {
            state.SkipWithError("a frame did not decode");
            return;
        }
        benchmark::DoNotOptimize(frame->bytes.data());
    }
}

// The focus meter's measure of the decoded preview frames of a 1920 x 1080 MJPEG camera, shown
// at (range) width x height: 640 x 480 (decoded 960 x 540) and full screen (1920 x 1080).
double& FocusMsPerFrame(int shownWidth) {
    static std::map<int, double> perFrame;
    return perFrame[shownWidth];
}

void BM_FocusMeasure(benchmark::State& state) {
    const QSize shown(int(state.range(0)), int(state.range(1)));
    const Frames& frames = CameraFrames(QSize(1920, 1080), false);
    if (!frames.error.isEmpty()) {
        state.SkipWithError(frames.error.toUtf8().constData());
        return;
    }
    PreviewDecoder decoder;
    std::vector<QImage> decoded;
    for (const GstSamplePtr& sample : frames.samples) {
        decoded.push_back(decoder.Decode(sample.get(), shown));
    }
    int measured = 0;
    const double start = ProcessCpuSeconds();
    for (auto _ : state) {
        for (const QImage& image : decoded) {
            benchmark::DoNotOptimize(FocusMeasure(image));
            ++measured;
        }
    }
    FocusMsPerFrame(shown.width()) = Report(state, ProcessCpuSeconds() - start, measured) * 1000;
    state.counters["decoded_width"] = decoded.front().width();
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({3840, 2160})
        ->Args({1920, 1080})
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime();
}

BENCHMARK_CAPTURE(BM_PreviewDecoder, mjpeg, false)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_GStreamerFullSize, mjpeg, false)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_PreviewDecoder, yuy2, true)
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_GStreamerFullSize, yuy2, true)
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_StillFrame)->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FocusMeasure)
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    // Ours against GStreamer's, frame for frame, from this run.
    for (const auto& [key, result] : Results()) {
        if (result.ours > 0 && result.peer > 0) {
            std::printf("%s into %dx%d: %.2f ms vs %.2f ms CPU a frame, ratio %.2f\n", key.c_str(),
                        kShown.width(), kShown.height(), result.ours * 1000, result.peer * 1000,
                        result.ours / result.peer);
        }
    }
    // The focus measure against the decode it follows, and as a share of one core at 30 frames
    // a second.
    const double decode = Results()[Key(false, QSize(1920, 1080))].ours * 1000;
    for (int width : {640, 1920}) {
        const double focus = FocusMsPerFrame(width);
        if (focus > 0 && decode > 0) {
            std::printf("focus measure, 1920x1080 MJPEG shown %d wide: %.3f ms a frame, %.2f of "
                        "the decode into 640x480, %.1f %% of one core at 30 fps\n",
                        width, focus, focus / decode, focus * 30 / 10);
        }
    }
    benchmark::Shutdown();
    return 0;
}
