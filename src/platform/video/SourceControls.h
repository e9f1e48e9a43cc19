#pragma once

#include "platform/video/CameraControls.h"
#include "platform/video/VideoDevice.h"

#include <gst/gst.h>
#include <memory>

// The picture controls of a running source element. A V4L2 camera's go through v4l2src's own
// descriptor ("device-fd"; the device node when the source has none open), so the object must be
// destroyed before the source. A simulated camera's controls outlive its source elements, as a
// driver keeps a camera's values between opens; while the returned object lives they drive the
// source's picture. Null when the source has no controls to offer.
std::unique_ptr<CameraControls> OpenSourceControls(const VideoDeviceInfo& device,
                                                   GstElement* source);

// Forgets the simulated cameras' control values (a fresh process's state).
void ResetSimulatedControls();
// Forgets one simulated camera's control values, as a camera unplugged loses its own.
void ForgetSimulatedControls(const QByteArray& cameraName);
