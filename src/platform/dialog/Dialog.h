#pragma once

#include <QDialog>
#include <QHash>

// How a window ended: OK, or Cancel (its EXIT button, Escape, the system's close command).
enum { IDOK = 1, IDCANCEL = 2 };

// A window made of controls known by their ids: GetDlgItem finds a control, and PostCommand
// runs a control's command once the handler that asks for it has returned, whatever the
// control's enabled state. UI thread only.
class Dialog : public QDialog {
    Q_OBJECT

public:
    using QDialog::QDialog;

    QWidget* GetDlgItem(int id) const { return m_controls.value(id, nullptr); }
    void PostCommand(int id);

protected:
    void AddControl(int id, QWidget* control) { m_controls.insert(id, control); }
    // Runs the command of the control id.
    virtual void OnCommand(int id) = 0;

private:
    QHash<int, QWidget*> m_controls;
};

// Exchanges a check box's state with member (0 or 1): save reads the box into the member,
// otherwise the member is written into the box.
void ExchangeCheck(QWidget* checkBox, int& member, bool save);
