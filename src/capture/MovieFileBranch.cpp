#include "capture/MovieFileBranch.h"

#include "platform/trace/Trace.h"

#include <QFile>
#include <atomic>
#include <condition_variable>
#include <mutex>

// Shared by the UI thread and the streaming threads' probes.
struct MovieFileBranch::State {
    GstClockTime startTime = 0;
    std::atomic<bool> started{false};  // the start time has passed
    std::atomic<bool> stopping{false}; // Finish() runs: nothing more goes into the file
    std::mutex mutex;                  // guards eosAtSink
    std::condition_variable ended;
    bool eosAtSink = false;
};

namespace {

using State = MovieFileBranch::State;

State& StateOf(gpointer data) {
    return **static_cast<std::shared_ptr<State>*>(data);
}

gpointer NewStateRef(const std::shared_ptr<State>& state) {
    return new std::shared_ptr<State>(state);
}

void DeleteStateRef(gpointer data) {
    delete static_cast<std::shared_ptr<State>*>(data);
}

// Streaming thread of the camera. The drop sits on the tee's pad rather than the queue's:
// a queue that has taken the end of stream would answer further buffers with EOS, and the
// tee would pass that on to the camera.
GstPadProbeReturn FeedProbe(GstPad* pad, GstPadProbeInfo*, gpointer data) {
    State& state = StateOf(data);
    if (state.stopping.load()) {
        return GST_PAD_PROBE_DROP;
    }
    if (!state.started.load()) {
        GstElement* tee = gst_pad_get_parent_element(pad);
        const GstClockTime now = tee ? gst_element_get_current_running_time(tee) : 0;
        if (tee) {
            gst_object_unref(tee);
        }
        if (!GST_CLOCK_TIME_IS_VALID(now) || now < state.startTime) {
            return GST_PAD_PROBE_DROP;
        }
        state.started.store(true);
    }
    return GST_PAD_PROBE_PASS;
}

// Streaming thread of the queue: avimux has written its index and header once the end of
// stream leaves it.
GstPadProbeReturn SinkProbe(GstPad*, GstPadProbeInfo* info, gpointer data) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (event && GST_EVENT_TYPE(event) == GST_EVENT_EOS) {
        State& state = StateOf(data);
        {
            std::lock_guard<std::mutex> lock(state.mutex);
            state.eosAtSink = true;
        }
        state.ended.notify_all();
    }
    return GST_PAD_PROBE_PASS;
}

GstElement* Make(const char* factory) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (!element) {
        qCWarning(veldorTrace, "GStreamer element %s is not available", factory);
    }
    return element;
}

} // namespace

std::unique_ptr<MovieFileBranch> MovieFileBranch::Create(GstElement* pipeline, GstElement* tee,
                                                         const GstCaps* caps, const QString& path,
                                                         GstClockTime startTime) {
    GstElement* queue = Make("queue");
    GstElement* mux = Make("avimux");
    GstElement* sink = Make("filesink");
    if (!queue || !mux || !sink) {
        for (GstElement* e : {queue, mux, sink}) {
            if (e) {
                gst_object_unref(gst_object_ref_sink(e));
            }
        }
        return nullptr;
    }
    // Never leaky: a slow disk holds frames here (up to 5 s of them) rather than losing them.
    g_object_set(queue, "max-size-buffers", 0u, "max-size-bytes", 0u, "max-size-time",
                 guint64(5 * GST_SECOND), nullptr);
    g_object_set(sink, "location", QFile::encodeName(path).constData(), "sync", FALSE, "async",
                 FALSE, nullptr);
    gst_bin_add_many(GST_BIN(pipeline), queue, mux, sink, nullptr);

    std::unique_ptr<MovieFileBranch> branch(new MovieFileBranch);
    branch->m_queue = Ref(queue);
    branch->m_mux = Ref(mux);
    branch->m_sink = Ref(sink);
    branch->m_state = std::make_shared<State>();
    branch->m_state->startTime = startTime;
    branch->m_path = path;

    GstPadPtr muxIn(gst_element_request_pad_simple(mux, "video_%u"));
    GstCapsPtr accepted(muxIn ? gst_pad_query_caps(muxIn.get(), nullptr) : nullptr);
    if (!accepted || !caps || !gst_caps_can_intersect(caps, accepted.get())) {
        qCDebug(veldorTrace, "avimux does not take the camera's format");
        return nullptr;
    }
    GstPadPtr queueOut(gst_element_get_static_pad(queue, "src"));
    branch->m_teePad.reset(gst_element_request_pad_simple(tee, "src_%u"));
    GstPadPtr queueIn(gst_element_get_static_pad(queue, "sink"));
    if (!branch->m_teePad ||
        gst_pad_link(branch->m_teePad.get(), queueIn.get()) != GST_PAD_LINK_OK ||
        gst_pad_link(queueOut.get(), muxIn.get()) != GST_PAD_LINK_OK ||
        !gst_element_link(mux, sink)) {
        qCDebug(veldorTrace, "the movie file branch could not be linked");
        return nullptr;
    }
    gst_pad_add_probe(branch->m_teePad.get(),
                      GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                      FeedProbe, NewStateRef(branch->m_state), DeleteStateRef);
    GstPadPtr sinkIn(gst_element_get_static_pad(sink, "sink"));
    gst_pad_add_probe(sinkIn.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, SinkProbe,
                      NewStateRef(branch->m_state), DeleteStateRef);
    return branch;
}

bool MovieFileBranch::HasFrames() const {
    return m_state->started.load();
}

bool MovieFileBranch::Finish(std::chrono::milliseconds timeout) {
    if (m_finished) {
        return m_complete;
    }
    m_finished = true;
    m_state->stopping.store(true);
    GstPadPtr in(gst_element_get_static_pad(m_queue.get(), "sink"));
    // Refused when the branch has its end of stream already (the camera's stream ended; it is
    // still on its way) or when the pipeline does not run (nothing will come).
    const bool sent = gst_pad_send_event(in.get(), gst_event_new_eos());
    const bool underway = sent || GST_PAD_IS_EOS(in.get());
    std::unique_lock<std::mutex> lock(m_state->mutex);
    if (underway &&
        !m_state->ended.wait_for(lock, timeout, [this] { return m_state->eosAtSink; })) {
        qCWarning(veldorTrace, "movie file: the end of stream did not reach the file sink");
    }
    m_complete = m_state->eosAtSink;
    return m_complete;
}
