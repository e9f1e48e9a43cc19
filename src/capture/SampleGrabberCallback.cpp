#include "capture/SampleGrabberCallback.h"

#include "capture/CameraEvent.h"

#include <QCoreApplication>

SampleGrabberCallback& SampleGrabberCallback::Instance() {
    static SampleGrabberCallback instance;
    return instance;
}

int SampleGrabberCallback::SampleCB(double, GstSample*) {
    if (QObject* window = CaptureGraph::Instance().eventWindow.load()) {
        QCoreApplication::postEvent(window, new CameraEvent(CameraEvent::Kind::Press));
    }
    return 0;
}

int SampleGrabberCallback::BufferCB(double, std::unique_ptr<GrabbedFrame> frame) {
    if (!frame || frame->bytes.empty()) {
        return 0;
    }
    CaptureGraph& graph = CaptureGraph::Instance();
    std::uintptr_t length = 0;
    std::intptr_t address = 0;
    {
        std::lock_guard<std::mutex> lock(graph.frameMutex);
        length = frame->bytes.size();
        address = reinterpret_cast<std::intptr_t>(frame->bytes.data());
        graph.stillFrame = std::move(frame);
    }
    if (QObject* window = graph.eventWindow.load()) {
        QCoreApplication::postEvent(
            window, new CameraEvent(CameraEvent::Kind::StillFrame, length, address));
    }
    return 0;
}
