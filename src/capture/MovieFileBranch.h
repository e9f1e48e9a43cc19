#pragma once

#include "platform/video/GstHandles.h"

#include <QString>
#include <chrono>
#include <memory>

// The movie graph's file branch: a pad of the tee that splits the camera's own stream, a
// queue, avimux and filesink. Buffers of the first startTime of the pipeline's running time
// are dropped, so the file starts that late. Finish() completes the file: avimux writes its
// index and header only when the end of stream reaches it. Before the file would outgrow the
// room it has (the file-size limit, the file system's largest file, the disk's free space,
// less what the end of the file needs), the branch stops taking frames and posts an error
// (GST_RESOURCE_ERROR_NO_SPACE_LEFT), so the file is ended like on any error: complete.
class MovieFileBranch {
public:
    // Adds the branch to pipeline, fed from a new pad of tee; caps is the camera's format.
    // Nothing when an element is missing or avimux does not take the format.
    static std::unique_ptr<MovieFileBranch> Create(GstElement* pipeline, GstElement* tee,
                                                   const GstCaps* caps, const QString& path,
                                                   GstClockTime startTime);
    ~MovieFileBranch();
    MovieFileBranch(const MovieFileBranch&) = delete;
    MovieFileBranch& operator=(const MovieFileBranch&) = delete;

    GstElement* mux() const { return m_mux.get(); }
    GstElement* sink() const { return m_sink.get(); }

    // UI thread, before the pipeline stops: stops feeding the branch, sends the end of stream
    // through it and waits until it reaches the file sink, at most timeout. True when it did
    // (the file is complete). A second call only repeats the first one's result.
    bool Finish(std::chrono::milliseconds timeout);
    // Whether any frame went into the file (none when it was stopped within the start time).
    bool HasFrames() const;
    // Whether the branch stopped itself because the file had no more room.
    bool OutOfRoom() const;
    const QString& Path() const { return m_path; }

    struct State;

private:
    MovieFileBranch() = default;

    std::shared_ptr<State> m_state;
    QString m_path;
    GstPadPtr m_teePad;
    GstElementPtr m_queue, m_mux, m_sink;
    int m_lock = -1; // the file's lock, held while the branch exists
    bool m_finished = false;
    bool m_complete = false;
};
