#pragma once

#include "app/CNullDlg.h"
#include "button/ButtonPoll.h"
#include "capture/CameraCalibrations.h"
#include "capture/CameraEvent.h"
#include "capture/DeviceRecord.h"
#include "capture/OverlaySettings.h"
#include "capture/PictureCalibration.h"
#include "library/CCompDlg.h"
#include "library/CompareOwner.h"
#include "library/PictureCache.h"
#include "library/PictureDrawing.h"
#include "library/ShownPicture.h"
#include "library/ThumbnailStrip.h"
#include "movie/CMovieDlg.h"
#include "movie/MovieOwner.h"
#include "platform/dialog/Dialog.h"
#include "platform/instance/InstanceLock.h"

#include <QEvent>
#include <QFont>
#include <QIcon>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class Clock;
class Prompts;
class QButtonGroup;
class QEventLoop;
class QComboBox;
class QFrame;
class QPainter;
class VideoOutput;
class VideoDeviceMonitor;

// The main window: the hub that holds the program's shared state and its controls, and the
// owner of the compare and movie windows that take its place. Everything here runs on the
// user-interface thread.
class CKestrelDlg : public Dialog, public CompareOwner, public MovieOwner {
    Q_OBJECT

public:
    CKestrelDlg(Prompts& prompts, Clock& clock, QWidget* parent = nullptr);
    ~CKestrelDlg() override;

    // Runs the window modally: start-up, the modal loop, shut-down. Returns the dialog's result,
    // or 0 when start-up refused to run.
    int DoModal();
    void done(int r) override;

    // Exchanges the bound members with the controls: save = true reads the controls.
    bool UpdateData(bool save = true);

    // Start-up and shut-down.
    bool OnInitDialog();
    void OnDestroy();

    // Settings file.
    void LoadIniFile();
    void SaveIniFile();

    // Camera selection and the camera's stored settings.
    void SelectDevice(int n, QWidget* videoWnd);
    int loadVideoProperty();
    void saveVideoProperty();
    // False when the file could not be written. A picture taken with a calibration current
    // keeps it there too.
    bool saveUSBProperty(const QString& path,
                         const std::optional<PictureCalibration>& calibration = std::nullopt);
    int loadUSBProperty(const QString& path);
    void OnVideoProperty();
    void OnVideoFormat();
    void OnCopyProperty();
    // Cameras plugged in or unplugged: the combo box gains the new ones; the running camera's
    // removal ends the live view, its return starts it again.
    void OnDevicesChanged();
    // The running camera stopped (unplugged, busy, broken): no live view until it is back.
    void LiveEnded() override;
    // Selects the lost camera again once it is back.
    void ReconnectCamera();
    // Brings the live state in line with the graph once this window is in front again.
    void CheckCamera();
    // When no camera runs because it was lost: says so and returns true.
    bool RefuseWithoutCamera() override;

    // Picture list and display. The strip holds the save folder's picture list, its top index
    // and the selected slot.
    void ResetImageList();
    void OnPrevImage();
    void OnNextImage();
    void OnSaveFolder();
    void OnDeleteImage();
    // Draws from the window's state only.
    void DrawImageArea(QPainter& dc);
    // Brings the buttons, the view and the shown picture's files in line with the selection,
    // the strip position, the list, the view state and the comment box; run by every handler
    // that changes them. SelectionChanged also applies the selected picture's camera settings
    // again.
    void ApplyViewState();
    void SelectionChanged();
    void ReturnToLive();
    void EnterStillView();
    void OnImageAreaLeftClick(int x, int y);
    void OnImageAreaRightClick(int x, int y);

    // Still capture.
    void OnCapture();

    // Commands, view modes, timers.
    void OnViewMode();
    void OnDefaultView();
    void OnExit();
    void OnTitleBar();
    void OnOptionCheck();
    void OnCameraSelect();
    void OnCompView();
    void OnMovieDlg();
    std::optional<QString> MakeMovieFileName() override;
    // Timer 2: one repaint after full screen ends.
    void OnTimer(int id);
    // A press of the camera button while this window is in front.
    void OnCameraButton();
    void OnCameraEvent(CameraEvent::Kind kind);
    // Sees key and mouse presses before they are dispatched.
    bool PreTranslateMessage(QObject* target, QEvent* event);

    // The menu of a right click on the live video: the scale bar, calibrating and choosing a
    // calibration, the bar in saved pictures, the focus meter.
    void OnLiveVideoMenu(QPoint globalPos);
    // The user draws a line between two marks on the live video, then gives their distance.
    void OnCalibrate();
    void OnLineMeasured(double framePixels);
    // Brings the live videos' scale bar and focus meter in line with the choices and the
    // current camera's calibration.
    void ApplyOverlays();

    // The text of the interface language.
    QString Text(const char* key) const;

    Prompts& prompts() const override { return m_prompts; }
    Clock& clock() const { return m_clock; }

    // What the compare and movie windows read of this window and ask of it.
    int Language() const override { return m_language; }
    QPoint Corner() const override { return frameGeometry().topLeft(); }
    int SaveStripTop() const override;
    QString SaveFolder() const override { return m_saveFolder; }
    QString CompareFolder() const override { return m_compFolder; }
    QString MovieFolder() const override { return m_movieFolder; }
    void SetSaveFolder(const QString& folder) override;
    void SetCompareFolder(const QString& folder) override;
    void SetMovieFolder(const QString& folder) override;
    int DontAsk() const override { return m_dontAsk; }
    int ShowComment() const override { return m_showComment; }
    void SetShowComment(int show) override;
    int KeepAspect() const override { return m_keepAspect; }
    int GraphDevice() const override { return m_graphDeviceIndex; }
    bool CameraLost() const override { return m_cameraLost; }
    QString CameraUnavailableText() const override;
    void CaptureStill() override;
    void ApplyPictureSettings(const QString& settingsPath) override;
    void ReturnLiveVideo() override;
    bool ShowScaleBar() const override { return m_overlay.scaleBar; }

    // Members shared with the other windows and subsystems.
    QIcon m_hIcon;
    int m_language = 2;
    // When set before start-up, the interface language instead of the system locale's.
    std::optional<int> m_languageOverride;
    QFont m_font;
    QString m_saveFolder;
    QString m_compFolder;
    QString m_movieFolder;
    ThumbnailStrip m_strip{QPoint(190, 498), ThumbnailStrip::Captions::FileDates};
    QString m_commentPath;
    QString m_settingsPath;
    QString m_iniPath;
    int m_viewMode = 1;
    int m_live = 1;
    int m_titleBar = 1;
    CNullDlg m_splashDlg;
    CCompDlg m_compDlg;
    CMovieDlg m_movieDlg;
    QString m_cameraName;
    int m_formatWidth = 0;
    int m_formatHeight = 0;
    QComboBox* m_deviceCombo = nullptr;
    QFrame* m_videoWindow = nullptr;
    VideoOutput* m_videoOutput = nullptr; // the live video, inside m_videoWindow
    QString m_resolutionText;
    int m_graphDeviceIndex = -1;
    int m_fullScreenClick = 0;
    int m_deviceIndex = -1;
    std::unique_ptr<DeviceRecord> m_deviceList;
    int m_viewState = 0;
    int m_buttonPressed = 0;
    QString m_lastQ7Name;
    int m_dontAsk = 0;
    int m_keepAspect = 0;
    int m_showComment = 0;
    int m_mainActive = 0;
    QString m_shotCameraName;
    QString m_lastDeviceName;
    // The selected camera went away (or another program holds it): the live view is down
    // until it is back, and commands that need it say so.
    bool m_cameraLost = false;
    bool m_cameraBusy = false;
    bool m_reconnectPending = false; // it came back while another window was in front
    std::unique_ptr<VideoDeviceMonitor> m_deviceMonitor;
    // What is drawn over the live video and into pictures, and the selected camera's
    // calibrations.
    OverlaySettings m_overlay;
    CameraCalibrations m_calibrations;

    // The 300 ms poll of m_buttonPressed, for whichever window is in front.
    ButtonPoll m_buttonPoll{m_buttonPressed};
    // Timer 2: one repaint after full screen ends.
    QTimer m_timer2;

protected:
    virtual void DoDataExchange(bool save);
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void CreateControls();
    void SetJapaneseCaptions();
    void ApplyWindowSize();
    void ApplyCaptionStyle();
    void MoveControls();
    void FillDeviceCombo();
    void CloseCameraDialogs();
    // Builds the camera's graph for the window in front: the movie window's own while it is
    // open, else this window's live graph. Returns the build's result.
    int StartCameraGraph(int n, int* outWidth, int* outHeight);
    void PostQuit();
    void connectCommands();
    void OnCommand(int id) override;
    // Shows child in this window's place, the camera button's presses going to onPress, and
    // brings this window back when it ends. Returns its result.
    int RunChildWindow(ChildWindow& child, std::function<void()> onPress);
    void PollButtonHere();
    bool IsProgramWindow(QWidget* widget) const;

    Prompts& m_prompts;
    Clock& m_clock;
    InstanceLock m_instanceLock;
    QButtonGroup* m_viewModeGroup = nullptr;
    bool m_destroyed = false;
    bool m_exchangeFailed = false;
    QEventLoop* m_modalLoop = nullptr;
    ulong m_lastFilteredTime = 0; // a press passed to parents is filtered once
    QEvent::Type m_lastFilteredType = QEvent::None;
    PictureCache m_pictures;     // the selected picture, decoded for the picture area
    LargePicture m_large;        // the selected picture with its comment, read when it was chosen
    ShownPicture m_shownPicture; // the picture whose camera settings were applied
};
