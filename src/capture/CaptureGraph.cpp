#include "capture/CaptureGraph.h"

#include "capture/CameraEvent.h"
#include "capture/CameraProperty.h"
#include "capture/GrabbedFrameConvert.h"
#include "capture/MovieFileBranch.h"
#include "capture/SampleGrabberCallback.h"
#include "capture/VideoFormats.h"
#include "capture/ViewFinder.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"
#include "platform/video/CapsParsing.h"
#include "platform/video/SourceControls.h"
#include "platform/video/VideoSource.h"

#include <QCoreApplication>
#include <QFile>
#include <gst/app/gstappsink.h>

namespace {

// The file gets the camera's stream from this running time on.
constexpr GstClockTime kMovieStartTime = 2 * GST_SECOND;
// How long stopping waits for avimux to write the end of a movie file.
constexpr std::chrono::milliseconds kMovieFinishTimeout{5000};

// Streaming threads: only errors, warnings and the end of stream are kept for the UI
// thread, which is told of them by the camera event.
GstBusSyncReply BusSync(GstBus*, GstMessage* message, gpointer graph) {
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_WARNING:
    case GST_MESSAGE_EOS:
        if (QObject* window = static_cast<CaptureGraph*>(graph)->EventWindow()) {
            QCoreApplication::postEvent(window,
                                        new CameraEvent(CameraEvent::Kind::GraphNotification));
        }
        return GST_BUS_PASS;
    default:
        return GST_BUS_DROP;
    }
}

double SampleSeconds(GstSample* sample) {
    GstBuffer* buffer = sample ? gst_sample_get_buffer(sample) : nullptr;
    if (!buffer || !GST_BUFFER_PTS_IS_VALID(buffer)) {
        return 0.0;
    }
    return static_cast<double>(GST_BUFFER_PTS(buffer)) / GST_SECOND;
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

int RenderFailed() {
    qCDebug(veldorTrace, "Couldnt render the video capture stream.  ");
    qCDebug(veldorTrace, "The capture device may already be in use by another application.");
    return kMovieRenderFailed;
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
    m_devices.clear();
    m_requestedWidth = -1;
    m_requestedHeight = -1;
}

void CaptureGraph::Message(const char* text) const {
    qCDebug(veldorTrace, "%s", text);
    if (m_prompts) {
        m_prompts->MessageBox(QString::fromLatin1(text));
    }
}

// An element added to the pipeline (which owns it), or null.
GstElement* CaptureGraph::Add(const char* factory, const char* name) {
    GstElement* element = gst_element_factory_make(factory, name);
    if (!element) {
        qCWarning(veldorTrace, "GStreamer element %s is not available", factory);
        return nullptr;
    }
    if (!gst_bin_add(GST_BIN(m_pipeline.get()), element)) {
        return nullptr;
    }
    return element;
}

// The preview's own streaming thread. A live picture never waits for a slow viewfinder: only
// the newest frame waits, older ones are dropped before anything is done with them.
GstElement* CaptureGraph::AddPreviewQueue() {
    GstElement* queue = Add("queue", "preview");
    if (queue) {
        gst_util_set_object_arg(G_OBJECT(queue), "leaky", "downstream");
        g_object_set(queue, "max-size-buffers", 1u, "max-size-bytes", 0u, "max-size-time",
                     guint64(0), nullptr);
    }
    return queue;
}

GstFlowReturn CaptureGraph::OnPreviewSample(GstAppSink* sink, gpointer data) {
    auto* graph = static_cast<CaptureGraph*>(data);
    GstSamplePtr sample(gst_app_sink_pull_sample(sink));
    std::lock_guard<std::mutex> lock(graph->m_feedMutex);
    // A frame nobody can see is not handed over.
    if (sample && graph->m_fed && !graph->m_fed->WantedSize().isEmpty()) {
        graph->m_fed->Render(sample.get());
    }
    return GST_FLOW_OK;
}

GstFlowReturn CaptureGraph::OnBufferedSample(GstAppSink* sink, gpointer data) {
    auto* graph = static_cast<CaptureGraph*>(data);
    GstSamplePtr sample(gst_app_sink_pull_sample(sink));
    std::lock_guard<std::mutex> lock(graph->m_frameMutex);
    graph->m_lastSample = std::move(sample);
    return GST_FLOW_OK;
}

GstFlowReturn CaptureGraph::OnStillSample(GstAppSink* sink, gpointer) {
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

GstFlowReturn CaptureGraph::OnMovieStillSample(GstAppSink* sink, gpointer) {
    GstSamplePtr sample(gst_app_sink_pull_sample(sink));
    SampleGrabberCallback::Instance().SampleCB(SampleSeconds(sample.get()), sample.get());
    return GST_FLOW_OK;
}

// Stops the pipeline; a movie file being written is completed first. A file that holds no
// frame (stopped within the start time) cannot be played and is removed.
void CaptureGraph::StopPipeline() {
    MovieFileBranch* file = m_fileBranch.get();
    if (file) {
        file->Finish(kMovieFinishTimeout);
    }
    gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    if (file && !file->HasFrames() && QFile::exists(file->Path())) {
        qCDebug(veldorTrace, "movie file without frames removed: %s", qUtf8Printable(file->Path()));
        QFile::remove(file->Path());
    }
}

void CaptureGraph::SetControls(std::unique_ptr<CameraControls> controls) {
    m_controls = std::move(controls);
    ++m_controlsGeneration;
}

// Takes the first error waiting on the graph's bus to say why the graph does not run.
void CaptureGraph::NoteWaitingError() {
    GstBusPtr bus(gst_element_get_bus(m_pipeline.get()));
    GstMessagePtr message(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
    m_failure = GraphFailure::Error;
    if (!message) {
        return;
    }
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message.get(), &error, &debug);
    qCWarning(veldorTrace, "capture graph error: %s (%s)", error ? error->message : "?",
              debug ? debug : "");
    if (IsBusyError(error, debug)) {
        m_failure = GraphFailure::Busy;
    }
    g_clear_error(&error);
    g_free(debug);
}

void CaptureGraph::FormatStep(int* outWidth, int* outHeight) {
    StreamConfig& config = *m_streamConfig;
    if (m_requestedWidth > 0) {
        const VideoCapability offer = FormatToOffer(config.Capabilities(), config.Format(),
                                                    m_requestedWidth, m_requestedHeight);
        // A size the camera does not have is refused and the camera keeps its format.
        config.SetFormat(offer);
        DumpMediaType(offer, "StartVideo");
    } else if (m_requestedWidth == 0 && m_requestedHeight == 0) {
        m_requestedWidth = config.Format().width;
        m_requestedHeight = config.Format().height;
    }
    // The size the camera delivers, which is not the one asked for when it was refused.
    *outWidth = config.Format().width;
    *outHeight = config.Format().height;
}

// The preview, the grabber and the movie file all get the camera's own stream (MJPEG stays
// MJPEG): a frame is decoded only where it is shown, at the size shown, or when a still is
// taken of it.
bool CaptureGraph::Connect(Kind kind, const char* file) {
    GstElement* stream = m_capsFilter.get();
    if (file) {
        GstElement* split = Add("tee", "file");
        if (!split || !gst_element_link(stream, split)) {
            return false;
        }
        GstCaps* caps = nullptr;
        g_object_get(m_capsFilter.get(), "caps", &caps, nullptr);
        GstCapsPtr format(caps);
        m_fileBranch = MovieFileBranch::Create(m_pipeline.get(), split, format.get(),
                                               QString::fromLocal8Bit(file), kMovieStartTime);
        if (!m_fileBranch) {
            return false;
        }
        stream = split;
    }
    GstElement* previewQueue = AddPreviewQueue();
    if (!previewQueue || !gst_element_link(previewQueue, m_previewSink.get())) {
        return false;
    }
    if (m_stillPin) {
        return LinkDecodable(stream, nullptr, previewQueue) &&
               LinkDecodable(m_source.get(), "still", m_grabber.get());
    }
    if (kind == Kind::Movie) {
        return LinkDecodable(stream, nullptr, previewQueue);
    }
    GstElement* split = Add("tee", "grab");
    return split && LinkDecodable(stream, nullptr, split) &&
           gst_element_link(split, m_grabber.get()) && gst_element_link(split, previewQueue);
}

// Links upstream (its pad named pad, or any) to downstream. The viewfinder and the still decoder
// take MJPEG and YUY2, what UVC cameras send; any other raw format a camera offers is converted to
// YUY2 on the way.
bool CaptureGraph::LinkDecodable(GstElement* upstream, const char* pad, GstElement* downstream) {
    const QString& format = m_streamConfig->Format().format;
    if (format == QLatin1String("MJPG") || format == QLatin1String("YUY2")) {
        return gst_element_link_pads(upstream, pad, downstream, nullptr);
    }
    GstElement* convert = Add("videoconvert");
    GstElement* yuy2 = Add("capsfilter");
    if (!convert || !yuy2) {
        return false;
    }
    GstCapsPtr caps(gst_caps_from_string("video/x-raw,format=YUY2"));
    g_object_set(yuy2, "caps", caps.get(), nullptr);
    return gst_element_link_pads(upstream, pad, convert, "sink") &&
           gst_element_link(convert, yuy2) && gst_element_link(yuy2, downstream);
}

// Hands frames to viewFinder from now on; the one fed before is stopped.
void CaptureGraph::Feed(ViewFinder* viewFinder) {
    ViewFinder* before = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_feedMutex);
        before = m_fed;
        if (before == viewFinder) {
            return;
        }
    }
    if (viewFinder && m_streamConfig && m_streamConfig->Valid()) {
        const VideoCapability& format = m_streamConfig->Format();
        viewFinder->SetFormat(format.format, QSize(format.width, std::abs(format.height)));
    }
    {
        std::lock_guard<std::mutex> lock(m_feedMutex);
        m_fed = viewFinder;
    }
    if (before) {
        before->Stop();
    }
}

int CaptureGraph::Build(Kind kind, int* outWidth, int* outHeight, const char* file) {
    if (!EnsureGstInit()) {
        Message("ERROR: device bind failed!");
        return 0;
    }
    m_pipeline.reset(gst_pipeline_new(kind == Kind::Live ? "live" : "movie"));
    gst_object_ref_sink(m_pipeline.get());
    GstBusPtr bus(gst_element_get_bus(m_pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), BusSync, this, nullptr);

    m_failure = GraphFailure::None;
    BindDevice(m_deviceIndex);
    if (!m_source) {
        Message("ERROR: device bind failed!");
        return 0;
    }
    if (!gst_bin_add(GST_BIN(m_pipeline.get()), GST_ELEMENT(gst_object_ref(m_source.get())))) {
        Message("ERROR: device bind failed!");
        return 0;
    }
    m_stillPin = ::HasStillPin(m_source.get());

    m_grabber = Ref(Add("appsink", "grabber"));
    if (!m_grabber) {
        Message(kind == Kind::Live ? "ERROR: pSampleGrabber create failed(2)!"
                                   : "ERROR: pSampleGrabber create failed!");
        return 0;
    }
    if (m_stillPin) {
        SetSinkCallback(m_grabber.get(), kind == Kind::Live ? OnStillSample : OnMovieStillSample,
                        this);
    } else {
        SetSinkCallback(m_grabber.get(), OnBufferedSample, this);
    }

    m_previewSink = Ref(Add("appsink", "renderer"));
    if (!m_previewSink) {
        Message("ERROR: VideoRederer create failed(2)!");
        return 0;
    }
    SetSinkCallback(m_previewSink.get(), OnPreviewSample, this);

    m_capsFilter = Ref(Add("capsfilter", "format"));
    m_streamConfig =
        m_capsFilter ? std::make_unique<StreamConfig>(m_device, m_source.get(), m_capsFilter.get())
                     : nullptr;
    if (!m_streamConfig || !m_streamConfig->Valid()) {
        Message(FindInterfaceError(m_requestedWidth).constData());
        return 0;
    }
    FormatStep(outWidth, outHeight);

    if (!gst_element_link_pads(m_source.get(), "src", m_capsFilter.get(), "sink")) {
        qCWarning(veldorTrace, "capture graph: the camera could not be linked");
        m_failure = GraphFailure::Error;
        return 0;
    }
    if (!Connect(kind, file)) {
        if (file) {
            return RenderFailed();
        }
        qCWarning(veldorTrace, "capture graph: the elements could not be linked");
        m_failure = GraphFailure::Error;
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(m_frameMutex);
        m_stillFrame.reset();
        m_lastSample.reset();
    }
    Feed(m_owner);
    if (gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        qCWarning(veldorTrace, "capture graph: the pipeline did not start");
        NoteWaitingError();
        gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
        // With a file, most often the movie file cannot be opened.
        return file ? RenderFailed() : 0;
    }
    // After the start: v4l2src opens its device on the way to PLAYING, and the simulated
    // camera's balance element exists only once the format step has rebuilt its chain.
    SetControls(OpenSourceControls(m_device, m_source.get()));
    ApplyPendingRestore(m_device.name);
    m_running = true;
    return 1;
}

int CaptureGraph::BindDevice(int n) {
    m_source.reset();
    const QList<VideoDeviceInfo> present = EnumerateVideoDevices();
    if (present.isEmpty()) {
        Message("camera device not found!");
        return 0;
    }
    // Without a device list yet (no window listed the devices), this listing is the list.
    if (m_devices.isEmpty()) {
        m_devices = present;
    }
    m_deviceIndex = n;
    if (n < 0 || n >= m_devices.size()) {
        return 1;
    }
    const int found = IndexOfDevice(present, m_devices[n]);
    if (found < 0) {
        qCDebug(veldorTrace, "camera %d is not connected: %s", n, m_devices[n].name.constData());
        return 1;
    }
    m_device = present[found];
    m_devices[n] = m_device;
    m_source = BindVideoSource(m_device);
    return 1;
}

bool DeviceConnected(const VideoDeviceInfo& device) {
    return IndexOfDevice(EnumerateVideoDevices(), device) >= 0;
}

int CaptureGraph::StartVideo(int n, ViewFinder* owner, int* outWidth, int* outHeight) {
    if (owner) {
        m_owner = owner;
        m_deviceIndex = n;
    }
    ReleaseGraph();
    return Build(Kind::Live, outWidth, outHeight, nullptr);
}

int CaptureGraph::StartMovieVideo(int n, ViewFinder* owner, int* outWidth, int* outHeight,
                                  const char* file) {
    if (owner) {
        m_owner = owner;
        m_deviceIndex = n;
    }
    ReleaseGraph();
    return Build(Kind::Movie, outWidth, outHeight, file);
}

void CaptureGraph::ReleaseGraph() {
    // Before the source closes the descriptor the controls may be using.
    SetControls(nullptr);
    if (m_pipeline) {
        StopPipeline();
        GstBusPtr bus(gst_element_get_bus(m_pipeline.get()));
        gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
        gst_bus_set_flushing(bus.get(), TRUE);
    }
    // The streaming threads have ended: nothing renders any more.
    Feed(nullptr);
    m_fileBranch.reset();
    m_streamConfig.reset();
    m_previewSink.reset();
    m_grabber.reset();
    m_capsFilter.reset();
    m_source.reset();
    m_pipeline.reset();
    {
        std::lock_guard<std::mutex> lock(m_frameMutex);
        m_stillFrame.reset();
        m_lastSample.reset();
    }
    m_stillPin = false;
    m_failed = false;
    m_running = false;
    m_failure = GraphFailure::None;
}

void CaptureGraph::SetRequestedSize(int width, int height) {
    m_requestedWidth = width;
    m_requestedHeight = height;
}

void CaptureGraph::SetNotifyWindow(QObject* window) {
    m_eventWindow.store(window);
    // The window is named once the graph runs; what the graph posted before (a busy camera fails
    // on its first frame) waits on the bus, and is news for this window.
    if (window && m_pipeline) {
        GstBusPtr bus(gst_element_get_bus(m_pipeline.get()));
        if (gst_bus_have_pending(bus.get())) {
            QCoreApplication::postEvent(window,
                                        new CameraEvent(CameraEvent::Kind::GraphNotification));
        }
    }
}

void CaptureGraph::AttachVideoWindow(ViewFinder* viewFinder) {
    m_owner = viewFinder;
    if (!m_pipeline || !viewFinder) {
        return;
    }
    Feed(viewFinder);
    RunGraph();
}

void CaptureGraph::ForgetViewFinder(ViewFinder* viewFinder) {
    if (m_owner == viewFinder) {
        m_owner = nullptr;
    }
    std::lock_guard<std::mutex> lock(m_feedMutex);
    if (m_fed == viewFinder) {
        m_fed = nullptr;
    }
}

ViewFinder* CaptureGraph::FedViewFinder() {
    std::lock_guard<std::mutex> lock(m_feedMutex);
    return m_fed;
}

void CaptureGraph::RunGraph() {
    if (m_pipeline && !m_failed) {
        gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING);
    }
}

bool CaptureGraph::GraphRuns() const {
    return m_pipeline && m_running && !m_failed;
}

StreamConfig* CaptureGraph::Stream() {
    if (!m_streamConfig && m_source) {
        m_streamConfig =
            std::make_unique<StreamConfig>(m_device, m_source.get(), m_capsFilter.get());
    }
    if (m_streamConfig && !m_streamConfig->Valid()) {
        m_streamConfig.reset();
    }
    return m_streamConfig.get();
}

bool CaptureGraph::PauseStream() {
    if (!m_pipeline) {
        return false;
    }
    GstState state = GST_STATE_NULL;
    gst_element_get_state(m_pipeline.get(), &state, nullptr, 0);
    if (state != GST_STATE_PLAYING) {
        return false;
    }
    gst_element_set_state(m_pipeline.get(), GST_STATE_READY);
    return true;
}

void CaptureGraph::ResumeStream() {
    if (m_pipeline) {
        gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING);
    }
}

TakenFrame CaptureGraph::TakeFrame() {
    TakenFrame taken;
    std::lock_guard<std::mutex> lock(m_frameMutex);
    taken.still = std::move(m_stillFrame);
    if (!taken.still && m_lastSample) {
        taken.sample.reset(gst_sample_ref(m_lastSample.get()));
    }
    return taken;
}

bool CaptureGraph::HasFrame() {
    std::lock_guard<std::mutex> lock(m_frameMutex);
    return m_stillFrame || m_lastSample;
}

bool CaptureGraph::TriggerStill() {
    return m_stillPin && ::TriggerStill(m_source.get());
}

std::pair<std::uintptr_t, std::intptr_t>
CaptureGraph::FillStillSlot(std::unique_ptr<GrabbedFrame> frame) {
    std::lock_guard<std::mutex> lock(m_frameMutex);
    const std::uintptr_t length = frame->bytes.size();
    const auto address = reinterpret_cast<std::intptr_t>(frame->bytes.data());
    m_stillFrame = std::move(frame);
    return {length, address};
}

void CaptureGraph::ReportCameraRemoved() {
    if (!m_pipeline || m_failed || !m_source) {
        return;
    }
    qCDebug(veldorTrace, "capture graph: the camera was unplugged: %s", m_device.name.constData());
    GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND,
                                        "The camera was unplugged.");
    gst_element_post_message(m_source.get(),
                             gst_message_new_error(GST_OBJECT(m_source.get()), error, "removed"));
    g_error_free(error);
}

int CaptureGraph::DrainGraphEvents() {
    if (!m_pipeline) {
        return 0;
    }
    GstBusPtr bus(gst_element_get_bus(m_pipeline.get()));
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
            if (!m_failed) {
                m_failed = true;
                m_running = false;
                m_failure = IsBusyError(error, debug) ? GraphFailure::Busy : GraphFailure::Error;
                SetControls(nullptr); // the stopped source closes its descriptor
                StopPipeline();
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
