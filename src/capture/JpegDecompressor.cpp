#include "capture/JpegDecompressor.h"

#include "platform/trace/Trace.h"

#include <cstring>
#include <turbojpeg.h>

JpegDecompressor::JpegDecompressor() : m_handle(tjInitDecompress()) {
    if (!m_handle) {
        qCWarning(veldorTrace, "TurboJPEG decompressor: %s", tjGetErrorStr2(nullptr));
    }
}

JpegDecompressor::~JpegDecompressor() {
    if (m_handle) {
        tjDestroy(m_handle);
    }
}

std::optional<QSize> JpegDecompressor::FrameSize(const unsigned char* jpeg, size_t length) {
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (!m_handle || !jpeg || length == 0 || length > 0xFFFFFFFFu ||
        tjDecompressHeader3(m_handle, jpeg, static_cast<unsigned long>(length), &width, &height,
                            &subsampling, &colorspace) != 0 ||
        width <= 0 || height <= 0) {
        return std::nullopt;
    }
    return QSize(width, height);
}

bool JpegDecompressor::Decode(const unsigned char* jpeg, size_t length, unsigned char* out,
                              QSize size, int pitch, int pixelFormat, int flags) {
    if (!m_handle || !jpeg || length == 0 || length > 0xFFFFFFFFu || size.isEmpty()) {
        return false;
    }
    if (tjDecompress2(m_handle, jpeg, static_cast<unsigned long>(length), out, size.width(), pitch,
                      size.height(), pixelFormat, flags) == 0) {
        return true;
    }
    // A warning leaves the picture whole only when it is about bytes between the entropy data
    // and a marker, which many cameras pad their frames with; a cut frame or corrupt entropy
    // data leaves grey or garbled rows.
    const char* message = tjGetErrorStr2(m_handle);
    if (tjGetErrorCode(m_handle) == TJERR_WARNING && message &&
        std::strstr(message, "extraneous bytes before marker")) {
        return true;
    }
    qCDebug(veldorTrace, "camera frame not decoded: %s", message ? message : "");
    return false;
}
