#include "platform/video/SimulatedSource.h"

#include "platform/trace/Trace.h"
#include "platform/video/CapsParsing.h"
#include "platform/video/ReplaySource.h"

#include <atomic>

namespace {

const char* const kStateKey = "veldor-simulated-camera";

// Per-source state, owned by the bin.
struct SimulatedState {
    SimulatedCamera camera;
    std::atomic<int> stillRequests{0};
    GstElement* bin = nullptr; // the source itself, which owns this state
    std::atomic<bool> busyReported{false};
};

SimulatedState* StateOf(GstElement* element) {
    return static_cast<SimulatedState*>(g_object_get_data(G_OBJECT(element), kStateKey));
}

GstElement* Make(const char* factory, const char* name) {
    GstElement* element = gst_element_factory_make(factory, name);
    if (!element) {
        qCWarning(veldorTrace, "GStreamer element %s is not available", factory);
    }
    return element;
}

// Passes one buffer per still request and drops the others.
GstPadProbeReturn StillProbe(GstPad*, GstPadProbeInfo* info, gpointer data) {
    if (!(GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER)) {
        return GST_PAD_PROBE_PASS;
    }
    auto* state = static_cast<SimulatedState*>(data);
    int pending = state->stillRequests.load();
    while (pending > 0) {
        if (state->stillRequests.compare_exchange_weak(pending, 0)) {
            return GST_PAD_PROBE_PASS;
        }
    }
    return GST_PAD_PROBE_DROP;
}

// Streaming thread. A busy camera gives no frame: its first one fails the stream with the error
// v4l2src posts when another program holds the device.
GstPadProbeReturn BusyProbe(GstPad*, GstPadProbeInfo*, gpointer data) {
    auto* state = static_cast<SimulatedState*>(data);
    if (!state->busyReported.exchange(true)) {
        const QByteArray name = state->camera.name.toUtf8();
        GST_ELEMENT_ERROR(state->bin, RESOURCE, BUSY, ("Device '%s' is busy", name.constData()),
                          ("simulated camera held by another program"));
    }
    return GST_PAD_PROBE_DROP;
}

bool AddGhost(GstBin* bin, GstElement* element, const char* name) {
    GstPadPtr target(gst_element_get_static_pad(element, "src"));
    GstPad* ghost = gst_ghost_pad_new(name, target.get());
    if (!ghost || !gst_pad_set_active(ghost, TRUE) ||
        !gst_element_add_pad(GST_ELEMENT(bin), ghost)) {
        qCWarning(veldorTrace, "simulated camera: pad %s could not be made", name);
        return false;
    }
    return true;
}

gpointer RefCopy(gconstpointer object, gpointer) {
    return gst_object_ref(const_cast<gpointer>(object));
}

void ClearBin(GstBin* bin) {
    GList* pads = g_list_copy_deep(GST_ELEMENT(bin)->srcpads, RefCopy, nullptr);
    for (GList* p = pads; p; p = p->next) {
        gst_element_remove_pad(GST_ELEMENT(bin), GST_PAD(p->data));
    }
    g_list_free_full(pads, gst_object_unref);
    GList* children = g_list_copy_deep(bin->children, RefCopy, nullptr);
    for (GList* c = children; c; c = c->next) {
        gst_bin_remove(bin, GST_ELEMENT(c->data));
    }
    g_list_free_full(children, gst_object_unref);
}

// videotestsrc with the camera's pattern, its videobalance and, for MJPG, jpegenc; the last
// element, or null.
GstElement* AddPatternChain(GstBin* bin, SimulatedState* state, const VideoCapability& format) {
    const bool jpeg = format.format == QLatin1String("MJPG");
    GstElement* src = Make("videotestsrc", "camera");
    GstElement* rawCaps = Make("capsfilter", "rawcaps");
    GstElement* balance = Make("videobalance", "balance");
    GstElement* encoder = jpeg ? Make("jpegenc", "encoder") : nullptr;
    if (!src || !rawCaps || !balance || (jpeg && !encoder)) {
        for (GstElement* e : {src, rawCaps, balance, encoder}) {
            if (e) {
                gst_object_unref(gst_object_ref_sink(e));
            }
        }
        return nullptr;
    }
    gst_util_set_object_arg(G_OBJECT(src), "pattern", state->camera.pattern.toUtf8().constData());
    g_object_set(src, "is-live", TRUE, nullptr);

    VideoCapability raw = format;
    if (jpeg) {
        raw.format = QStringLiteral("I420");
    }
    GstCapsPtr caps(CapsForCapability(raw, true));
    g_object_set(rawCaps, "caps", caps.get(), nullptr);

    gst_bin_add_many(bin, src, rawCaps, balance, nullptr);
    GstElement* last = balance;
    bool linked = gst_element_link_many(src, rawCaps, balance, nullptr);
    if (encoder) {
        gst_bin_add(bin, encoder);
        linked = linked && gst_element_link(balance, encoder);
        last = encoder;
    }
    if (!linked) {
        qCWarning(veldorTrace, "simulated camera: chain could not be linked");
        return nullptr;
    }
    return last;
}

bool BuildChain(GstBin* bin, SimulatedState* state, const VideoCapability& format) {
    GstElement* last = state->camera.replay.isEmpty()
                           ? AddPatternChain(bin, state, format)
                           : AddReplayChain(bin, state->camera.replay, format);
    if (!last) {
        return false;
    }
    if (state->camera.busy) {
        GstElementPtr src(gst_bin_get_by_name(bin, "camera"));
        GstPadPtr out(gst_element_get_static_pad(src.get(), "src"));
        gst_pad_add_probe(out.get(), GST_PAD_PROBE_TYPE_BUFFER, BusyProbe, state, nullptr);
    }
    if (!state->camera.stillPin) {
        return AddGhost(bin, last, "src");
    }
    GstElement* tee = Make("tee", "split");
    GstElement* captureQueue = Make("queue", "capturequeue");
    GstElement* stillQueue = Make("queue", "stillqueue");
    if (!tee || !captureQueue || !stillQueue) {
        return false;
    }
    gst_bin_add_many(bin, tee, captureQueue, stillQueue, nullptr);
    if (!gst_element_link(last, tee) || !gst_element_link(tee, captureQueue) ||
        !gst_element_link(tee, stillQueue)) {
        qCWarning(veldorTrace, "simulated camera: still branch could not be linked");
        return false;
    }
    GstPadPtr stillOut(gst_element_get_static_pad(stillQueue, "src"));
    gst_pad_add_probe(stillOut.get(), GST_PAD_PROBE_TYPE_BUFFER, StillProbe, state, nullptr);
    return AddGhost(bin, captureQueue, "src") && AddGhost(bin, stillQueue, "still");
}

} // namespace

GstElementPtr CreateSimulatedSource(const SimulatedCamera& camera, const VideoCapability& format) {
    GstElementPtr bin(gst_bin_new(nullptr));
    gst_object_ref_sink(bin.get());
    auto* state = new SimulatedState;
    state->camera = camera;
    state->bin = bin.get();
    g_object_set_data_full(G_OBJECT(bin.get()), kStateKey, state,
                           [](gpointer p) { delete static_cast<SimulatedState*>(p); });
    if (!BuildChain(GST_BIN(bin.get()), state, format)) {
        return nullptr;
    }
    return bin;
}

bool IsSimulatedSource(GstElement* element) {
    return StateOf(element) != nullptr;
}

bool SimulatedHasStill(GstElement* source) {
    const SimulatedState* state = StateOf(source);
    return state && state->camera.stillPin;
}

bool TriggerSimulatedStill(GstElement* source) {
    SimulatedState* state = StateOf(source);
    if (!state || !state->camera.stillPin) {
        return false;
    }
    state->stillRequests.fetch_add(1);
    return true;
}

void SetSimulatedFormat(GstElement* source, const VideoCapability& format) {
    SimulatedState* state = StateOf(source);
    if (!state) {
        return;
    }
    ClearBin(GST_BIN(source));
    if (!BuildChain(GST_BIN(source), state, format)) {
        qCWarning(veldorTrace, "simulated camera: format %s %dx%d could not be built",
                  qUtf8Printable(format.format), format.width, format.height);
    }
}

GstElement* SimulatedBalance(GstElement* source) {
    GstElement* balance = gst_bin_get_by_name(GST_BIN(source), "balance");
    if (balance) {
        gst_object_unref(balance); // the bin keeps its own reference
    }
    return balance;
}
