#pragma once

#include "platform/video/CameraControls.h"

#include <QDialog>

class QGridLayout;

// The camera's property pages: one row per control the camera offers, built from its control
// list: a slider with its value for an integer, a check box for a boolean, a list for a menu,
// and a check box for an automatic mode. Every change goes to the camera at once.
// Runs on the user-interface thread.
class PropertyPagesDialog : public QDialog {
    Q_OBJECT

public:
    // Placed at 30, 30 of owner (of the screen without one).
    PropertyPagesDialog(CameraControls& controls, QWidget* owner);

private:
    void AddRow(QGridLayout* grid, int row, const ControlInfo& info);

    CameraControls& m_controls;
};
