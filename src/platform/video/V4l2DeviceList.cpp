#include "platform/trace/Trace.h"
#include "platform/video/CapsParsing.h"
#include "platform/video/DeviceFilter.h"
#include "platform/video/GstHandles.h"
#include "platform/video/VideoDevice.h"

#include <gst/gst.h>
#include <memory>

namespace {

struct GFree {
    void operator()(gchar* text) const { g_free(text); }
};
using GText = std::unique_ptr<gchar, GFree>; // owns a string the caller must g_free

struct MonitorStop {
    void operator()(GstDeviceMonitor* monitor) const { gst_device_monitor_stop(monitor); }
};

QString Text(const gchar* text) {
    return text ? QString::fromUtf8(text) : QString();
}

// Reads the provider while the monitor still runs: stopping it unparents the devices.
QString ProviderName(GstDevice* device) {
    GstObject* parent = gst_object_get_parent(GST_OBJECT(device)); // takes a reference
    if (parent == nullptr) {
        return {};
    }
    QString name;
    if (GST_IS_DEVICE_PROVIDER(parent)) {
        if (GstDeviceProviderFactory* factory =
                gst_device_provider_get_factory(GST_DEVICE_PROVIDER(parent))) {
            name = Text(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)));
        }
    }
    gst_object_unref(parent);
    return name;
}

MonitoredDevice Describe(GstDevice* device) {
    MonitoredDevice record;
    record.provider = ProviderName(device);
    record.deviceClass = Text(GText(gst_device_get_device_class(device)).get());
    const GText name(gst_device_get_display_name(device));
    record.name = name ? QByteArray(name.get()) : QByteArray();
    if (GstStructure* properties = gst_device_get_properties(device)) {
        record.api = Text(gst_structure_get_string(properties, "device.api"));
        record.path = Text(gst_structure_get_string(properties, "device.path"));
        record.busInfo = Text(gst_structure_get_string(properties, "v4l2.device.bus_info"));
        record.card = QByteArray(gst_structure_get_string(properties, "v4l2.device.card"));
        gst_structure_free(properties);
    }
    if (GstCaps* caps = gst_device_get_caps(device)) {
        record.caps = Text(GText(gst_caps_to_string(caps)).get());
        gst_caps_unref(caps);
    }
    return record;
}

} // namespace

QList<VideoDeviceInfo> ListV4l2Devices() {
    if (!EnsureGstInit()) {
        return {};
    }
    const std::unique_ptr<GstDeviceMonitor, GstObjectUnref> monitor(gst_device_monitor_new());
    if (gst_device_monitor_add_filter(monitor.get(), "Video/Source", nullptr) == 0) {
        qCDebug(veldorTrace) << "no device provider lists video sources";
        return {};
    }
    // PipeWire's provider hides the v4l2 provider; without this a desktop running PipeWire
    // would list its own devices only, and those are not the ones we bind.
    gst_device_monitor_set_show_all_devices(monitor.get(), TRUE);
    if (!gst_device_monitor_start(monitor.get())) {
        qCDebug(veldorTrace) << "video device monitor did not start";
        return {};
    }
    QList<MonitoredDevice> records;
    {
        const std::unique_ptr<GstDeviceMonitor, MonitorStop> running(monitor.get());
        GList* devices = gst_device_monitor_get_devices(monitor.get()); // full transfer
        for (GList* item = devices; item; item = item->next) {
            records.append(Describe(GST_DEVICE(item->data)));
        }
        g_list_free_full(devices, gst_object_unref);
    }
    return SelectV4l2Devices(records);
}
