#pragma once

#include "platform/video/CameraControls.h"
#include "platform/video/CameraPages.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QSlider;
class QSpinBox;

// The camera's property pages: "Video Proc Amp" and "Camera Control", one row per control the
// camera offers: a slider with its value in a spin box for an integer, a check box for a
// boolean, a list for a menu, and a check box for an automatic mode. Every change goes to the
// camera at once; each page's Default button gives its controls their default values.
// Runs on the user-interface thread.
class PropertyPagesDialog : public CameraPagesDialog {
    Q_OBJECT

public:
    PropertyPagesDialog(CameraControls& controls, const PropertyFrame& frame, QWidget* owner);

private:
    struct Row {
        ControlInfo info;
        QWidget* editor = nullptr;
        QSlider* slider = nullptr;
        QSpinBox* spin = nullptr;
        QCheckBox* box = nullptr;
        QComboBox* list = nullptr;
    };

    void AddRow(QGridLayout* grid, int gridRow, const ControlInfo& info);
    // Writes a value and shows what the camera made of it.
    void WriteValue(int row, int value);
    void ShowValue(Row& row, int value);
    void RestoreDefaults(int kind);

    CameraControls& m_controls;
    QList<Row> m_rows;
};
