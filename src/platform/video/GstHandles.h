#pragma once

#include <gst/gst.h>
#include <memory>

// Owning handles for GStreamer objects. Each takes over one reference; Ref() adds one first.
struct GstObjectUnref {
    void operator()(gpointer object) const {
        if (object) {
            gst_object_unref(object);
        }
    }
};
struct GstSampleUnref {
    void operator()(GstSample* sample) const { gst_sample_unref(sample); }
};
struct GstCapsUnref {
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};
struct GstMessageUnref {
    void operator()(GstMessage* message) const { gst_message_unref(message); }
};

using GstElementPtr = std::unique_ptr<GstElement, GstObjectUnref>;
using GstBusPtr = std::unique_ptr<GstBus, GstObjectUnref>;
using GstPadPtr = std::unique_ptr<GstPad, GstObjectUnref>;
using GstSamplePtr = std::unique_ptr<GstSample, GstSampleUnref>;
using GstCapsPtr = std::unique_ptr<GstCaps, GstCapsUnref>;
using GstMessagePtr = std::unique_ptr<GstMessage, GstMessageUnref>;

inline GstElementPtr Ref(GstElement* element) {
    return GstElementPtr(element ? GST_ELEMENT(gst_object_ref(element)) : nullptr);
}

// Initialises GStreamer once; returns false when it cannot be initialised.
bool EnsureGstInit();
