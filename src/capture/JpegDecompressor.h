#pragma once

#include <QSize>
#include <cstddef>
#include <optional>

// A TurboJPEG decompressor for camera frames. Used by one thread at a time.
class JpegDecompressor {
public:
    JpegDecompressor();
    ~JpegDecompressor();
    JpegDecompressor(const JpegDecompressor&) = delete;
    JpegDecompressor& operator=(const JpegDecompressor&) = delete;

    // The frame's size from its header; nothing when it has no readable header.
    std::optional<QSize> FrameSize(const unsigned char* jpeg, size_t length);
    // Decodes the frame into size pixels of pixelFormat (a TJPF value), pitch bytes a row,
    // size being the frame's size at one of TurboJPEG's scaling factors. False for a frame that
    // is corrupt or cut: UVC cameras' frames often lack Huffman tables and may carry stray
    // bytes before a marker, and those decode.
    bool Decode(const unsigned char* jpeg, size_t length, unsigned char* out, QSize size, int pitch,
                int pixelFormat, int flags);

private:
    void* m_handle = nullptr; // tjhandle
};
