#pragma once

#include "platform/video/GstHandles.h"
#include "platform/video/VideoDevice.h"

// The source element of a capture device: v4l2src for a V4L2 camera, or the simulated
// camera's bin. Either gives the camera's stream on its "src" pad in the format set with
// SetSourceFormat; a camera with a still pin also has a "still" pad that carries one frame
// per TriggerStill.
GstElementPtr BindVideoSource(const VideoDeviceInfo& device);

bool HasStillPin(GstElement* source);
// Asks the camera for one still frame; false when it has no still pin.
bool TriggerStill(GstElement* source);

// The format the camera has now: what the device reports, or, when that is unknown or not
// one the program can show, its first displayable capability.
std::optional<VideoCapability> CurrentDeviceFormat(const VideoDeviceInfo& device);
// Makes fmt the camera's format, kept for its next stream (the simulated camera remembers it
// like a driver does).
void RememberDeviceFormat(const VideoDeviceInfo& device, const VideoCapability& fmt);
// Forgets the format remembered for a simulated camera, as an unplugged camera forgets its own.
void ForgetSimulatedFormat(const QByteArray& cameraName);
// Applies fmt inside the source element (the simulated camera generates that format).
void SetSourceFormat(GstElement* source, const VideoCapability& fmt);

// The simulated camera's colour balance element, or null for a real camera.
GstElement* SourceBalance(GstElement* source);
