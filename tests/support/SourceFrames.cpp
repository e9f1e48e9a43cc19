#include "support/SourceFrames.h"

#include <gst/app/gstappsink.h>

namespace {

GstElement* AddSink(GstElement* pipeline, GstElement* source, const char* pad,
                    GstFlowReturn (*callback)(GstElement*, gpointer), gpointer self) {
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    g_object_set(sink, "sync", FALSE, "emit-signals", TRUE, "async", FALSE, nullptr);
    g_signal_connect(sink, "new-sample", G_CALLBACK(callback), self);
    gst_bin_add(GST_BIN(pipeline), sink);
    gst_element_link_pads(source, pad, sink, "sink");
    return sink;
}

} // namespace

SourceFrames::SourceFrames(GstElementPtr source) : m_source(std::move(source)) {
}

SourceFrames::~SourceFrames() {
    if (m_pipeline) {
        gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    }
}

bool SourceFrames::Start() {
    if (!m_source) {
        return false;
    }
    m_pipeline.reset(gst_pipeline_new(nullptr));
    gst_object_ref_sink(m_pipeline.get());
    gst_bin_add(GST_BIN(m_pipeline.get()), GST_ELEMENT(gst_object_ref(m_source.get())));
    AddSink(m_pipeline.get(), m_source.get(), "src", OnFrame, this);
    GstPadPtr still(gst_element_get_static_pad(m_source.get(), "still"));
    if (still) {
        AddSink(m_pipeline.get(), m_source.get(), "still", OnStill, this);
    }
    return gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

GstFlowReturn SourceFrames::OnFrame(GstElement* sink, gpointer data) {
    auto* self = static_cast<SourceFrames*>(data);
    GstSamplePtr sample(gst_app_sink_pull_sample(GST_APP_SINK(sink)));
    GstMapInfo map;
    GstBuffer* buffer = sample ? gst_sample_get_buffer(sample.get()) : nullptr;
    if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return GST_FLOW_OK;
    }
    std::lock_guard<std::mutex> lock(self->m_mutex);
    if (self->m_caps.isEmpty()) {
        gchar* caps = gst_caps_to_string(gst_sample_get_caps(sample.get()));
        self->m_caps = caps;
        g_free(caps);
    }
    if (self->m_frames.size() < 200) {
        self->m_frames.append(
            QByteArray(reinterpret_cast<const char*>(map.data), qsizetype(map.size)));
    }
    ++self->m_count;
    gst_buffer_unmap(buffer, &map);
    return GST_FLOW_OK;
}

GstFlowReturn SourceFrames::OnStill(GstElement* sink, gpointer data) {
    auto* self = static_cast<SourceFrames*>(data);
    GstSamplePtr sample(gst_app_sink_pull_sample(GST_APP_SINK(sink)));
    std::lock_guard<std::mutex> lock(self->m_mutex);
    if (sample) {
        self->m_stills.push_back(std::move(sample));
    }
    return GST_FLOW_OK;
}

QList<QByteArray> SourceFrames::Frames() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames;
}

int SourceFrames::Count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_count;
}

QList<GstSample*> SourceFrames::Stills() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    QList<GstSample*> stills;
    for (const GstSamplePtr& still : m_stills) {
        stills.append(still.get());
    }
    return stills;
}

QByteArray SourceFrames::CapsText() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_caps;
}

QString SourceFrames::Error() const {
    if (!m_pipeline || !m_error.isEmpty()) {
        return m_error;
    }
    GstBusPtr bus(gst_element_get_bus(m_pipeline.get()));
    GstMessagePtr message(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
    if (!message) {
        return {};
    }
    GError* error = nullptr;
    gst_message_parse_error(message.get(), &error, nullptr);
    m_error = error ? QString::fromUtf8(error->message) : QStringLiteral("error");
    if (error) {
        g_error_free(error);
    }
    return m_error;
}
