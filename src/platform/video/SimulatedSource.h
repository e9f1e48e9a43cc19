#pragma once

#include "platform/video/GstHandles.h"
#include "platform/video/SimulatedCamera.h"

// The simulated camera: videotestsrc with the described pattern through a videobalance (so
// its picture controls show), or the replay of a recording (ReplaySource.h), producing the chosen
// format on pad "src"; with a still pin, a second pad "still" passes one frame per trigger.
GstElementPtr CreateSimulatedSource(const SimulatedCamera& camera, const VideoCapability& format);

bool IsSimulatedSource(GstElement* element);
bool SimulatedHasStill(GstElement* source);
bool TriggerSimulatedStill(GstElement* source);
// Regenerates the source's chain for another format; only while the source is not playing.
void SetSimulatedFormat(GstElement* source, const VideoCapability& format);
// The source's videobalance element (borrowed; the source owns it).
GstElement* SimulatedBalance(GstElement* source);
