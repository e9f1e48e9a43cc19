#pragma once

#include <QDialog>
#include <QHash>
#include <QString>
#include <QTimer>
#include <cstdint>

class CKestrelDlg;
class QFrame;
class VideoOutput;

// The movie window, shown modally in the main window's place: the live picture in its own
// video area, and recording into AVI files in the movie folder. Still mode (IDOK) goes back to
// the main window, EXIT ends with 2 and so ends the program. Runs on the UI thread only.
class CMovieDlg : public QDialog {
    Q_OBJECT

public:
    enum ControlId {
        IDC_START_STOP = 1000,
        IDC_CHANGE_FOLDER = 1001,
        IDC_OPEN_FOLDER = 1002,
        IDC_MOVIE_EXIT = 1003,
    };

    explicit CMovieDlg(QWidget* parent = nullptr);

    // OnInitDialog, then the modal loop; returns the window's result.
    int DoModal();
    void done(int r) override;
    // The system's close command ends the window with IDCANCEL, like EXIT.
    void reject() override;

    QWidget* GetDlgItem(int id) const { return m_controls.value(id, nullptr); }
    // Queues the command of a control id, as a posted WM_COMMAND would.
    void PostCommand(int id);

    bool OnInitDialog();
    void OnStartStop();
    void OnChangeFolder();
    void OnOpenFolder();
    void OnOK();
    void OnExit();
    void OnTimer();
    void OnCameraEvent(std::uintptr_t wParam, std::intptr_t lParam, bool graphNotification);
    // Swallows every key press meant for this window.
    bool PreTranslateMessage(QObject* target, QEvent* event);

    CKestrelDlg* m_owner = nullptr;
    QFrame* m_videoWindow = nullptr;
    VideoOutput* m_videoOutput = nullptr; // the live video, inside m_videoWindow
    // 0 not recording, 1 recording, negative: the failure code of the last start.
    int m_recording = 0;
    QString m_moviePath;
    // Timer 1: 300 ms poll of the main window's m_buttonPressed, armed while the window runs.
    QTimer m_timer1;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnCommand(int id);
    void SetCaptions();
    void EnableButtons(bool enable);
    void OnRecordingError();
    QString Text(const char* key) const;

    QHash<int, QWidget*> m_controls;
};
