#pragma once

#include "platform/video/CameraPages.h"

class QTreeWidget;
class StreamConfig;
struct VideoCapability;

// The camera's format page: its capture formats, one row each in the camera's order (pixel
// format, size, frame rates), the current one selected and the list holding the focus. OK (or
// Enter, or a double click) sets the selected format on the stream configuration; Cancel and
// Escape leave it. Runs on the user-interface thread.
class FormatPagesDialog : public CameraPagesDialog {
    Q_OBJECT

public:
    FormatPagesDialog(StreamConfig& config, const PropertyFrame& frame, QWidget* owner);

    // "30, 15, 7.5"
    static QString RatesText(const VideoCapability& cap);

private:
    void Apply();

    StreamConfig& m_config;
    QTreeWidget* m_list;
};
