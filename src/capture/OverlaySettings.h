#pragma once

#include <QString>

// What is drawn over the live video, and whether saved pictures get the scale bar, as the
// settings file keeps them in a section of their own, "OVERLAY".
struct OverlaySettings {
    bool scaleBar = true;
    bool scaleBarInPictures = false;
    bool focusMeter = false;

    // The stored choices; a missing key keeps its default, any text but TRUE or FALSE too.
    static OverlaySettings Load(const QString& iniPath);
    // All three keys in one replacement of the file; false when that fails.
    bool Save(const QString& iniPath) const;
};
