#pragma once

#include "platform/video/GstHandles.h"

#include <QString>
#include <QStringList>
#include <memory>

// The frames of a recording, one after the other and from the start again after the last: an
// MJPEG AVI file, read through GStreamer's demuxer, or a folder of JPEG files in name order.
// Holds at most a few frames at a time, however long the recording. Used by one thread at a time.
class ReplayFrames {
public:
    // Nothing, with error set, when path is neither a readable file nor a folder with JPEG files.
    static std::unique_ptr<ReplayFrames> Open(const QString& path, QString* error);
    virtual ~ReplayFrames() = default;

    // The next frame's bytes (a new buffer, owned by the caller); null, with error set, when the
    // recording cannot be read or holds no frame.
    virtual GstBuffer* Next(QString* error) = 0;
    // The place in the recording of the frame Next gave last, from 0.
    virtual int Index() const = 0;
};
