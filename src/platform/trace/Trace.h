#pragma once

#include <QLoggingCategory>

// Diagnostic trace lines; off unless QT_LOGGING_RULES="veldor.trace=true".
Q_DECLARE_LOGGING_CATEGORY(veldorTrace)
