#include "capture/JpegWriter.h"

#include "capture/FrameResample.h"
#include "platform/paths/PendingFile.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include <jpeglib.h>

namespace {

// One iMCU row of the default 2x2 chroma subsampling.
constexpr JDIMENSION kRowsPerCall = 16;

// libjpeg's own error exit ends the process; this one jumps back into Compress instead.
struct ErrorManager {
    jpeg_error_mgr pub; // first, so that cinfo->err points at the whole record
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpBack(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings go to the trace instead of stderr.
void TraceLibraryMessage(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    qCDebug(veldorTrace) << "WriteJpegFile: libjpeg:" << text;
}

// Compresses the picture into file. A library error longjmps back here, so nothing with a
// destructor may live in this function. On failure the library's message is in errors.message.
bool Compress(std::FILE* file, int width, int height, const unsigned char* pixels, size_t stride,
              ErrorManager& errors) {
    jpeg_compress_struct cinfo{};
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = JumpBack;
    errors.pub.output_message = TraceLibraryMessage;
    errors.message[0] = '\0';
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    // The frame is BGR already; the library reads it in place, with the same colour conversion
    // (and so the same output) as for swapped RGB rows. jpeg_set_defaults derives the JPEG colour
    // space from in_color_space, so it is set first.
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    jpeg_set_quality(&cinfo, 50, TRUE);
    jpeg_start_compress(&cinfo, TRUE);

    // The buffer is bottom-up: picture row r is buffer row height - 1 - r. The library only
    // reads the rows it is given.
    const unsigned char* lastRow = pixels + size_t(height - 1) * stride;
    JSAMPROW rows[kRowsPerCall];
    while (cinfo.next_scanline < cinfo.image_height) {
        const JDIMENSION first = cinfo.next_scanline;
        const JDIMENSION count = std::min(kRowsPerCall, cinfo.image_height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = const_cast<JSAMPROW>(lastRow - size_t(first + i) * stride);
        }
        if (jpeg_write_scanlines(&cinfo, rows, count) == 0) {
            std::snprintf(errors.message, sizeof errors.message, "no scanline accepted");
            jpeg_destroy_compress(&cinfo);
            return false;
        }
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

int WriteJpegFile(const QString& path, int width, int height, const unsigned char* pixels,
                  Prompts& prompts) {
    const QString failedText = QStringLiteral("ERROR: save file failed!");
    const int stride = FrameStride(width, 24);
    if (width < 0 || height < 0 || stride < 0 || (pixels == nullptr && width > 0 && height > 0)) {
        qCDebug(veldorTrace) << "WriteJpegFile: unusable picture" << width << height;
        prompts.MessageBox(failedText);
        return -1;
    }

    // Written without a name and linked to it when complete, so that a crash or a full disk
    // never leaves part of a picture under a picture's name, and a name that exists is kept.
    PendingFile pending(path);
    const int fd = pending.IsOpen() ? ::dup(pending.Descriptor()) : -1;
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (file == nullptr) {
        qCDebug(veldorTrace) << "WriteJpegFile: cannot create" << path << std::strerror(errno);
        if (fd >= 0) {
            ::close(fd);
        }
        prompts.MessageBox(failedText);
        return -1;
    }

    ErrorManager errors;
    bool written = Compress(file, width, height, pixels, size_t(stride), errors);
    if (!written) {
        qCDebug(veldorTrace) << "WriteJpegFile:" << path << "failed:" << errors.message;
    }
    // The library has handed every byte to stdio; whatever stdio still buffers must reach the
    // file too, or the picture is truncated.
    if (written && (std::fflush(file) != 0 || std::ferror(file) != 0)) {
        qCDebug(veldorTrace) << "WriteJpegFile: writing" << path
                             << "failed:" << std::strerror(errno);
        written = false;
    }
    if (std::fclose(file) != 0 && written) {
        qCDebug(veldorTrace) << "WriteJpegFile: closing" << path
                             << "failed:" << std::strerror(errno);
        written = false;
    }
    if (!written || !pending.Publish()) {
        prompts.MessageBox(failedText);
        return -1;
    }
    return 0;
}
