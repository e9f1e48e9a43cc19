#include "platform/video/GstHandles.h"

#include "platform/trace/Trace.h"

bool EnsureGstInit() {
    if (gst_is_initialized()) {
        return true;
    }
    GError* error = nullptr;
    if (!gst_init_check(nullptr, nullptr, &error)) {
        qCWarning(veldorTrace, "GStreamer init failed: %s", error ? error->message : "?");
        g_clear_error(&error);
        return false;
    }
    return true;
}
