#include "app/CKestrelApp.h"

#include "app/CKestrelDlg.h"

#include <QFileInfo>

CKestrelApp::CKestrelApp(int& argc, char** argv) : m_app(argc, argv) {
    // The application name is the program file's base name, as the window title and the
    // settings file name use it.
    QApplication::setApplicationName(QFileInfo(QApplication::applicationFilePath()).baseName());
    QApplication::setQuitOnLastWindowClosed(false);
}

int CKestrelApp::InitInstance() {
    CKestrelDlg dlg(m_prompts, m_clock);
    dlg.DoModal();
    return 0;
}
