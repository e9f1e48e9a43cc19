#include "capture/DeviceRecord.h"

#include "capture/CaptureGraph.h"
#include "platform/trace/Trace.h"

#include <cstdio>

namespace {

void ShareWithGraph(const DeviceRecord* head) {
    QList<VideoDeviceInfo> devices;
    for (; head; head = head->next.get()) {
        devices.append(head->device);
    }
    CaptureGraph::Instance().SetDevices(devices);
}

} // namespace

int EnumerateDevices(std::unique_ptr<DeviceRecord>& head) {
    head.reset();
    const QList<VideoDeviceInfo> devices = EnumerateVideoDevices();
    CaptureGraph::Instance().SetDevices(devices);
    if (devices.isEmpty()) {
        std::fputs("no device\n", stdout);
        std::fflush(stdout);
        return 0;
    }
    std::unique_ptr<DeviceRecord>* tail = &head;
    for (const VideoDeviceInfo& device : devices) {
        *tail = std::make_unique<DeviceRecord>();
        (*tail)->name = device.name;
        (*tail)->device = device;
        tail = &(*tail)->next;
    }
    return static_cast<int>(devices.size());
}

const DeviceRecord* DeviceAt(const DeviceRecord* head, int n) {
    if (n < 0) {
        return nullptr;
    }
    for (int i = 0; head && i < n; ++i) {
        head = head->next.get();
    }
    return head;
}

DeviceChanges MergeDevices(std::unique_ptr<DeviceRecord>& head,
                           const QList<VideoDeviceInfo>& present) {
    DeviceChanges changes;
    QList<DeviceRecord*> records;
    for (DeviceRecord* d = head.get(); d; d = d->next.get()) {
        records.append(d);
    }
    // Each present camera is claimed by one record at most: first by what it is exactly, then,
    // for a camera renumbered on its way back, by its bus and card.
    QList<int> owner(present.size(), -1);
    QList<int> match(records.size(), -1);
    for (qsizetype r = 0; r < records.size(); ++r) {
        const int i = IndexOfDevice(present, records[r]->device);
        if (i >= 0 && owner[i] < 0) {
            owner[i] = int(r);
            match[r] = i;
        }
    }
    for (qsizetype r = 0; r < records.size(); ++r) {
        for (qsizetype i = 0; match[r] < 0 && i < present.size(); ++i) {
            if (owner[i] < 0 && SameCameraOnOtherNode(present[i], records[r]->device)) {
                owner[i] = int(r);
                match[r] = int(i);
            }
        }
    }
    for (qsizetype r = 0; r < records.size(); ++r) {
        DeviceRecord& record = *records[r];
        const bool now = match[r] >= 0;
        if (now) {
            record.device = present[match[r]];
        }
        if (record.present && !now) {
            changes.removed.append(int(r));
        } else if (!record.present && now) {
            changes.returned.append(int(r));
        }
        record.present = now;
    }
    std::unique_ptr<DeviceRecord>* tail = &head;
    while (*tail) {
        tail = &(*tail)->next;
    }
    for (qsizetype i = 0; i < present.size(); ++i) {
        if (owner[i] >= 0) {
            continue;
        }
        *tail = std::make_unique<DeviceRecord>();
        (*tail)->name = present[i].name;
        (*tail)->device = present[i];
        tail = &(*tail)->next;
        changes.added.append(int(records.size() + changes.added.size()));
    }
    for (int r : changes.removed) {
        qCDebug(veldorTrace, "camera %d gone: %s", r, records[r]->name.constData());
    }
    for (int r : changes.returned) {
        qCDebug(veldorTrace, "camera %d back: %s", r, records[r]->name.constData());
    }
    for (int r : changes.added) {
        qCDebug(veldorTrace, "camera %d new: %s", r, DeviceAt(head.get(), r)->name.constData());
    }
    ShareWithGraph(head.get());
    return changes;
}
