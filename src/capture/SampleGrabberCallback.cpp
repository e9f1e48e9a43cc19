#include "capture/SampleGrabberCallback.h"

#include "capture/CameraEvent.h"

#include <QCoreApplication>

SampleGrabberCallback& SampleGrabberCallback::Instance() {
    static SampleGrabberCallback instance;
    return instance;
}

int SampleGrabberCallback::SampleCB(double, GstSample*) {
    if (QObject* window = CaptureGraph::Instance().EventWindow()) {
        QCoreApplication::postEvent(window, new CameraEvent(CameraEvent::Kind::Press));
    }
    return 0;
}

int SampleGrabberCallback::BufferCB(double, std::unique_ptr<GrabbedFrame> frame) {
    if (!frame || frame->bytes.empty()) {
        return 0;
    }
    CaptureGraph& graph = CaptureGraph::Instance();
    const auto [length, address] = graph.FillStillSlot(std::move(frame));
    if (QObject* window = graph.EventWindow()) {
        QCoreApplication::postEvent(
            window, new CameraEvent(CameraEvent::Kind::StillFrame, length, address));
    }
    return 0;
}
