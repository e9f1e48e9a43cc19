#include "button/ButtonDetection.h"

#include "button/ButtonDetectionMonitor.h"
#include "button/ButtonWindow.h"
#include "platform/trace/Trace.h"
#include "platform/video/VideoDevice.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <memory>
#include <optional>

namespace {

// The process-wide records of the button: the registered flag, the hidden button window,
// the single monitor, and the running camera. User-interface thread only.
struct ButtonDetectionState {
    int* pressedFlag = nullptr;
    std::unique_ptr<ButtonWindow> window;
    std::unique_ptr<ButtonDetectionMonitor> monitor;
    std::optional<ButtonCamera> camera;
    bool endRoutineAdded = false;
};

ButtonDetectionState& State() {
    static ButtonDetectionState state;
    return state;
}

void EndDetection() {
    ButtonDetectionState& state = State();
    // The reader posts to the window, so it ends first.
    state.monitor.reset();
    state.window.reset();
    state.pressedFlag = nullptr;
    state.camera.reset();
}

} // namespace

void StartButtonPressDetection(int* pressedFlag, Prompts& prompts) {
    qCDebug(veldorTrace, "In StartButtonPressDetection(), in DLL");
    ButtonDetectionState& state = State();
    state.pressedFlag = pressedFlag;
    if (!state.window) {
        if (QCoreApplication::instance()) {
            state.window = std::make_unique<ButtonWindow>([] {
                if (int* flag = State().pressedFlag) {
                    *flag = 1;
                }
            });
        } else {
            qCDebug(veldorTrace, "In StartButtonPressDetection(), could not create hidden window");
        }
    }
    if (state.monitor) {
        return;
    }
    if (!state.endRoutineAdded && QCoreApplication::instance()) {
        // The reader must end while the application's objects still exist.
        qAddPostRoutine(EndDetection);
        state.endRoutineAdded = true;
    }
    state.monitor = std::make_unique<ButtonDetectionMonitor>(DeviceRootsFromEnvironment(),
                                                             state.window.get(), &prompts);
    if (!state.monitor->HasThread() && state.monitor->utilities().FindDeviceAndAssignDeviceName()) {
        state.monitor->utilities().CloseDeviceHandle();
        state.monitor->StartThread();
    }
    if (state.camera) {
        state.monitor->SetCamera(*state.camera);
    }
}

void EndButtonPressDetection(int* pressedFlag) {
    if (pressedFlag && State().pressedFlag == pressedFlag) {
        EndDetection();
    }
}

void ButtonCameraChanged(const VideoDeviceInfo& camera) {
    ButtonCamera button;
    if (camera.simulated) {
        button.usbDevice = camera.simulated->usbDevice;
    } else if (!camera.devicePath.isEmpty()) {
        button.videoNode = QFileInfo(camera.devicePath).fileName();
    }
    // Also the same camera again: chosen after it was plugged in anew, its nodes may differ.
    ButtonDetectionState& state = State();
    state.camera = button;
    if (state.monitor) {
        state.monitor->SetCamera(button);
    }
}

ButtonDetectionMonitor* ButtonMonitor() {
    return State().monitor.get();
}
