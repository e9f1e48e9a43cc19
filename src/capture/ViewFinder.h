#pragma once

#include <QSize>
#include <QString>
#include <gst/gst.h>

// Where the capture graph delivers the live picture. The windows own their viewfinders and tell
// the graph which one to feed; the capture code creates no widget.
class ViewFinder {
public:
    virtual ~ViewFinder() = default;

    // UI thread, before frames come: the camera's stream ("MJPG" or "YUY2") and its frame size.
    virtual void SetFormat(const QString& format, QSize size) = 0;
    // Streaming thread: the newest frame of the stream. Frames come one at a time.
    virtual void Render(GstSample* sample) = 0;
    // UI thread: no more frames come; a frame still on its way to the screen is dropped.
    virtual void Stop() = 0;
    // Any thread: the size the viewfinder shows a frame at, in device pixels; empty while it
    // cannot be seen, when the graph hands it no frame.
    virtual QSize WantedSize() const = 0;
};
