#pragma once

#include "platform/video/VideoCapability.h"

#include <QByteArray>
#include <QStringList>
#include <cstdint>
#include <gst/gst.h>
#include <optional>

class QWidget;

// The identifiers of a media type that the format dump names.
enum class MediaGuid { MediaTypeVideo, SubtypeYuy2, SubtypeRgb24, FormatVideoInfo, Other };

// "MEDIATYPE_Video", "MEDIASUBTYPE_YUY2", "MEDIASUBTYPE_RGB24", "FORMAT_VideoInfo", or "???".
const char* MediaGuidName(MediaGuid guid);

// A capture format as the format dump describes it: a video media type with its
// VIDEOINFOHEADER, filled from GStreamer caps. Rows are bottom-up, so heights are positive.
struct MediaType {
    MediaGuid majortype = MediaGuid::MediaTypeVideo;
    MediaGuid subtype = MediaGuid::Other;
    bool fixedSizeSamples = false;
    bool temporalCompression = false;
    int sampleSize = 0;
    MediaGuid formattype = MediaGuid::FormatVideoInfo;
    int cbFormat = 88;              // the size of a VIDEOINFOHEADER
    int rcSource[4] = {0, 0, 0, 0}; // left, top, right, bottom; empty: the whole picture
    int rcTarget[4] = {0, 0, 0, 0};
    std::uint32_t bitRate = 0;
    std::uint32_t bitErrorRate = 0;
    std::int64_t avgTimePerFrame = 0; // in 100 ns units
    int biSize = 40;
    int biWidth = 0;
    int biHeight = 0;
    int biPlanes = 1;
    int biBitCount = 0;
    std::uint32_t biCompression = 0; // 0 for RGB, else the FOURCC
    int biSizeImage = 0;
    int biXPelsPerMeter = 0;
    int biYPelsPerMeter = 0;
    int biClrUsed = 0;
    int biClrImportant = 0;
};

// The media type of the first structure of caps, or nothing when it names no known video
// format with a fixed size.
std::optional<MediaType> MediaTypeFromCaps(const GstCaps* caps);
std::optional<MediaType> MediaTypeFromCapability(const VideoCapability& cap);

// The lines DumpMediaType writes, without line ends.
QStringList MediaTypeLines(const MediaType& type, const char* label);
// Writes the media type's fields to the trace, one line each.
void DumpMediaType(const MediaType& type, const char* label);
void DumpMediaType(const VideoCapability& cap, const char* label);

// The row stride rounded up to 4 bytes, times the height, never negative.
int ImageSize(int bitCount, int width, int height);

inline constexpr std::uint32_t kResultOk = 0;
inline constexpr std::uint32_t kResultInvalidMediaType = 0x80040200;
// "S_OK", "VFW_E_INVALIDMEDIATYPE", ... for the results the format probe can meet; "error"
// for any other.
const char* ResultName(std::uint32_t result);

// " FindInterface(pStreamConfig) = hr=ERROR : width=<requestedWidth>"
QByteArray FindInterfaceError(int requestedWidth);

// The format the graph's format step offers for a requested size: the camera's current format
// when it already has that size; else the first capability as wide as asked, with the height
// asked, when the camera has that format; else the first capability of exactly that size.
// When the camera has none, the first capability as wide as asked (the last one, when none
// is) with the size asked, which the camera refuses.
VideoCapability FormatToOffer(const QList<VideoCapability>& caps, const VideoCapability& current,
                              int width, int height);

// Probes a graph left over from a failed build before another camera is selected: offers an
// impossible size and shows the name of the result. Returns 1.
int FormatResetProbe();

// Takes the live graph down, shows the camera's format page, makes the format it leaves on the
// camera the requested size and rebuilds the live graph. out* receive the size read back from
// the page and then the size the rebuilt graph delivers; both stay as they are when neither
// can be had. Returns the result of the rebuild.
int OpenVideoFormatDlg(QWidget* owner, int language, int* outWidth, int* outHeight);
