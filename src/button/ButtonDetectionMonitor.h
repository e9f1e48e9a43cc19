#pragma once

#include "button/CameraKeyDevices.h"
#include "button/DeviceRoots.h"
#include "button/HIDUtilities.h"

#include <future>
#include <memory>
#include <thread>

class Prompts;
class QObject;

// Owns the reader thread that watches the button's hidraw interface and the running camera's
// snapshot key, and posts one button message to the target window for each press.
// Every member function runs on the user-interface thread.
class ButtonDetectionMonitor {
public:
    // targetWindow may be null: presses are then read but not posted.
    ButtonDetectionMonitor(const DeviceRoots& roots, QObject* targetWindow, Prompts* prompts);
    // Stops the reader, waiting at most 500 ms for it to end.
    virtual ~ButtonDetectionMonitor();
    ButtonDetectionMonitor(const ButtonDetectionMonitor&) = delete;
    ButtonDetectionMonitor& operator=(const ButtonDetectionMonitor&) = delete;

    HIDUtilities& utilities() { return *m_utilities; }
    bool HasThread() const { return m_thread.joinable(); }

    // Starts the reader on the device the utilities found (or on none, for the camera key
    // alone). False when the thread cannot be made.
    bool StartThread();
    // The camera whose snapshot key is read from now on; starts the reader if none runs.
    // When the button's interface was found at start but has since gone away, it is
    // searched for again (the same vendor and product only).
    void SetCamera(const ButtonCamera& camera);

private:
    struct Reader;

    std::unique_ptr<HIDUtilities> m_utilities;
    // Shared with the thread, so a thread that outlives the 500 ms wait keeps its state.
    std::shared_ptr<Reader> m_reader;
    std::thread m_thread;
    std::future<void> m_ended;
};
