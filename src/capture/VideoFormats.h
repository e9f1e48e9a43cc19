#pragma once

// Probes the newly selected camera's formats before its graph is built. Returns 1.
int FormatResetProbe();
