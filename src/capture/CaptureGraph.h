#pragma once

#include "capture/FrameFormat.h"
#include "platform/video/CameraControls.h"
#include "platform/video/GstHandles.h"
#include "platform/video/StreamConfig.h"
#include "platform/video/VideoDevice.h"

#include <QPointer>
#include <QWidget>
#include <atomic>
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

// The running capture graph: one per process, because the grabber, the camera properties
// and the format dialog all act on whichever graph runs. Written on the UI thread only,
// except the still-frame slot and the last buffered frame, which the streaming threads fill
// under frameMutex.
struct CaptureGraph {
    GstElementPtr pipeline;     // the graph, with its control and events (the bus)
    GstElementPtr source;       // the camera's source element
    VideoDeviceInfo device;     // the bound camera
    bool stillPin = false;      // the camera has a still pad, linked to the grabber
    bool videoControl = false;  // the still pad can be triggered
    GstElementPtr capsFilter;   // fixes the camera's capture format
    GstElementPtr grabber;      // appsink of the grabber branch
    GstElementPtr rendererSink; // appsink feeding the video output
    std::unique_ptr<StreamConfig> streamConfig;
    // The source's picture controls while the graph runs.
    std::unique_ptr<CameraControls> controls;
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
    bool failed = false; // an error stopped the graph
    bool fullScreen = false;
    Prompts* prompts = nullptr;

    CaptureGraph();
    ~CaptureGraph();
    static CaptureGraph& Instance();
    // Back to the start-of-process state: no graph, requestedWidth -1.
    void Reset();
};

// Binds the n-th video device (listing the devices anew); returns 1 when any device exists.
int BindDevice(int n);

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
// Pops the graph's queued notifications; an error stops the graph, completing a movie file
// being written with what it has. Returns the number popped.
int DrainGraphEvents();
