#pragma once

#include "app/AppPrompts.h"
#include "platform/clock/Clock.h"
#include "platform/language/QtTranslation.h"

#include <QApplication>

// The application object: runs the main window modally; the process ends with it.
class CKestrelApp {
public:
    CKestrelApp(int& argc, char** argv);

    // Runs the main window; returns the process exit code.
    int InitInstance();

private:
    QApplication m_app;
    QtTranslation m_qtTexts;
    AppPrompts m_prompts;
    SystemClock m_clock;
};
