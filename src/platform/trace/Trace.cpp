#include "platform/trace/Trace.h"

Q_LOGGING_CATEGORY(veldorTrace, "veldor.trace", QtWarningMsg)
