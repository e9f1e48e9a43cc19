#pragma once

class ButtonDetectionMonitor;
class Prompts;
struct VideoDeviceInfo;

// Registers the flag the camera button sets to 1 and starts watching the button: makes the
// hidden button window and the monitor, searches the button's HID interface and starts the
// reader. A second call while detection runs searches nothing. The device folders are those
// of VELDOR_DEVICE_ROOT when it is set. Runs on the user-interface thread.
void StartButtonPressDetection(int* pressedFlag, Prompts& prompts);

// Ends the detection that pressedFlag was registered with: the reader stops, the hidden
// window goes and nothing writes the flag any more. Nothing happens for another flag.
void EndButtonPressDetection(int* pressedFlag);

// The camera now running; its own snapshot key is read from now on. May come before the
// detection starts.
void ButtonCameraChanged(const VideoDeviceInfo& camera);

// The process's monitor; null until detection starts.
ButtonDetectionMonitor* ButtonMonitor();
