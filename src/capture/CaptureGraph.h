#pragma once

#include "capture/FrameFormat.h"
#include "platform/video/CameraControls.h"
#include "platform/video/GstHandles.h"
#include "platform/video/StreamConfig.h"
#include "platform/video/VideoDevice.h"

#include <QList>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class MovieFileBranch;
class Prompts;
class QObject;
class ViewFinder;
typedef struct _GstAppSink GstAppSink;

// A frame in the grabber's format: 24-bit BGR rows padded to 4 bytes, bottom row first.
struct GrabbedFrame {
    FrameFormat format;
    std::vector<unsigned char> bytes;
};

// Why the graph stopped.
enum class GraphFailure {
    None,
    Busy,  // another program holds the camera
    Error, // any other error, an unplugged camera's among them
};

// What a capture takes from the graph: the still frame the camera delivered, else the
// grabber's last frame as the camera sent it; neither when nothing has come.
struct TakenFrame {
    std::unique_ptr<GrabbedFrame> still;
    GstSamplePtr sample;
};

// The running capture graph: one per process, because the grabber, the camera properties and
// the format dialog all act on whichever graph runs, and later builds reuse the saved camera
// and viewfinder. Everything runs on the UI thread except where a function says otherwise.
class CaptureGraph {
public:
    static CaptureGraph& Instance();
    CaptureGraph(const CaptureGraph&) = delete;
    CaptureGraph& operator=(const CaptureGraph&) = delete;

    // Back to the start-of-process state: no graph, no device list, requestedWidth -1.
    void Reset();

    // Binds the n-th camera of the device list, found by what it is among the devices present
    // now (none when it is unplugged); returns 1 when any device exists.
    int BindDevice(int n);
    // Builds and runs the live graph for device n shown in owner (or, with a null owner, the
    // camera and viewfinder of the previous build). Returns 1 when it runs.
    int StartVideo(int n, ViewFinder* owner, int* outWidth, int* outHeight);
    // The movie window's graph; with a file also the AVI branch, which gets the camera's
    // stream in its own format from 2 s after the start. Negative when the file branch cannot
    // be made or the file cannot be opened; nothing runs then.
    int StartMovieVideo(int n, ViewFinder* owner, int* outWidth, int* outHeight, const char* file);
    // Stops the graph and drops it; a movie file being written is completed first.
    void ReleaseGraph();
    // Feeds the live picture to viewFinder from now on (and to later builds without owner),
    // and runs the graph.
    void AttachVideoWindow(ViewFinder* viewFinder);
    // A viewfinder going away is fed no more.
    void ForgetViewFinder(ViewFinder* viewFinder);
    // Runs a graph that was paused (the design's IMediaControl::Run).
    void RunGraph();
    // Where the graph's notifications and still frames are posted.
    void SetNotifyWindow(QObject* window);
    // Whether a graph was built, started and not stopped by an error since.
    bool GraphRuns() const;
    // Stops the running graph as its camera's removal does: an error on the graph's bus,
    // handled like the one v4l2src posts. Nothing without a running graph.
    void ReportCameraRemoved();
    // Pops the graph's queued notifications; an error stops the graph, completing a movie
    // file being written with what it has. Returns the number popped.
    int DrainGraphEvents();

    // What a capture takes (emptying the still-frame slot), and whether it has anything.
    TakenFrame TakeFrame();
    bool HasFrame();
    // Asks the camera's still pin for a frame; false without one.
    bool TriggerStill();
    // Streaming thread: the still frame goes into the still-frame slot, replacing one not yet
    // taken. Returns the slot's length and the address of its bytes.
    std::pair<std::uintptr_t, std::intptr_t> FillStillSlot(std::unique_ptr<GrabbedFrame> frame);

    // The cameras of the device list by index, as the combo box shows them: BindDevice binds
    // what the n-th one is, wherever a new listing puts it.
    void SetDevices(const QList<VideoDeviceInfo>& devices) { m_devices = devices; }
    const QList<VideoDeviceInfo>& Devices() const { return m_devices; }
    // The capture size asked of the camera by the next build.
    void SetRequestedSize(int width, int height);
    int RequestedWidth() const { return m_requestedWidth; }
    int RequestedHeight() const { return m_requestedHeight; }
    // Where the capture code's messages are shown; none shows nothing.
    void SetPrompts(Prompts* prompts) { m_prompts = prompts; }
    Prompts* prompts() const { return m_prompts; }
    // Shows a message of the capture code (and traces it).
    void Message(const char* text) const;

    bool Exists() const { return m_pipeline != nullptr; } // built, also when it failed
    bool Failed() const { return m_failed; }              // an error stopped it
    GraphFailure Failure() const { return m_failure; } // why it stopped, or the last build failed
    const VideoDeviceInfo& Device() const { return m_device; }
    int DeviceIndex() const { return m_deviceIndex; }
    // The bound camera's source element (borrowed), null without a graph.
    GstElement* Source() const { return m_source.get(); }
    bool HasStillPin() const { return m_stillPin; }
    // The viewfinder being fed, null without a graph.
    ViewFinder* FedViewFinder();
    // The camera's stream configuration, made for a graph whose build failed before it had
    // one; null without a camera.
    StreamConfig* Stream();
    // The source's picture controls while the graph runs. The generation changes whenever they
    // are made or dropped, so holders of RunningGraphControls know they are gone.
    CameraControls* Controls() const { return m_controls.get(); }
    std::uint64_t ControlsGeneration() const { return m_controlsGeneration; }
    const MovieFileBranch* FileBranch() const { return m_fileBranch.get(); }
    // Any thread: where the camera events go.
    QObject* EventWindow() const { return m_eventWindow.load(); }

    // Stops the stream while the camera's format changes; true when it ran. ResumeStream runs
    // it again.
    bool PauseStream();
    void ResumeStream();

private:
    enum class Kind { Live, Movie };

    CaptureGraph();
    ~CaptureGraph();

    int Build(Kind kind, int* outWidth, int* outHeight, const char* file);
    GstElement* Add(const char* factory, const char* name = nullptr);
    GstElement* AddPreviewQueue();
    bool Connect(Kind kind, const char* file);
    bool LinkDecodable(GstElement* upstream, const char* pad, GstElement* downstream);
    void FormatStep(int* outWidth, int* outHeight);
    void StopPipeline();
    void SetControls(std::unique_ptr<CameraControls> controls);
    void NoteWaitingError();
    void Feed(ViewFinder* viewFinder);

    // Streaming threads.
    static GstFlowReturn OnPreviewSample(GstAppSink* sink, gpointer graph);
    static GstFlowReturn OnBufferedSample(GstAppSink* sink, gpointer graph);
    static GstFlowReturn OnStillSample(GstAppSink* sink, gpointer graph);
    static GstFlowReturn OnMovieStillSample(GstAppSink* sink, gpointer graph);

    GstElementPtr m_pipeline; // the graph, with its control and events (the bus)
    GstElementPtr m_source;   // the camera's source element
    VideoDeviceInfo m_device; // the bound camera
    QList<VideoDeviceInfo> m_devices;
    bool m_stillPin = false;     // the camera has a still pad, linked to the grabber
    GstElementPtr m_capsFilter;  // fixes the camera's capture format
    GstElementPtr m_grabber;     // appsink of the grabber branch
    GstElementPtr m_previewSink; // appsink feeding the viewfinder
    std::unique_ptr<StreamConfig> m_streamConfig;
    std::unique_ptr<CameraControls> m_controls;
    std::uint64_t m_controlsGeneration = 0;
    std::unique_ptr<MovieFileBranch> m_fileBranch;

    std::mutex m_feedMutex;        // guards m_fed; held while a frame is handed over
    ViewFinder* m_fed = nullptr;   // the viewfinder frames go to
    ViewFinder* m_owner = nullptr; // the last owner or attached one: what builds feed

    std::mutex m_frameMutex;                    // guards the two members below
    std::unique_ptr<GrabbedFrame> m_stillFrame; // still-frame slot
    GstSamplePtr m_lastSample;                  // last frame of a buffering grabber

    std::atomic<QObject*> m_eventWindow{nullptr};
    int m_deviceIndex = 0;
    int m_requestedWidth = -1, m_requestedHeight = -1;
    bool m_failed = false;  // an error stopped the graph
    bool m_running = false; // built and started, not stopped since
    GraphFailure m_failure = GraphFailure::None;
    Prompts* m_prompts = nullptr;
};

// The design's operations, on the process-wide graph.
inline int BindDevice(int n) {
    return CaptureGraph::Instance().BindDevice(n);
}
inline int StartVideo(int n, ViewFinder* owner, int* outWidth, int* outHeight) {
    return CaptureGraph::Instance().StartVideo(n, owner, outWidth, outHeight);
}
inline int StartMovieVideo(int n, ViewFinder* owner, int* outWidth, int* outHeight,
                           const char* file) {
    return CaptureGraph::Instance().StartMovieVideo(n, owner, outWidth, outHeight, file);
}
inline constexpr int kMovieRenderFailed = -1;
inline void ReleaseGraph() {
    CaptureGraph::Instance().ReleaseGraph();
}
inline void AttachVideoWindow(ViewFinder* viewFinder) {
    CaptureGraph::Instance().AttachVideoWindow(viewFinder);
}
inline void SetNotifyWindow(QObject* window) {
    CaptureGraph::Instance().SetNotifyWindow(window);
}
inline void GraphMessage(const char* text) {
    CaptureGraph::Instance().Message(text);
}
inline bool GraphRuns() {
    return CaptureGraph::Instance().GraphRuns();
}
inline void ReportCameraRemoved() {
    CaptureGraph::Instance().ReportCameraRemoved();
}
inline int DrainGraphEvents() {
    return CaptureGraph::Instance().DrainGraphEvents();
}
// Whether the camera is present now (by what it is, see SameDevice).
bool DeviceConnected(const VideoDeviceInfo& device);
