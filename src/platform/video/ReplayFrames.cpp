#include "platform/video/ReplayFrames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gst/app/gstappsink.h>

namespace {

// How long reading one frame of a file may take before the recording counts as unreadable.
constexpr GstClockTime kReadTimeout = 5 * GST_SECOND;
constexpr GstClockTime kPoll = 50 * GST_MSECOND;

class FolderFrames : public ReplayFrames {
public:
    FolderFrames(QString folder, QStringList names)
        : m_folder(std::move(folder)), m_names(std::move(names)) {}

    int Index() const override { return int(m_index); }

    GstBuffer* Next(QString* error) override {
        m_index = m_next;
        QFile file(m_folder + QLatin1Char('/') + m_names[m_next]);
        m_next = (m_next + 1) % m_names.size();
        if (!file.open(QIODevice::ReadOnly)) {
            *error = file.fileName() + QStringLiteral(": ") + file.errorString();
            return nullptr;
        }
        const qint64 size = file.size();
        GstBuffer* buffer =
            size > 0 ? gst_buffer_new_allocate(nullptr, gsize(size), nullptr) : nullptr;
        GstMapInfo map;
        if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
            *error = file.fileName() + QStringLiteral(": empty or too large");
            if (buffer) {
                gst_buffer_unref(buffer);
            }
            return nullptr;
        }
        const qint64 read = file.read(reinterpret_cast<char*>(map.data), size);
        gst_buffer_unmap(buffer, &map);
        if (read != size) {
            *error = file.fileName() + QStringLiteral(": ") + file.errorString();
            gst_buffer_unref(buffer);
            return nullptr;
        }
        return buffer;
    }

private:
    QString m_folder;
    QStringList m_names;
    qsizetype m_next = 0, m_index = 0;
};

// The file's video stream through filesrc and avidemux into an appsink that holds two frames at
// most; at its end, a seek to the start.
class AviFrames : public ReplayFrames {
public:
    bool Start(const QString& path, QString* error) {
        GError* parseError = nullptr;
        m_pipeline.reset(gst_parse_launch(
            "filesrc name=file ! avidemux name=demux demux.video_0 ! appsink name=frames "
            "caps=image/jpeg sync=false max-buffers=2 drop=false enable-last-sample=false",
            &parseError));
        if (parseError) {
            *error = QString::fromUtf8(parseError->message);
            g_error_free(parseError);
            m_pipeline.reset();
            return false;
        }
        GstElementPtr file(gst_bin_get_by_name(GST_BIN(m_pipeline.get()), "file"));
        m_sink.reset(gst_bin_get_by_name(GST_BIN(m_pipeline.get()), "frames"));
        g_object_set(file.get(), "location", QFile::encodeName(path).constData(), nullptr);
        m_path = path;
        if (gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING) ==
            GST_STATE_CHANGE_FAILURE) {
            if (!TakeError(error)) {
                *error = path + QStringLiteral(": cannot be played");
            }
            return false;
        }
        return true;
    }
    ~AviFrames() override {
        if (m_pipeline) {
            gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
        }
    }

    int Index() const override { return m_framesThisPass - 1; }

    GstBuffer* Next(QString* error) override {
        bool rewound = false;
        for (GstClockTime waited = 0; waited < kReadTimeout; waited += kPoll) {
            GstSamplePtr sample(gst_app_sink_try_pull_sample(GST_APP_SINK(m_sink.get()), kPoll));
            if (sample) {
                ++m_framesThisPass;
                return gst_buffer_ref(gst_sample_get_buffer(sample.get()));
            }
            if (gst_app_sink_is_eos(GST_APP_SINK(m_sink.get()))) {
                // From the start again, unless the whole file gave no frame.
                if (m_framesThisPass == 0 || rewound ||
                    !gst_element_seek_simple(
                        m_pipeline.get(), GST_FORMAT_TIME,
                        GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0)) {
                    break;
                }
                rewound = true;
                m_framesThisPass = 0;
                waited = 0;
            } else if (TakeError(error)) {
                return nullptr;
            }
        }
        if (!TakeError(error)) {
            *error = m_path + QStringLiteral(": not an MJPEG AVI file with frames");
        }
        return nullptr;
    }

private:
    // The first error the reading pipeline posted, if any.
    bool TakeError(QString* error) const {
        GstBusPtr bus(gst_element_get_bus(m_pipeline.get()));
        GstMessagePtr message(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
        if (!message) {
            return false;
        }
        GError* gerror = nullptr;
        gst_message_parse_error(message.get(), &gerror, nullptr);
        *error = m_path + QStringLiteral(": ") +
                 (gerror ? QString::fromUtf8(gerror->message) : QStringLiteral("unreadable"));
        if (gerror) {
            g_error_free(gerror);
        }
        return true;
    }

    GstElementPtr m_pipeline, m_sink;
    QString m_path;
    int m_framesThisPass = 0;
};

} // namespace

std::unique_ptr<ReplayFrames> ReplayFrames::Open(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (info.isDir()) {
        const QStringList names =
            QDir(path).entryList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")},
                                 QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
        if (names.isEmpty()) {
            *error = path + QStringLiteral(": no JPEG files in the folder");
            return nullptr;
        }
        return std::make_unique<FolderFrames>(path, names);
    }
    if (!info.isFile() || !info.isReadable()) {
        *error = path + QStringLiteral(": no such file or folder, or not readable");
        return nullptr;
    }
    auto frames = std::make_unique<AviFrames>();
    if (!frames->Start(path, error)) {
        return nullptr;
    }
    return frames;
}
