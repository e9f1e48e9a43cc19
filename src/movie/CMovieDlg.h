#pragma once

#include <QDialog>

class CKestrelDlg;

// The movie window, shown modally in the main window's place. OK ends it with IDOK (back to
// the main window), EXIT with 2 (the program ends).
class CMovieDlg : public QDialog {
    Q_OBJECT

public:
    explicit CMovieDlg(QWidget* parent = nullptr);

    int DoModal() { return exec(); }

    CKestrelDlg* m_owner = nullptr;
};
