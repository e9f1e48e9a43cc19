#pragma once

// Stops and releases the running capture graph, if any.
void ReleaseGraph();
