#pragma once

#include <QDialog>
#include <QTimer>

class CKestrelDlg;

// The compare window, shown modally in the main window's place. RETURN ends it with IDOK
// (back to the main window), EXIT with 2 (the program ends).
class CCompDlg : public QDialog {
    Q_OBJECT

public:
    explicit CCompDlg(QWidget* parent = nullptr);

    int DoModal() { return exec(); }

    CKestrelDlg* m_owner = nullptr;
    // Timer 2: a repaint after full screen ends; timer 4: the lists are read again after a
    // capture.
    QTimer m_timer2;
    QTimer m_timer4;
};
