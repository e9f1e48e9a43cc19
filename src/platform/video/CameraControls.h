#pragma once

#include <QList>
#include <QString>

// Property kinds and flags as the camera property table stores them.
inline constexpr int kVideoProcAmp = 0;
inline constexpr int kCameraControl = 1;
inline constexpr int kPropertyFlagAuto = 1;
inline constexpr int kPropertyFlagManual = 2;

enum class ControlType { Integer, Boolean, Menu };

struct ControlMenuEntry {
    int index = 0;
    QString name;
    bool operator==(const ControlMenuEntry&) const = default;
};

// One picture control the camera offers, as a property dialog shows it.
struct ControlInfo {
    int kind = 0;
    int propertyId = 0;
    QString name; // the camera's own name for the control
    ControlType type = ControlType::Integer;
    int minimum = 0;
    int maximum = 0;
    int step = 1;
    int defaultValue = 0;
    int value = 0;
    QList<ControlMenuEntry> menu; // only for ControlType::Menu
    bool readOnly = false;
    bool hasAuto = false; // the camera can set this control itself
    bool autoOn = false;
};

// The camera's picture controls addressed by the property numbers of the camera property table
// (kind 0: brightness 0, contrast 1, hue 2, saturation 3, sharpness 4, gamma 5, colour enable 6,
// white balance 7, backlight compensation 8, gain 9, power line 13; kind 1: pan 0, tilt 1,
// roll 2, zoom 3, exposure 4, iris 5, focus 6, auto-exposure priority 19).
// Runs on the user-interface thread.
class CameraControls {
public:
    virtual ~CameraControls() = default;

    // value = the control's value; flags = 1 when its automatic mode is on, else 2.
    // False for a property the camera does not offer.
    virtual bool Get(int kind, int propertyId, int* value, int* flags) = 0;
    // flags 1: switch the automatic mode on and leave the value alone; flags 2: switch it off,
    // then write the value. A control without automatic mode writes the value either way.
    // Other flags are refused. The value is fitted into the control's range first.
    virtual bool Set(int kind, int propertyId, int value, int flags) = 0;

    // The supported properties in table order, with their current values.
    virtual QList<ControlInfo> Controls() = 0;
    // Switches only the automatic mode; false when the control has none.
    virtual bool SetAuto(int kind, int propertyId, bool on) = 0;
    // Writes only the value (fitted into the range), leaving the automatic mode as it is.
    virtual bool SetValue(int kind, int propertyId, int value) = 0;
};

// value clamped to [minimum, maximum] and moved to the nearest minimum + k * step (never past
// maximum). A step below 1 counts as 1; minimum > maximum has no valid value and gives minimum.
int FitToRange(int value, int minimum, int maximum, int step);
