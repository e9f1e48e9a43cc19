#include "support/AviFile.h"

#include "platform/video/GstHandles.h"

#include <QFile>
#include <QtEndian>
#include <gst/app/gstappsink.h>

namespace {

class Reader {
public:
    Reader(const uchar* data, qint64 size) : m_data(data), m_size(size) {}

    void Chunks(qint64 from, qint64 to, bool inMovi) {
        while (from + 8 <= to) {
            const QByteArray id = FourCc(from);
            const qint64 size = U32(from + 4);
            const qint64 body = from + 8;
            if (body + size > m_size) {
                avi.truncated = true;
                return;
            }
            if (id == "RIFF" || id == "LIST") {
                if (size < 4) {
                    return;
                }
                const QByteArray type = FourCc(body);
                if (id == "RIFF") {
                    ++avi.riffChunks;
                }
                Chunks(body + 4, body + size, inMovi || type == "movi");
            } else {
                Leaf(id, body, size, inMovi);
            }
            from = body + size + (size & 1);
        }
    }

    AviFile avi;

private:
    void Leaf(const QByteArray& id, qint64 at, qint64 size, bool inMovi) {
        const bool frame = id == "00dc" || id == "00db";
        if (inMovi && frame) {
            ++avi.moviFrames;
            avi.frames.append({at - 8, quint32(size)});
        } else if (inMovi && id == "ix00" && size >= 24) {
            const quint32 entries = U32(at + 4);
            avi.standardIndexEntries += int(entries);
            avi.standardIndexAt.append(at - 8);
            const qint64 base = qint64(U64(at + 12));
            for (quint32 e = 0; e < entries && 24 + 8 * qint64(e) + 8 <= size; ++e) {
                const qint64 entry = at + 24 + 8 * qint64(e);
                avi.standardIndex.append({base + U32(entry) - 8, U32(entry + 4) & 0x7FFFFFFF});
            }
        } else if (id == "indx" && size >= 24) {
            for (quint32 e = 0; e < U32(at + 4) && 24 + 16 * qint64(e) + 16 <= size; ++e) {
                const qint64 entry = at + 24 + 16 * qint64(e);
                avi.superIndex.append({qint64(U64(entry)), U32(entry + 8), U32(entry + 12)});
            }
        } else if (id == "avih" && size >= 40 && avi.riffChunks == 1) {
            avi.microSecPerFrame = U32(at);
            avi.avihFrames = U32(at + 16);
        } else if (id == "strh" && size >= 36) {
            avi.streamType = FourCc(at);
            avi.streamLength = U32(at + 32);
        } else if (id == "strf" && size >= 20) {
            avi.size = QSize(int(U32(at + 4)), std::abs(int(U32(at + 8))));
            avi.compression = FourCc(at + 16);
        } else if (id == "dmlh" && size >= 4) {
            avi.odmlFrames = U32(at);
        } else if (id == "idx1") {
            for (qint64 e = at; e + 16 <= at + size; e += 16) {
                const QByteArray entry = FourCc(e);
                if (entry == "00dc" || entry == "00db") {
                    ++avi.idx1Frames;
                    avi.idx1.append({U32(e + 8), U32(e + 12)});
                }
            }
        }
    }
    QByteArray FourCc(qint64 at) const {
        return QByteArray(reinterpret_cast<const char*>(m_data + at), 4);
    }
    quint32 U32(qint64 at) const { return qFromLittleEndian<quint32>(m_data + at); }
    quint64 U64(qint64 at) const { return qFromLittleEndian<quint64>(m_data + at); }

    const uchar* m_data;
    qint64 m_size;
};

} // namespace

std::optional<AviFile> ReadAviFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 12) {
        return std::nullopt;
    }
    // Mapped rather than read: a recording may be larger than a gigabyte.
    const uchar* data = file.map(0, file.size());
    if (!data || QByteArray(reinterpret_cast<const char*>(data), 4) != "RIFF") {
        return std::nullopt;
    }
    Reader reader(data, file.size());
    reader.Chunks(0, file.size(), false);
    return reader.avi;
}

std::optional<DecodedMovie> DecodeMovie(const QString& path) {
    if (!EnsureGstInit()) {
        return std::nullopt;
    }
    GstElementPtr pipeline(
        gst_parse_launch("filesrc name=file ! decodebin ! videoconvert ! video/x-raw,format=BGRx ! "
                         "appsink name=out sync=false",
                         nullptr));
    if (!pipeline) {
        return std::nullopt;
    }
    GstElementPtr file(gst_bin_get_by_name(GST_BIN(pipeline.get()), "file"));
    GstElementPtr out(gst_bin_get_by_name(GST_BIN(pipeline.get()), "out"));
    g_object_set(file.get(), "location", QFile::encodeName(path).constData(), nullptr);
    if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        return std::nullopt;
    }
    DecodedMovie movie;
    while (GstSamplePtr sample{
        gst_app_sink_try_pull_sample(GST_APP_SINK(out.get()), 10 * GST_SECOND)}) {
        GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(sample.get()), 0);
        gst_structure_get_int(s, "width", &movie.size.rwidth());
        gst_structure_get_int(s, "height", &movie.size.rheight());
        ++movie.frames;
    }
    const bool ended = gst_app_sink_is_eos(GST_APP_SINK(out.get()));
    GstBusPtr bus(gst_element_get_bus(pipeline.get()));
    GstMessagePtr error(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    if (!ended || error) {
        return std::nullopt;
    }
    return movie;
}
