#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>
#include <optional>

// A chunk of a RIFF file: where its header starts and the size of its data.
struct AviChunk {
    qint64 at = 0;
    quint32 size = 0;
    bool operator==(const AviChunk&) const = default;
};

// An entry of the OpenDML super index: where a standard index chunk starts, its size with its
// header, and the frames it indexes.
struct AviSuperEntry {
    qint64 at = 0;
    quint32 size = 0;
    quint32 frames = 0;
};

// What a RIFF AVI file holds, read chunk by chunk without any AVI library, so that a file the
// program writes is checked against the format itself.
struct AviFile {
    int riffChunks = 0;     // "RIFF" chunks: one "AVI ", then "AVIX" ones past 1 GiB
    quint32 avihFrames = 0; // total frames of the main header (first RIFF only)
    quint32 microSecPerFrame = 0;
    quint32 odmlFrames = 0;       // total frames of the OpenDML header ("dmlh")
    QByteArray streamType;        // "vids"
    quint32 streamLength = 0;     // frames of the stream header
    QByteArray compression;       // BITMAPINFOHEADER biCompression: "MJPG", "YUY2"
    QSize size;                   // BITMAPINFOHEADER width and height
    int moviFrames = 0;           // "00dc"/"00db" chunks in the "movi" lists
    int idx1Frames = 0;           // "00dc"/"00db" entries of the legacy index
    int standardIndexEntries = 0; // entries of the OpenDML "ix00" standard indexes
    bool truncated = false;       // a chunk runs past the end of the file

    QList<AviChunk> frames; // the frame chunks of the "movi" lists, in file order
    QList<AviChunk> idx1;   // the legacy index, its offsets as written (from the file's start)
    QList<AviChunk> standardIndex;   // the "ix00" entries, as the chunks they point at
    QList<qint64> standardIndexAt;   // where each "ix00" chunk starts
    QList<AviSuperEntry> superIndex; // the "indx" entries in use
};

// Reads a file; nothing when it is not a RIFF file at all.
std::optional<AviFile> ReadAviFile(const QString& path);

// Plays a file through GStreamer's own demuxer and decoders as a player would; the number of
// frames decoded and their size, or nothing when the file cannot be played to its end.
struct DecodedMovie {
    int frames = 0;
    QSize size;
};
std::optional<DecodedMovie> DecodeMovie(const QString& path);
