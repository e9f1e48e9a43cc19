#include "capture/CaptureGraph.h"

void ReleaseGraph() {}
