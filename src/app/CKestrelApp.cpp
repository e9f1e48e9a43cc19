#include "app/CKestrelApp.h"

#include "app/CKestrelDlg.h"
#include "platform/language/Language.h"
#include "platform/paths/Paths.h"

#include <QFont>

CKestrelApp::CKestrelApp(int& argc, char** argv) : m_app(argc, argv) {
    QApplication::setApplicationName(ApplicationNameOf(QApplication::applicationFilePath()));
    QApplication::setQuitOnLastWindowClosed(false);
    m_qtTexts.Install(SystemLanguage());
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
