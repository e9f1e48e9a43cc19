#include "capture/MovieFileBranch.h"

#include "platform/trace/Trace.h"

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

// Shared by the UI thread and the streaming threads' probes.
struct MovieFileBranch::State {
    GstClockTime startTime = 0;
    std::atomic<bool> started{false};   // the start time has passed
    std::atomic<bool> stopping{false};  // Finish() runs: nothing more goes into the file
    std::atomic<bool> outOfRoom{false}; // the branch stopped itself before the disk was full
    std::mutex mutex;                   // guards eosAtSink
    std::condition_variable ended;
    bool eosAtSink = false;

    // Set before the pipeline runs.
    QByteArray file;   // the movie file's path, encoded
    QByteArray folder; // its folder
    std::uint64_t largestFile = std::numeric_limits<std::uint64_t>::max();
    // The camera's streaming thread's own.
    std::uint64_t fed = 0; // bytes let into the branch, with the chunks' headers
    std::uint64_t frames = 0;
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

// Room kept for what avimux writes when the file ends: its headers are rewritten in place, but
// the indexes (16 bytes a frame for the legacy one, 8 for each OpenDML one, and their
// headers) and a last buffer of the file sink are added at the end.
constexpr std::uint64_t kEndReserve = 1 << 20;
constexpr std::uint64_t kIndexBytesPerFrame = 64;
// A frame's chunk header and padding.
constexpr std::uint64_t kChunkOverhead = 16;

// The largest file this process may write into folder: the file-size limit (RLIMIT_FSIZE) or
// the file system's (4 GiB on FAT, FILESIZEBITS 32), whichever is smaller.
std::uint64_t LargestFile(const QByteArray& folder) {
    std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
    struct rlimit limit {};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        largest = limit.rlim_cur;
    }
    const long bits = pathconf(folder.constData(), _PC_FILESIZEBITS);
    if (bits > 0 && bits < 64) {
        largest = std::min(largest, (std::uint64_t(1) << bits) - 1);
    }
    return largest;
}

// Camera's streaming thread: whether bytes more of the stream still leave room to end the
// file, within the largest file and the free space of its disk. What was let in but is not
// on the disk yet (queued, or in the sink's buffer) counts against the free space.
bool RoomFor(State& state, std::uint64_t bytes) {
    const std::uint64_t after = state.fed + bytes + kChunkOverhead;
    const std::uint64_t reserve = kEndReserve + kIndexBytesPerFrame * (state.frames + 1);
    if (after + reserve > state.largestFile) {
        return false;
    }
    struct statvfs disk {};
    if (statvfs(state.folder.constData(), &disk) != 0) {
        return true; // the write itself reports a disk that cannot be asked
    }
    struct stat file {};
    const std::uint64_t onDisk = stat(state.file.constData(), &file) == 0 ? file.st_size : 0;
    const std::uint64_t pending = after > onDisk ? after - onDisk : 0;
    return pending + reserve <= std::uint64_t(disk.f_bavail) * disk.f_frsize;
}

std::uint64_t BytesOf(GstPadProbeInfo* info) {
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
        return gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info));
    }
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER_LIST) {
        return gst_buffer_list_calculate_size(GST_PAD_PROBE_INFO_BUFFER_LIST(info));
    }
    return 0;
}

// The branch stops itself, before the disk refuses a write, and says so on the bus as an error
// of its tee, which ends the file the way any error of the graph does (Finish()).
void StopForRoom(State& state, GstElement* tee) {
    state.stopping.store(true);
    state.outOfRoom.store(true);
    qCWarning(veldorTrace, "movie file: no room for more frames, %llu bytes written",
              static_cast<unsigned long long>(state.fed));
    GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NO_SPACE_LEFT,
                                        "no room left for the movie file");
    gst_element_post_message(tee, gst_message_new_error(GST_OBJECT(tee), error, state.file));
    g_error_free(error);
}

// Streaming thread of the camera. The drop sits on the tee's pad rather than the queue's:
// a queue that has taken the end of stream would answer further buffers with EOS, and the
// tee would pass that on to the camera.
GstPadProbeReturn FeedProbe(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    State& state = StateOf(data);
    if (state.stopping.load()) {
        return GST_PAD_PROBE_DROP;
    }
    GstElementPtr tee(gst_pad_get_parent_element(pad));
    if (!tee) {
        return GST_PAD_PROBE_DROP;
    }
    if (!state.started.load()) {
        const GstClockTime now = gst_element_get_current_running_time(tee.get());
        if (!GST_CLOCK_TIME_IS_VALID(now) || now < state.startTime) {
            return GST_PAD_PROBE_DROP;
        }
    }
    const std::uint64_t bytes = BytesOf(info);
    if (!RoomFor(state, bytes)) {
        StopForRoom(state, tee.get());
        return GST_PAD_PROBE_DROP;
    }
    state.fed += bytes + kChunkOverhead;
    ++state.frames;
    state.started.store(true);
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
    branch->m_state->file = QFile::encodeName(path);
    branch->m_state->folder = QFile::encodeName(QFileInfo(path).absolutePath());
    branch->m_state->largestFile = LargestFile(branch->m_state->folder);
    branch->m_path = path;
    // The lock tells the repair of movies cut short by a crash (which takes it first) that this
    // file is being written, also to another process; the kernel drops it when this one dies.
    branch->m_lock =
        ::open(branch->m_state->file.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (branch->m_lock < 0 || ::flock(branch->m_lock, LOCK_EX | LOCK_NB) != 0) {
        qCDebug(veldorTrace, "movie file: no lock on %s: %s", branch->m_state->file.constData(),
                std::strerror(errno));
    }

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

MovieFileBranch::~MovieFileBranch() {
    if (m_lock >= 0) {
        ::close(m_lock);
    }
}

bool MovieFileBranch::HasFrames() const {
    return m_state->started.load();
}

bool MovieFileBranch::OutOfRoom() const {
    return m_state->outOfRoom.load();
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
