#pragma once

#include "platform/video/CameraControls.h"

#include <QString>

// The camera dialogs' own texts. Like the platform's own camera pages they come in the
// interface language (1 Japanese, 2 English) rather than from the program's text pairs.
enum class PageText {
    PropertiesTitle, // "%1" is the camera's name
    FormatTitle,
    VideoProcAmp,
    CameraControl,
    StreamFormat,
    Default,
    Auto,
    Close,
    Ok,
    Cancel,
    NoControls,
    NoFormats,
    FormatColumn,
    SizeColumn,
    RatesColumn,
};

QString PageString(PageText text, int language);

// A control's label: in Japanese the name the platform's Japanese pages give it, in English the
// camera's own name.
QString ControlLabel(const ControlInfo& info, int language);
