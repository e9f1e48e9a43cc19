#pragma once

#include "capture/FrameFormat.h"
#include "platform/video/CameraControls.h"
#include "platform/video/GstHandles.h"
#include "platform/video/StreamConfig.h"
#include "platform/video/VideoDevice.h"

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class MovieFileBranch;
class Prompts;
class VideoOutput;

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

// The running capture graph: one per process, because the grabber, the camera properties
// and the format dialog all act on whichever graph runs. Written on the UI thread only,
// except the still-frame slot and the last buffered frame, which the streaming threads fill
// under frameMutex.
struct CaptureGraph {
    GstElementPtr pipeline; // the graph, with its control and events (the bus)
    GstElementPtr source;   // the camera's source element
    VideoDeviceInfo device; // the bound camera
    // The cameras of the device list by index, as the combo box shows them: BindDevice binds
    // what the n-th one is, wherever a new listing puts it.
    QList<VideoDeviceInfo> devices;
    bool stillPin = false;      // the camera has a still pad, linked to the grabber
    bool videoControl = false;  // the still pad can be triggered
    GstElementPtr capsFilter;   // fixes the camera's capture format
    GstElementPtr grabber;      // appsink of the grabber branch
    GstElementPtr rendererSink; // appsink feeding the video output
    std::unique_ptr<StreamConfig> streamConfig;
    // The source's picture controls while the graph runs. controlsGeneration changes whenever
    // they are made or dropped, so holders of RunningGraphControls know they are gone.
    std::unique_ptr<CameraControls> controls;
    std::uint64_t controlsGeneration = 0;
    GstElementPtr mux, sink; // AVI branch of the movie graph
    std::unique_ptr<MovieFileBranch> fileBranch;
    QPointer<VideoOutput> renderer; // the video output window
    int grabberMode = -1;           // -1 buffering the last frame, 0 SampleCB, 1 BufferCB

    std::mutex frameMutex;                    // guards the two members below
    std::unique_ptr<GrabbedFrame> stillFrame; // still-frame slot
    GstSamplePtr lastSample;                  // last frame of a buffering grabber

    std::atomic<QObject*> eventWindow{nullptr};
    QPointer<QWidget> ownerWindow;
    int deviceIndex = 0;
    int left = 0, top = 0, width = 640, height = 480;
    int requestedWidth = -1, requestedHeight = -1;
    bool failed = false;                       // an error stopped the graph
    bool running = false;                      // built and started, not stopped since
    GraphFailure failure = GraphFailure::None; // why the graph stopped, or the last build failed
    bool fullScreen = false;
    Prompts* prompts = nullptr;

    CaptureGraph();
    ~CaptureGraph();
    static CaptureGraph& Instance();
    // Back to the start-of-process state: no graph, no device list, requestedWidth -1.
    void Reset();
};

// Binds the n-th camera of the device list, found by what it is among the devices present now
// (none when it is unplugged); returns 1 when any device exists.
int BindDevice(int n);
// Whether the camera is present now (by what it is, see SameDevice).
bool DeviceConnected(const VideoDeviceInfo& device);

// Builds and runs the live graph for device n shown in owner (or, with a null owner, the
// camera, window and rectangle of the previous build). Returns 1 when it runs.
int StartVideo(int n, QWidget* owner, int width, int height, int* outWidth, int* outHeight);
// The movie window's graph; with a file also the AVI branch, which gets the camera's stream
// in its own format from 2 s after the start. Negative when the file branch cannot be made
// or the file cannot be opened; nothing runs then.
int StartMovieVideo(int n, QWidget* owner, int* outWidth, int* outHeight, const char* file);
inline constexpr int kMovieRenderFailed = -1;
// Stops the graph and drops it; a movie file being written is completed first.
void ReleaseGraph();
void AttachVideoWindow(QWidget* w);
void SetFullScreen(int enter, int keepAspect);
// Where the graph's notifications and still frames are posted.
void SetNotifyWindow(QObject* window);
// Shows a message of the capture code (and traces it).
void GraphMessage(const char* text);
// Whether a graph was built, started and not stopped by an error since.
bool GraphRuns();
// Stops the running graph as its camera's removal does: an error on the graph's bus, handled
// like the one v4l2src posts (the camera event, DrainGraphEvents). Nothing without a running
// graph.
void ReportCameraRemoved();
// Pops the graph's queued notifications; an error stops the graph, completing a movie file
// being written with what it has. Returns the number popped.
int DrainGraphEvents();
