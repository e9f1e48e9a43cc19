#include "capture/CaptureGraph.h"

#include "capture/CameraEvent.h"
#include "capture/CameraProperty.h"
#include "capture/GrabbedFrameConvert.h"
#include "capture/MovieFileBranch.h"
#include "capture/SampleGrabberCallback.h"
#include "capture/VideoFormats.h"
#include "capture/VideoOutput.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"
#include "platform/video/CapsParsing.h"
#include "platform/video/SourceControls.h"
#include "platform/video/VideoSource.h"

#include <QCoreApplication>
#include <QFile>
#include <QFrame>
#include <QScreen>
#include <gst/app/gstappsink.h>

namespace {

enum class GraphKind { Live, Movie };

// The file gets the camera's stream from this running time on.
constexpr GstClockTime kMovieStartTime = 2 * GST_SECOND;
// How long stopping waits for avimux to write the end of a movie file.
constexpr std::chrono::milliseconds kMovieFinishTimeout{5000};

void Message(const char* text) {
    qCDebug(veldorTrace, "%s", text);
    if (Prompts* prompts = CaptureGraph::Instance().prompts) {
        prompts->MessageBox(QString::fromLatin1(text));
    }
}

// An element added to the pipeline (which owns it), or null.
GstElement* Add(const char* factory, const char* name = nullptr) {
    GstElement* element = gst_element_factory_make(factory, name);
    if (!element) {
        qCWarning(veldorTrace, "GStreamer element %s is not available", factory);
        return nullptr;
    }
    if (!gst_bin_add(GST_BIN(CaptureGraph::Instance().pipeline.get()), element)) {
        return nullptr;
    }
    return element;
}

GstElement* AddCapsFilter(const char* caps) {
    GstElement* filter = Add("capsfilter");
    if (filter) {
        GstCapsPtr c(gst_caps_from_string(caps));
        g_object_set(filter, "caps", c.get(), nullptr);
    }
    return filter;
}

GstElement* AddQueue() {
    GstElement* queue = Add("queue");
    if (queue) {
        // A live picture: never wait for a slow branch, drop its oldest frames instead.
        gst_util_set_object_arg(G_OBJECT(queue), "leaky", "downstream");
        g_object_set(queue, "max-size-buffers", 2u, "max-size-bytes", 0u, "max-size-time",
                     guint64(0), nullptr);
    }
    return queue;
}

QRect ClientRect(QWidget* w) {
    if (auto* frame = qobject_cast<QFrame*>(w)) {
        return frame->contentsRect();
    }
    return w->rect();
}

void PostGraphNotification() {
    if (QObject* window = CaptureGraph::Instance().eventWindow.load()) {
        QCoreApplication::postEvent(window, new CameraEvent(CameraEvent::Kind::GraphNotification));
    }
}

// Streaming threads: only errors, warnings and the end of stream are kept for the UI
// thread, which is told of them by the camera event.
GstBusSyncReply BusSync(GstBus*, GstMessage* message, gpointer) {
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_WARNING:
    case GST_MESSAGE_EOS:
        PostGraphNotification();
        return GST_BUS_PASS;
    default:
        return GST_BUS_DROP;
    }
}

GstFlowReturn OnRendererSample(GstAppSink* sink, gpointer data) {
    GstSamplePtr sample(gst_app_sink_pull_sample(sink));
    if (sample) {
        static_cast<VideoOutput*>(data)->QueueSample(std::move(sample));
    }
    return GST_FLOW_OK;
}

GstFlowReturn OnBufferedSample(GstAppSink* sink, gpointer) {
    GstSamplePtr sample(gst_app_sink_pull_sample(sink));
    CaptureGraph& graph = CaptureGraph::Instance();
    std::lock_guard<std::mutex> lock(graph.frameMutex);
    graph.lastSample = std::move(sample);
    return GST_FLOW_OK;
}

double SampleSeconds(GstSample* sample) {
    GstBuffer* buffer = sample ? gst_sample_get_buffer(sample) : nullptr;
    if (!buffer || !GST_BUFFER_PTS_IS_VALID(buffer)) {
        return 0.0;
    }
    return static_cast<double>(GST_BUFFER_PTS(buffer)) / GST_SECOND;
}

GstFlowReturn OnStillSample(GstAppSink* sink, gpointer) {
    GstSamplePtr sample(gst_app_sink_pull_sample(sink));
    if (!sample) {
        return GST_FLOW_OK;
    }
    if (std::optional<GrabbedFrame> frame = FrameFromSample(sample.get())) {
        SampleGrabberCallback::Instance().BufferCB(
            SampleSeconds(sample.get()), std::make_unique<GrabbedFrame>(std::move(*frame)));
    }
    return GST_FLOW_OK;
}

GstFlowReturn OnMovieStillSample(GstAppSink* sink, gpointer) {
    GstSamplePtr sample(gst_app_sink_pull_sample(sink));
    SampleGrabberCallback::Instance().SampleCB(SampleSeconds(sample.get()), sample.get());
    return GST_FLOW_OK;
}

void SetSinkCallback(GstElement* sink, GstFlowReturn (*callback)(GstAppSink*, gpointer),
                     gpointer data) {
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = callback;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, data, nullptr);
    // Live frames are shown when they come, not by their timestamps; a branch that sees no
    // frame for long (the still pad) must not hold up the pipeline's start.
    g_object_set(sink, "sync", FALSE, "async", FALSE, "qos", FALSE, "max-buffers", 1u, "drop", TRUE,
                 nullptr);
}

// Decodes the camera's stream as its format needs and converts it to rawFormat; returns the
// last element of the chain (linked from upstream), or null.
GstElement* AddDecodeChain(GstElement* upstream, const char* upstreamPad,
                           const VideoCapability& format, const char* rawCaps) {
    GstElement* last = upstream;
    const char* pad = upstreamPad;
    auto link = [&](GstElement* next) {
        if (!next || !gst_element_link_pads(last, pad, next, "sink")) {
            return false;
        }
        last = next;
        pad = "src";
        return true;
    };
    if (format.format == QLatin1String("MJPG") && !link(Add("jpegdec"))) {
        return nullptr;
    }
    if (!link(Add("videoconvert")) || !link(AddCapsFilter(rawCaps))) {
        return nullptr;
    }
    return last;
}

// Stops the pipeline; a movie file being written is completed first. A file that holds no
// frame (stopped within the start time) cannot be played and is removed.
void StopPipeline(CaptureGraph& g) {
    MovieFileBranch* file = g.fileBranch.get();
    if (file) {
        file->Finish(kMovieFinishTimeout);
    }
    gst_element_set_state(g.pipeline.get(), GST_STATE_NULL);
    if (file && !file->HasFrames() && QFile::exists(file->Path())) {
        qCDebug(veldorTrace, "movie file without frames removed: %s", qUtf8Printable(file->Path()));
        QFile::remove(file->Path());
    }
}

void SetControls(CaptureGraph& g, std::unique_ptr<CameraControls> controls) {
    g.controls = std::move(controls);
    ++g.controlsGeneration;
}

// Another program holds the camera: v4l2src says so when it cannot set the format or open the
// device (EBUSY).
bool IsBusyError(const GError* error, const gchar* debug) {
    if (!error) {
        return false;
    }
    if (error->domain == GST_RESOURCE_ERROR && error->code == GST_RESOURCE_ERROR_BUSY) {
        return true;
    }
    return debug && g_strrstr(debug, "Device or resource busy") != nullptr;
}

// Takes the first error waiting on the graph's bus to say why the graph does not run.
void NoteWaitingError(CaptureGraph& g) {
    GstBusPtr bus(gst_element_get_bus(g.pipeline.get()));
    GstMessagePtr message(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
    g.failure = GraphFailure::Error;
    if (!message) {
        return;
    }
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message.get(), &error, &debug);
    qCWarning(veldorTrace, "capture graph error: %s (%s)", error ? error->message : "?",
              debug ? debug : "");
    if (IsBusyError(error, debug)) {
        g.failure = GraphFailure::Busy;
    }
    g_clear_error(&error);
    g_free(debug);
}

void FormatStep(CaptureGraph& g, int* outWidth, int* outHeight) {
    StreamConfig& config = *g.streamConfig;
    if (g.requestedWidth > 0) {
        const VideoCapability offer = FormatToOffer(config.Capabilities(), config.Format(),
                                                    g.requestedWidth, g.requestedHeight);
        // A size the camera does not have is refused and the camera keeps its format.
        config.SetFormat(offer);
        DumpMediaType(offer, "StartVideo");
    } else if (g.requestedWidth == 0 && g.requestedHeight == 0) {
        g.requestedWidth = config.Format().width;
        g.requestedHeight = config.Format().height;
    }
    // The size the camera delivers, which is not the one asked for when it was refused.
    *outWidth = config.Format().width;
    *outHeight = config.Format().height;
}

// The file branch on a tee after the caps filter, so that the file gets the camera's own
// stream (MJPEG stays MJPEG). Returns the element the preview continues from: a queue of its
// own, so that decoding for the preview never holds up the file. Null when it cannot be made.
GstElement* AddMovieFile(CaptureGraph& g, const char* file) {
    GstElement* split = Add("tee", "capture");
    GstElement* preview = AddQueue();
    if (!split || !preview || !gst_element_link(g.capsFilter.get(), split) ||
        !gst_element_link(split, preview)) {
        return nullptr;
    }
    GstCaps* caps = nullptr;
    g_object_get(g.capsFilter.get(), "caps", &caps, nullptr);
    GstCapsPtr format(caps);
    g.fileBranch = MovieFileBranch::Create(g.pipeline.get(), split, format.get(),
                                           QString::fromLocal8Bit(file), kMovieStartTime);
    if (!g.fileBranch) {
        return nullptr;
    }
    g.mux = Ref(g.fileBranch->mux());
    g.sink = Ref(g.fileBranch->sink());
    return preview;
}

int RenderFailed() {
    qCDebug(veldorTrace, "Couldnt render the video capture stream.  ");
    qCDebug(veldorTrace, "The capture device may already be in use by another application.");
    return kMovieRenderFailed;
}

bool Connect(CaptureGraph& g, GraphKind kind, GstElement* captureStart) {
    const VideoCapability& format = g.streamConfig->Format();
    GstElement* capture = AddDecodeChain(captureStart, "src", format, "video/x-raw,format=BGRx");
    if (!capture) {
        return false;
    }
    GstElement* tee = Add("tee");
    GstElement* renderQueue = AddQueue();
    if (!tee || !renderQueue || !gst_element_link(capture, tee) ||
        !gst_element_link(tee, renderQueue) ||
        !gst_element_link(renderQueue, g.rendererSink.get())) {
        return false;
    }
    if (g.stillPin) {
        GstElement* still =
            AddDecodeChain(g.source.get(), "still", format, "video/x-raw,format=BGR");
        return still && gst_element_link(still, g.grabber.get());
    }
    if (kind == GraphKind::Live) {
        GstElement* grabQueue = AddQueue();
        return grabQueue && gst_element_link(tee, grabQueue) &&
               gst_element_link(grabQueue, g.grabber.get());
    }
    return true;
}

void PlaceVideoOutput(CaptureGraph& g) {
    QWidget* owner = g.ownerWindow;
    g.renderer = new VideoOutput(owner);
    if (owner) {
        const QRect client = ClientRect(owner);
        g.renderer->setGeometry(client.x() + g.left, client.y() + g.top, g.width, g.height);
    } else {
        g.renderer->setGeometry(g.left, g.top, g.width, g.height);
    }
    g.renderer->show();
}

int Build(GraphKind kind, int* outWidth, int* outHeight, const char* file = nullptr) {
    CaptureGraph& g = CaptureGraph::Instance();
    if (!EnsureGstInit()) {
        Message("ERROR: device bind failed!");
        return 0;
    }
    g.pipeline.reset(gst_pipeline_new(kind == GraphKind::Live ? "live" : "movie"));
    gst_object_ref_sink(g.pipeline.get());
    GstBusPtr bus(gst_element_get_bus(g.pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), BusSync, nullptr, nullptr);

    g.failure = GraphFailure::None;
    BindDevice(g.deviceIndex);
    if (!g.source) {
        Message("ERROR: device bind failed!");
        return 0;
    }
    if (!gst_bin_add(GST_BIN(g.pipeline.get()), GST_ELEMENT(gst_object_ref(g.source.get())))) {
        Message("ERROR: device bind failed!");
        return 0;
    }
    g.stillPin = HasStillPin(g.source.get());
    g.videoControl = true;

    g.grabber = Ref(Add("appsink", "grabber"));
    if (!g.grabber) {
        Message(kind == GraphKind::Live ? "ERROR: pSampleGrabber create failed(2)!"
                                        : "ERROR: pSampleGrabber create failed!");
        return 0;
    }
    GstCapsPtr grabCaps(
        gst_caps_from_string(g.stillPin ? "video/x-raw,format=BGR" : "video/x-raw,format=BGRx"));
    g_object_set(g.grabber.get(), "caps", grabCaps.get(), nullptr);
    if (g.stillPin) {
        g.grabberMode = kind == GraphKind::Live ? 1 : 0;
        SetSinkCallback(g.grabber.get(), g.grabberMode == 1 ? OnStillSample : OnMovieStillSample,
                        nullptr);
    } else {
        g.grabberMode = -1;
        SetSinkCallback(g.grabber.get(), OnBufferedSample, nullptr);
    }

    g.rendererSink = Ref(Add("appsink", "renderer"));
    if (!g.rendererSink) {
        Message("ERROR: VideoRederer create failed(2)!");
        return 0;
    }
    PlaceVideoOutput(g);
    SetSinkCallback(g.rendererSink.get(), OnRendererSample, g.renderer.data());

    g.capsFilter = Ref(Add("capsfilter", "format"));
    g.streamConfig =
        g.capsFilter ? std::make_unique<StreamConfig>(g.device, g.source.get(), g.capsFilter.get())
                     : nullptr;
    if (!g.streamConfig || !g.streamConfig->Valid()) {
        Message(FindInterfaceError(g.requestedWidth).constData());
        return 0;
    }
    FormatStep(g, outWidth, outHeight);

    GstElement* captureStart = g.capsFilter.get();
    if (!gst_element_link_pads(g.source.get(), "src", captureStart, "sink")) {
        qCWarning(veldorTrace, "capture graph: the camera could not be linked");
        g.failure = GraphFailure::Error;
        return 0;
    }
    if (file) {
        captureStart = AddMovieFile(g, file);
        if (!captureStart) {
            return RenderFailed();
        }
    }
    if (!Connect(g, kind, captureStart)) {
        qCWarning(veldorTrace, "capture graph: the elements could not be linked");
        g.failure = GraphFailure::Error;
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(g.frameMutex);
        g.stillFrame.reset();
        g.lastSample.reset();
    }
    if (gst_element_set_state(g.pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        qCWarning(veldorTrace, "capture graph: the pipeline did not start");
        NoteWaitingError(g);
        gst_element_set_state(g.pipeline.get(), GST_STATE_NULL);
        // With a file, most often the movie file cannot be opened.
        return file ? RenderFailed() : 0;
    }
    // After the start: v4l2src opens its device on the way to PLAYING, and the simulated
    // camera's balance element exists only once the format step has rebuilt its chain.
    SetControls(g, OpenSourceControls(g.device, g.source.get()));
    ApplyPendingRestore(g.device.name);
    g.running = true;
    return 1;
}

} // namespace

CaptureGraph::CaptureGraph() = default;
CaptureGraph::~CaptureGraph() = default;

CaptureGraph& CaptureGraph::Instance() {
    static CaptureGraph graph;
    return graph;
}

void CaptureGraph::Reset() {
    ReleaseGraph();
    devices.clear();
    requestedWidth = -1;
    requestedHeight = -1;
}

int BindDevice(int n) {
    CaptureGraph& g = CaptureGraph::Instance();
    g.source.reset();
    const QList<VideoDeviceInfo> present = EnumerateVideoDevices();
    if (present.isEmpty()) {
        Message("camera device not found!");
        return 0;
    }
    // Without a device list yet (no window listed the devices), this listing is the list.
    if (g.devices.isEmpty()) {
        g.devices = present;
    }
    g.deviceIndex = n;
    if (n < 0 || n >= g.devices.size()) {
        return 1;
    }
    const int found = IndexOfDevice(present, g.devices[n]);
    if (found < 0) {
        qCDebug(veldorTrace, "camera %d is not connected: %s", n, g.devices[n].name.constData());
        return 1;
    }
    g.device = present[found];
    g.devices[n] = g.device;
    g.source = BindVideoSource(g.device);
    return 1;
}

bool DeviceConnected(const VideoDeviceInfo& device) {
    return IndexOfDevice(EnumerateVideoDevices(), device) >= 0;
}

int StartVideo(int n, QWidget* owner, int width, int height, int* outWidth, int* outHeight) {
    CaptureGraph& g = CaptureGraph::Instance();
    if (owner) {
        g.ownerWindow = owner;
        g.deviceIndex = n;
        g.left = 0;
        g.top = 0;
        g.width = width;
        g.height = height;
    }
    ReleaseGraph();
    return Build(GraphKind::Live, outWidth, outHeight);
}

int StartMovieVideo(int n, QWidget* owner, int* outWidth, int* outHeight, const char* file) {
    CaptureGraph& g = CaptureGraph::Instance();
    if (owner) {
        g.ownerWindow = owner;
        g.deviceIndex = n;
        g.left = 0;
        g.top = 0;
        g.width = 640;
        g.height = 480;
    }
    ReleaseGraph();
    return Build(GraphKind::Movie, outWidth, outHeight, file);
}

void ReleaseGraph() {
    CaptureGraph& g = CaptureGraph::Instance();
    // Before the source closes the descriptor the controls may be using.
    SetControls(g, nullptr);
    if (g.pipeline) {
        StopPipeline(g);
        GstBusPtr bus(gst_element_get_bus(g.pipeline.get()));
        gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
        gst_bus_set_flushing(bus.get(), TRUE);
    }
    g.sink.reset();
    g.mux.reset();
    g.fileBranch.reset();
    g.streamConfig.reset();
    delete g.renderer.data();
    g.renderer = nullptr;
    g.rendererSink.reset();
    g.grabber.reset();
    g.videoControl = false;
    g.capsFilter.reset();
    g.source.reset();
    g.pipeline.reset();
    {
        std::lock_guard<std::mutex> lock(g.frameMutex);
        g.stillFrame.reset();
        g.lastSample.reset();
    }
    g.stillPin = false;
    g.grabberMode = -1;
    g.failed = false;
    g.running = false;
    g.failure = GraphFailure::None;
    g.fullScreen = false;
}

void GraphMessage(const char* text) {
    Message(text);
}

void SetNotifyWindow(QObject* window) {
    CaptureGraph::Instance().eventWindow.store(window);
}

void AttachVideoWindow(QWidget* w) {
    CaptureGraph& g = CaptureGraph::Instance();
    g.ownerWindow = w;
    if (!g.renderer || !w) {
        return;
    }
    g.renderer->hide();
    g.renderer->setParent(w);
    g.renderer->setGeometry(ClientRect(w));
    g.renderer->show();
    if (g.pipeline) {
        gst_element_set_state(g.pipeline.get(), GST_STATE_PLAYING);
    }
}

void SetFullScreen(int enter, int keepAspect) {
    CaptureGraph& g = CaptureGraph::Instance();
    VideoOutput* output = g.renderer;
    if (!output) {
        return;
    }
    QWidget* owner = g.ownerWindow;
    if (enter) {
        QScreen* screen = owner ? owner->screen() : output->screen();
        output->hide();
        output->setParent(nullptr, Qt::Window | Qt::FramelessWindowHint);
        output->SetKeepAspect(keepAspect == 1);
        if (keepAspect == 1) {
            output->showFullScreen();
        } else {
            output->setGeometry(screen ? screen->geometry() : QRect(0, 0, 640, 480));
            output->show();
        }
        g.fullScreen = true;
        return;
    }
    output->hide();
    output->setParent(owner);
    output->SetKeepAspect(false);
    if (owner) {
        const QRect client = ClientRect(owner);
        if (keepAspect == 1) {
            // The video rectangle of the graph's build, inside the window it comes back to:
            // the compare window's video box is smaller than the main window's video child.
            output->setGeometry(QRect(client.x() + g.left, client.y() + g.top, g.width, g.height)
                                    .intersected(client));
        } else {
            output->setGeometry(client);
        }
    }
    output->show();
    g.fullScreen = false;
}

bool GraphRuns() {
    const CaptureGraph& g = CaptureGraph::Instance();
    return g.pipeline && g.running && !g.failed;
}

void ReportCameraRemoved() {
    CaptureGraph& g = CaptureGraph::Instance();
    if (!g.pipeline || g.failed || !g.source) {
        return;
    }
    qCDebug(veldorTrace, "capture graph: the camera was unplugged: %s", g.device.name.constData());
    GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND,
                                        "The camera was unplugged.");
    gst_element_post_message(g.source.get(),
                             gst_message_new_error(GST_OBJECT(g.source.get()), error, "removed"));
    g_error_free(error);
}

int DrainGraphEvents() {
    CaptureGraph& g = CaptureGraph::Instance();
    if (!g.pipeline) {
        return 0;
    }
    GstBusPtr bus(gst_element_get_bus(g.pipeline.get()));
    int count = 0;
    while (GstMessagePtr message{gst_bus_pop(bus.get())}) {
        ++count;
        GError* error = nullptr;
        gchar* debug = nullptr;
        switch (GST_MESSAGE_TYPE(message.get())) {
        case GST_MESSAGE_ERROR:
            gst_message_parse_error(message.get(), &error, &debug);
            qCWarning(veldorTrace, "capture graph error: %s (%s)", error ? error->message : "?",
                      debug ? debug : "");
            // The camera is gone, busy or broken: stop the graph; selecting a camera rebuilds
            // it. A second error of the same stop changes nothing.
            if (!g.failed) {
                g.failed = true;
                g.running = false;
                g.failure = IsBusyError(error, debug) ? GraphFailure::Busy : GraphFailure::Error;
                SetControls(g, nullptr); // the stopped source closes its descriptor
                StopPipeline(g);
            }
            break;
        case GST_MESSAGE_WARNING:
            gst_message_parse_warning(message.get(), &error, &debug);
            qCDebug(veldorTrace, "capture graph warning: %s", error ? error->message : "?");
            break;
        default:
            qCDebug(veldorTrace, "capture graph: %s", GST_MESSAGE_TYPE_NAME(message.get()));
            break;
        }
        g_clear_error(&error);
        g_free(debug);
    }
    return count;
}
