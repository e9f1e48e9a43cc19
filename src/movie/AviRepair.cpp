#include "movie/AviRepair.h"

#include "platform/trace/Trace.h"

#include <QFile>
#include <QList>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 kHeaderRead = 64 * 1024; // the writer's header is under 1 KiB
constexpr quint32 kSuperIndexEntries = 32;
constexpr quint32 kSuperIndexSize = 24 + kSuperIndexEntries * 16;
constexpr quint32 kAvihHasIndex = 0x10;
constexpr quint32 kIndexKeyFrame = 0x10;
constexpr quint32 kIndexChunkFlags = 0x02;

bool Is(const char* bytes, const char* fourcc) {
    return std::memcmp(bytes, fourcc, 4) == 0;
}

// The file, read and written at offsets.
class AviIo {
public:
    explicit AviIo(int fd) : m_fd(fd) {}

    bool Read(qint64 at, void* data, qint64 length) const {
        auto* out = static_cast<char*>(data);
        while (length > 0) {
            const ssize_t n = ::pread(m_fd, out, size_t(length), at);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            out += n;
            at += n;
            length -= n;
        }
        return true;
    }
    bool Write(qint64 at, const QByteArray& bytes) const {
        const char* in = bytes.constData();
        qint64 length = bytes.size();
        while (length > 0) {
            const ssize_t n = ::pwrite(m_fd, in, size_t(length), at);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            in += n;
            at += n;
            length -= n;
        }
        return true;
    }
    bool WriteU32(qint64 at, quint32 value) const {
        QByteArray bytes(4, Qt::Uninitialized);
        qToLittleEndian(value, bytes.data());
        return Write(at, bytes);
    }

private:
    int m_fd;
};

// What the header says, at the offsets where it says it.
struct Header {
    qint64 avih = 0;       // body of "avih"
    qint64 strh = 0;       // body of "strh"
    qint64 superIndex = 0; // "indx" or its "JUNK" placeholder, chunk start
    qint64 dmlh = 0;       // body of "dmlh"
    qint64 movi = 0;       // the first "movi" LIST, chunk start
    bool mjpeg = false;
    quint32 width = 0;
    quint32 height = 0;
    quint16 bitCount = 0;
    quint32 imageSize = 0;
    quint32 microSecPerFrame = 0;
};

// The file's first bytes. (Held in a vector rather than a QByteArray, whose shared empty array
// makes the compiler's bounds analysis see a 1-byte array behind every read.)
struct HeaderBytes {
    std::vector<char> bytes;
    const char* constData() const { return bytes.data(); }
    qint64 size() const { return qint64(bytes.size()); }
};

quint32 U32(const HeaderBytes& bytes, qint64 at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// The chunks of a list's body, as (id, body offset, size); nothing when one runs past it.
struct Chunk {
    const char* id;
    qint64 body;
    quint32 size;
};
std::optional<QList<Chunk>> ChunksOf(const HeaderBytes& bytes, qint64 from, qint64 to) {
    QList<Chunk> chunks;
    while (from + 8 <= to) {
        const quint32 size = U32(bytes, from + 4);
        if (from + 8 + qint64(size) > to) {
            return std::nullopt;
        }
        chunks.append({bytes.constData() + from, from + 8, size});
        from += 8 + qint64(size) + (size & 1);
    }
    if (from != to) {
        return std::nullopt;
    }
    return chunks;
}

bool IsList(const Chunk& chunk, const HeaderBytes& bytes, const char* type) {
    return Is(chunk.id, "LIST") && chunk.size >= 4 && Is(bytes.constData() + chunk.body, type);
}

// The header of a file written by the program's writer: "RIFF" "AVI ", then "hdrl" with "avih"
// for one stream, one "strl" of a "vids" stream in MJPG or YUY2 (strh, strf, an optional vprp,
// the super index or its placeholder), the "odml" list with "dmlh", an optional "INFO" list,
// and right after them the "movi" list.
std::optional<Header> ReadHeader(const HeaderBytes& bytes) {
    if (bytes.size() < 24 || !Is(bytes.constData(), "RIFF") || !Is(bytes.constData() + 8, "AVI ") ||
        !Is(bytes.constData() + 12, "LIST") || !Is(bytes.constData() + 20, "hdrl")) {
        return std::nullopt;
    }
    const qint64 hdrlEnd = 20 + qint64(U32(bytes, 16));
    if (hdrlEnd + 12 > bytes.size()) {
        return std::nullopt;
    }
    const std::optional<QList<Chunk>> hdrl = ChunksOf(bytes, 24, hdrlEnd);
    if (!hdrl || hdrl->size() != 3 || !Is((*hdrl)[0].id, "avih") || (*hdrl)[0].size != 56 ||
        !IsList((*hdrl)[1], bytes, "strl") || !IsList((*hdrl)[2], bytes, "odml")) {
        return std::nullopt;
    }
    Header header;
    header.avih = (*hdrl)[0].body;
    header.microSecPerFrame = U32(bytes, header.avih);
    if (U32(bytes, header.avih + 24) != 1) {
        return std::nullopt;
    }

    const Chunk& strl = (*hdrl)[1];
    const std::optional<QList<Chunk>> stream =
        ChunksOf(bytes, strl.body + 4, strl.body + qint64(strl.size));
    if (!stream || stream->size() < 3 || stream->size() > 4 || !Is((*stream)[0].id, "strh") ||
        (*stream)[0].size != 56 || !Is((*stream)[1].id, "strf") || (*stream)[1].size < 40) {
        return std::nullopt;
    }
    header.strh = (*stream)[0].body;
    const qint64 strf = (*stream)[1].body;
    const char* handler = bytes.constData() + header.strh + 4;
    const char* compression = bytes.constData() + strf + 16;
    if (!Is(bytes.constData() + header.strh, "vids") || std::memcmp(handler, compression, 4) != 0 ||
        !(Is(compression, "MJPG") || Is(compression, "YUY2"))) {
        return std::nullopt;
    }
    header.mjpeg = Is(compression, "MJPG");
    header.width = U32(bytes, strf + 4);
    header.height = U32(bytes, strf + 8);
    header.bitCount = qFromLittleEndian<quint16>(bytes.constData() + strf + 14);
    header.imageSize = U32(bytes, strf + 20);
    if (stream->size() == 4 && !Is((*stream)[2].id, "vprp")) {
        return std::nullopt;
    }
    const Chunk& index = stream->last();
    if (!(Is(index.id, "indx") || Is(index.id, "JUNK")) || index.size != kSuperIndexSize ||
        qFromLittleEndian<quint16>(bytes.constData() + index.body) != 4 ||
        !Is(bytes.constData() + index.body + 8, "00db")) {
        return std::nullopt;
    }
    header.superIndex = index.body - 8;

    const Chunk& odml = (*hdrl)[2];
    const std::optional<QList<Chunk>> odmlChunks =
        ChunksOf(bytes, odml.body + 4, odml.body + qint64(odml.size));
    if (!odmlChunks || odmlChunks->size() != 1 || !Is((*odmlChunks)[0].id, "dmlh") ||
        (*odmlChunks)[0].size < 4) {
        return std::nullopt;
    }
    header.dmlh = (*odmlChunks)[0].body;

    qint64 next = hdrlEnd + (hdrlEnd & 1);
    if (next + 12 <= bytes.size() && Is(bytes.constData() + next, "LIST") &&
        Is(bytes.constData() + next + 8, "INFO")) {
        const qint64 size = U32(bytes, next + 4);
        next += 8 + size + (size & 1);
    }
    if (next + 12 > bytes.size() || !Is(bytes.constData() + next, "LIST") ||
        !Is(bytes.constData() + next + 8, "movi")) {
        return std::nullopt;
    }
    header.movi = next;
    return header;
}

// Whether recording ended: the RIFF parts follow each other to the file's end exactly, and the
// first one holds frames and, after them, its legacy index.
bool Completed(const AviIo& io, const Header& header, qint64 fileSize) {
    qint64 at = 0;
    for (bool first = true;; first = false) {
        if (at == fileSize) {
            return !first;
        }
        char riff[12];
        if (at + 12 > fileSize || !io.Read(at, riff, 12) || !Is(riff, "RIFF") ||
            !Is(riff + 8, first ? "AVI " : "AVIX")) {
            return false;
        }
        const qint64 size = qFromLittleEndian<quint32>(riff + 4);
        const qint64 end = at + 8 + size + (size & 1);
        if (end > fileSize) {
            return false;
        }
        if (first) {
            char movi[4];
            char idx1[4];
            if (!io.Read(header.movi + 4, movi, 4)) {
                return false;
            }
            const qint64 moviSize = qFromLittleEndian<quint32>(movi);
            const qint64 after = header.movi + 8 + moviSize + (moviSize & 1);
            if (moviSize <= 4 || after + 8 > end || !io.Read(after, idx1, 4) || !Is(idx1, "idx1")) {
                return false;
            }
        }
        at = end;
    }
}

struct Frame {
    qint64 at; // chunk start
    quint32 size;
    qint64 End() const { return at + 8 + size + (size & 1); }
};

// One RIFF part as found on the disk.
struct Part {
    Part(qint64 riffAt, qint64 moviAt) : riff(riffAt), movi(moviAt) {}

    qint64 riff = 0; // "RIFF" of the part
    qint64 movi = 0; // its "movi" LIST
    QList<Frame> frames;
    qint64 ix = -1; // its standard index ("ix00"), chunk start
    quint32 ixSize = 0;
    qint64 idx1 = -1; // the legacy index (first part only), chunk start
    quint32 idx1Size = 0;
};

// The frames and indexes the file holds, chunk by chunk from the first "movi" on, up to the
// first chunk that is cut or is not one the writer writes there. The sizes in the RIFF and
// LIST headers are not trusted: they are what is being repaired.
QList<Part> Scan(const AviIo& io, const Header& header, qint64 fileSize) {
    QList<Part> parts{Part(0, header.movi)};
    const quint32 rawFrame = header.width * header.height * 2;
    qint64 at = header.movi + 12;
    while (at + 8 <= fileSize) {
        char head[24];
        if (!io.Read(at, head, 8)) {
            break;
        }
        const quint32 size = qFromLittleEndian<quint32>(head + 4);
        const qint64 end = at + 8 + qint64(size);
        Part& part = parts.last();
        if (Is(head, "RIFF")) {
            if (at + 24 > fileSize || !io.Read(at, head, 24) || !Is(head + 8, "AVIX") ||
                !Is(head + 12, "LIST") || !Is(head + 20, "movi") || part.ix < 0) {
                break;
            }
            parts.append(Part(at, at + 12));
            at += 24;
            continue;
        }
        if (end > fileSize) {
            break;
        }
        if (Is(head, "00db") && part.ix < 0 && part.idx1 < 0 &&
            (header.mjpeg || size == rawFrame)) {
            part.frames.append({at, size});
        } else if (Is(head, "ix00") && part.ix < 0) {
            part.ix = at;
            part.ixSize = size;
        } else if (Is(head, "idx1") && parts.size() == 1 && part.idx1 < 0) {
            part.idx1 = at;
            part.idx1Size = size;
        } else if (!Is(head, "JUNK")) {
            break;
        }
        at = end + (size & 1);
    }
    return parts;
}

// Whether a JPEG frame ends with its end marker (zero bytes after it allowed).
bool JpegEnds(const AviIo& io, const Frame& frame) {
    const qint64 length = std::min<qint64>(frame.size, 64);
    QByteArray tail(length, Qt::Uninitialized);
    if (length < 4 || !io.Read(frame.at + 8 + frame.size - length, tail.data(), length)) {
        return false;
    }
    qsizetype end = tail.size();
    while (end > 0 && tail[end - 1] == '\0') {
        --end;
    }
    char start[2];
    return end >= 2 && tail[end - 2] == '\xFF' && tail[end - 1] == '\xD9' &&
           io.Read(frame.at + 8, start, 2) && start[0] == '\xFF' && start[1] == '\xD8';
}

// Drops what cannot be kept at the end: a last JPEG frame that was not written to its end
// (a power cut can leave a chunk's header before its data), then parts left without frames.
void DropCutEnd(const AviIo& io, const Header& header, QList<Part>& parts) {
    while (!parts.isEmpty()) {
        Part& last = parts.last();
        if (!last.frames.isEmpty() && header.mjpeg && !JpegEnds(io, last.frames.last())) {
            last.frames.removeLast();
            continue;
        }
        if (last.frames.isEmpty()) {
            parts.removeLast();
            continue;
        }
        return;
    }
}

QByteArray FourCc(const char* id) {
    return QByteArray(id, 4);
}

QByteArray U32Bytes(quint32 value) {
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray U64Bytes(quint64 value) {
    QByteArray bytes(8, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// A part's OpenDML standard index: offsets of the frames' data from the part's start.
QByteArray StandardIndex(const Part& part) {
    QByteArray bytes = FourCc("ix00") + U32Bytes(24 + 8 * quint32(part.frames.size()));
    bytes += QByteArray("\x02\x00\x00\x01", 4); // 2 longs an entry, an index of chunks
    bytes += U32Bytes(quint32(part.frames.size())) + FourCc("00db") + U64Bytes(quint64(part.riff)) +
             U32Bytes(0);
    for (const Frame& frame : part.frames) {
        bytes += U32Bytes(quint32(frame.at + 8 - part.riff)) + U32Bytes(frame.size);
    }
    return bytes;
}

// The legacy index of the first part: chunk offsets from the file's start, as the writer has them.
QByteArray LegacyIndex(const Part& part) {
    QByteArray bytes = FourCc("idx1") + U32Bytes(16 * quint32(part.frames.size()));
    for (const Frame& frame : part.frames) {
        bytes += FourCc("00db") + U32Bytes(kIndexChunkFlags | kIndexKeyFrame) +
                 U32Bytes(quint32(frame.at)) + U32Bytes(frame.size);
    }
    return bytes;
}

// The bytes per second the writer puts in the main header when it ends a file.
quint32 MaxBytesPerSecond(const Header& header) {
    if (header.microSecPerFrame == 0) {
        return 0;
    }
    const double bytes = double((header.bitCount + 7) / 8) * (1000000.0 / header.microSecPerFrame) *
                         header.imageSize;
    return bytes >= double(std::numeric_limits<quint32>::max())
               ? std::numeric_limits<quint32>::max()
               : quint32(bytes);
}

// Writes what the end of recording would have written. The index of the last part is appended
// and synced before any header says the file is complete: stopped half-way, the file is found
// incomplete again and repaired again.
bool Rebuild(int fd, const AviIo& io, const Header& header, const QList<Part>& parts) {
    const bool openDml = parts.size() > 1;
    quint32 total = 0;
    quint32 largest = 0;
    for (const Part& part : parts) {
        total += quint32(part.frames.size());
        for (const Frame& frame : part.frames) {
            largest = std::max(largest, frame.size);
        }
    }

    // Every part but the last was ended by the writer and keeps its place; its indexes are
    // written again from its frames, at their own size.
    QList<qint64> ixAt;
    QList<quint32> ixChunk;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const Part& part = parts[i];
        const QByteArray ix = StandardIndex(part);
        if (part.ix < 0 || qint64(part.ixSize) + 8 != ix.size() || !io.Write(part.ix, ix)) {
            return false;
        }
        ixAt.append(part.ix);
        ixChunk.append(quint32(ix.size()));
        if (i == 0) {
            const QByteArray idx1 = LegacyIndex(part);
            if (part.idx1 < 0 || qint64(part.idx1Size) + 8 != idx1.size() ||
                !io.Write(part.idx1, idx1)) {
                return false;
            }
        }
    }

    // The last part ends after its last whole frame; what follows is cut or never completed.
    const Part& last = parts.last();
    const qint64 framesEnd = last.frames.last().End();
    QByteArray tail;
    if (openDml) {
        tail = StandardIndex(last);
        ixAt.append(framesEnd);
        ixChunk.append(quint32(tail.size()));
    }
    const qint64 moviEnd = framesEnd + tail.size();
    if (parts.size() == 1) {
        tail += LegacyIndex(last);
    }
    const qint64 fileEnd = framesEnd + tail.size();
    if (::ftruncate(fd, framesEnd) != 0 || !io.Write(framesEnd, tail) || ::fdatasync(fd) != 0) {
        return false;
    }

    // The part headers. The first part's "movi" ends with its standard index or, in a file of
    // one part, with its last frame; its RIFF also holds the legacy index after it.
    bool written = true;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const qint64 end = i + 1 < parts.size() ? parts[i + 1].riff : fileEnd;
        written = written && io.WriteU32(parts[i].riff + 4, quint32(end - parts[i].riff - 8)) &&
                  io.WriteU32(parts[i].movi + 4, quint32(end - parts[i].movi - 8));
    }
    const Part& first = parts.first();
    const qint64 firstMoviEnd = openDml ? first.ix + 8 + first.ixSize : moviEnd;
    const qint64 firstEnd = openDml ? parts[1].riff : fileEnd;
    written = written && io.WriteU32(4, quint32(firstEnd - 8)) &&
              io.WriteU32(first.movi + 4, quint32(firstMoviEnd - first.movi - 8));

    // The main header, the stream header and the OpenDML header.
    char flags[4];
    written = written && io.Read(header.avih + 12, flags, 4) &&
              io.WriteU32(header.avih + 4, MaxBytesPerSecond(header)) &&
              io.WriteU32(header.avih + 12, qFromLittleEndian<quint32>(flags) | kAvihHasIndex) &&
              io.WriteU32(header.avih + 16, quint32(first.frames.size())) &&
              io.WriteU32(header.strh + 32, total) && io.WriteU32(header.strh + 36, largest) &&
              io.WriteU32(header.dmlh, total);
    if (openDml) {
        QByteArray super = FourCc("indx") + U32Bytes(kSuperIndexSize);
        super += QByteArray("\x04\x00\x00\x00", 4); // 4 longs an entry, an index of indexes
        const qsizetype used = std::min<qsizetype>(parts.size(), kSuperIndexEntries);
        super += U32Bytes(quint32(used)) + FourCc("00db") + QByteArray(12, '\0');
        for (qsizetype i = 0; i < qsizetype(kSuperIndexEntries); ++i) {
            if (i < used) {
                super += U64Bytes(quint64(ixAt[i]));
                super += U32Bytes(ixChunk[i]);
                super += U32Bytes(quint32(parts[i].frames.size()));
            } else {
                super += QByteArray(16, '\0');
            }
        }
        written = written && io.Write(header.superIndex, super);
    }
    return written && ::fdatasync(fd) == 0;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

AviRepairResult RepairAviFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    // Not through a link, never waiting on a FIFO; the kind of file is judged on what was opened.
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(name.constData(), O_RDWR | kFlags);
    const bool writable = fd >= 0;
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        fd = ::open(name.constData(), O_RDONLY | kFlags);
    }
    if (fd < 0) {
        qCDebug(veldorTrace, "movie %s not opened: %s", name.constData(), std::strerror(errno));
        return AviRepairResult::NotOurs;
    }
    const Descriptor file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return AviRepairResult::NotOurs;
    }
    // A recording holds this lock on its file for as long as it writes it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return errno == EWOULDBLOCK ? AviRepairResult::Busy : AviRepairResult::Failed;
    }
    const AviIo io(fd);
    const qint64 size = st.st_size;
    HeaderBytes start;
    start.bytes.resize(size_t(std::min(size, kHeaderRead)));
    if (!io.Read(0, start.bytes.data(), start.size())) {
        return AviRepairResult::NotOurs;
    }
    const std::optional<Header> header = ReadHeader(start);
    if (!header) {
        return AviRepairResult::NotOurs;
    }
    if (Completed(io, *header, size)) {
        return AviRepairResult::Complete;
    }

    QList<Part> parts = Scan(io, *header, size);
    DropCutEnd(io, *header, parts);
    if (!writable) {
        qCDebug(veldorTrace, "movie %s needs repair but cannot be written", name.constData());
        return AviRepairResult::Failed;
    }
    if (parts.isEmpty()) {
        // Recording ended before its first whole frame; such a movie is not kept.
        if (::unlink(name.constData()) != 0) {
            return AviRepairResult::Failed;
        }
        qCDebug(veldorTrace, "movie %s held no frame and was removed", name.constData());
        return AviRepairResult::Removed;
    }
    if (!Rebuild(fd, io, *header, parts)) {
        qCDebug(veldorTrace, "movie %s could not be repaired: %s", name.constData(),
                std::strerror(errno));
        return AviRepairResult::Failed;
    }
    qCDebug(veldorTrace, "movie %s repaired: %lld parts", name.constData(),
            static_cast<long long>(parts.size()));
    return AviRepairResult::Repaired;
}
