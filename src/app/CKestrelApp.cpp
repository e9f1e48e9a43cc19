#include "app/CKestrelApp.h"

#include "app/CKestrelDlg.h"

#include <QFileInfo>
#include <QFont>

CKestrelApp::CKestrelApp(int& argc, char** argv) : m_app(argc, argv) {
    // The application name is the program file's base name, as the window title and the
    // settings file name use it.
    QApplication::setApplicationName(QFileInfo(QApplication::applicationFilePath()).baseName());
    QApplication::setQuitOnLastWindowClosed(false);
    // The caption font's face is a Windows one; IPA's proportional Gothic has its metrics.
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    // The movie window's dialog font; the Japanese captions come from IPA Gothic.
    QFont::insertSubstitutions(QStringLiteral("MS Shell Dlg"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("IPAPGothic")});
}

int CKestrelApp::InitInstance() {
    CKestrelDlg dlg(m_prompts, m_clock);
    dlg.DoModal();
    return 0;
}
