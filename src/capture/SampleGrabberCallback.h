#pragma once

#include "capture/CaptureGraph.h"

#include <memory>

// The grabber's callback: still frames and movie-graph samples arrive here on a streaming
// thread, and the camera event window is told of them. One instance serves the process.
class SampleGrabberCallback {
public:
    static SampleGrabberCallback& Instance();

    // Movie graph: every still-pad sample posts the camera event (0, 0).
    int SampleCB(double sampleTime, GstSample* sample);
    // Live graph: the still frame goes into the still-frame slot (replacing one not yet
    // taken), then the camera event carries its length and address.
    int BufferCB(double sampleTime, std::unique_ptr<GrabbedFrame> frame);
};
