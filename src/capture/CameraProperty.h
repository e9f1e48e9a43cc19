#pragma once

#include "platform/video/CameraControls.h"

#include <QByteArray>
#include <QList>
#include <array>
#include <cstdint>

// One entry of the camera property table: name (also its key in the settings files), the
// property's kind and number, and the last value and flags read from the camera or a file.
struct CameraProperty {
    char name[32];
    int kind;
    int propertyId;
    int value;
    int flags; // 1 automatic, 2 manual, kNoValueFlags: nothing to apply
};

inline constexpr int kCameraPropertyCount = 19;
inline constexpr int kNoValueFlags = -9;

using CameraPropertyTable = std::array<CameraProperty, kCameraPropertyCount>;

// The process-wide table, in the order of every loop and of the keys in both files.
CameraPropertyTable& CameraProperties();
// The table as it is at the start of the process.
const CameraPropertyTable& CameraPropertyStartValues();
void ResetCameraProperties();

// The running graph's camera controls, or null when no graph runs.
CameraControls* GraphCameraControls();

// The controls of the graph that runs when this object is made, for as long as that graph runs.
// A dialog given them may outlive the graph (an error stops it, the camera is unplugged): from
// then on every call fails and no control is offered, instead of reaching controls that are
// gone or a descriptor the source has closed. UI thread.
class RunningGraphControls : public CameraControls {
public:
    RunningGraphControls();
    // Whether the graph's controls are still those this object was made with.
    bool Valid() const { return Target() != nullptr; }

    bool Get(int kind, int propertyId, int* value, int* flags) override;
    bool Set(int kind, int propertyId, int value, int flags) override;
    QList<ControlInfo> Controls() override;
    bool SetAuto(int kind, int propertyId, bool on) override;
    bool SetValue(int kind, int propertyId, int value) override;

private:
    CameraControls* Target() const;
    std::uint64_t m_generation;
};

// Get / Set of one entry on the running graph's camera; false without a graph.
bool GetCameraProperty(CameraProperty& entry);
bool SetCameraProperty(const CameraProperty& entry);

// Traces "get::" / "set::" lines with the " " (succeeded) or "x" (failed) mark.
void TraceGet(const CameraProperty& entry, bool ok);
void TraceSet(const CameraProperty& entry, bool ok);

// Parses a stored "%d/%d" value (at most its first 31 bytes count). False for text that does not
// hold both numbers or whose numbers do not fit an int.
bool ParsePropertyText(const QByteArray& text, int* value, int* flags);
QByteArray PropertyText(const CameraProperty& entry);

// Sets every entry of entries whose flags are not kNoValueFlags on controls, tracing each. The
// automatic modes are switched first, so no value is written while the camera still controls
// it. Returns 1 when the last Set attempted succeeded, 0 when it failed or none was attempted.
int ApplyPropertiesTo(CameraControls* controls, const QList<CameraProperty>& entries);

// Applies the table's entries to the running graph's camera.
int ApplyCameraProperties();

// Entries read from the settings file for cameraName, applied once when that camera's graph
// next starts (and then forgotten), so a camera comes back as it was left.
void RestoreWhenStarted(const QByteArray& cameraName, const QList<CameraProperty>& entries);
// Called by the graph once its controls exist.
void ApplyPendingRestore(const QByteArray& cameraName);
