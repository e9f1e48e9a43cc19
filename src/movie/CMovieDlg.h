#pragma once

#include "capture/CameraEvent.h"
#include "platform/dialog/ChildWindow.h"

#include <QString>

class MovieOwner;
class QFrame;
class VideoOutput;

// The movie window, shown modally in its owner's place: the live picture in its own video
// area, and recording into AVI files in the movie folder. Still mode (IDOK) goes back to the
// owner, EXIT ends with IDCANCEL and so ends the program. Runs on the UI thread only.
class CMovieDlg : public ChildWindow {
    Q_OBJECT

public:
    enum ControlId {
        IDC_START_STOP = 1000,
        IDC_CHANGE_FOLDER = 1001,
        IDC_OPEN_FOLDER = 1002,
        IDC_MOVIE_EXIT = 1003,
    };

    explicit CMovieDlg(QWidget* parent = nullptr);

    void OnStartStop();
    void OnChangeFolder();
    void OnOpenFolder();
    void OnOK();
    void OnExit();
    void OnCameraEvent(CameraEvent::Kind kind);
    // The camera button was pressed while the window is in front, as its owner tells it: one
    // Start/Stop.
    void OnCameraButton();
    // The owner selected its lost camera again while this window is open: the preview runs
    // again. Returns StartMovieVideo's result.
    int CameraReturned(int device, int* width, int* height);

    MovieOwner* m_owner = nullptr;
    QFrame* m_videoWindow = nullptr;
    VideoOutput* m_videoOutput = nullptr; // the live video, inside m_videoWindow
    // 0 not recording, 1 recording, negative: the failure code of the last start.
    int m_recording = 0;
    QString m_moviePath;

protected:
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void SetCaptions();
    void EnableButtons(bool enable);
    // Runs the movie graph without a file: the live picture only. False when nothing runs, and
    // then the camera counts as gone.
    bool StartPreview();
    // The camera stopped or cannot be bound: nothing records, the buttons are usable, and the
    // video area says so until the camera is back.
    void CameraGone();
    // An error stopped the graph, completing a movie being written with what it has.
    void OnGraphError();
    QString Text(const char* key) const;
};
