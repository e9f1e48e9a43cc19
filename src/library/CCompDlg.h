#pragma once

#include "library/PictureCache.h"
#include "library/PictureDrawing.h"
#include "library/ShownPicture.h"
#include "library/ThumbnailStrip.h"
#include "platform/dialog/ChildWindow.h"

#include <QTimer>

class CompareOwner;
class QFrame;
class VideoOutput;
class QPainter;

// The label over a compare-folder picture: "[last part of the folder]name", or the name alone
// for a folder text without a separator.
QString CompareLabel(const QString& folder, const QString& name);

// The compare window, shown modally in its owner's place: a picture of the save folder (left)
// beside a picture of the compare folder (right), each side with its own strip of five
// thumbnails. The camera button's first press shows the live video on the left; a press in that
// live state takes a picture. RETURN ends it with IDOK (back to the owner), EXIT with IDCANCEL
// (the program ends). UI thread only.
class CCompDlg : public ChildWindow {
    Q_OBJECT

public:
    enum ControlId {
        IDC_COMP_FOLDER = 1000,
        IDC_COMP_PREV = 1001,
        IDC_COMP_NEXT = 1002,
        IDC_CMP_SAVE_FOLDER = 1003,
        IDC_SAVE_PREV = 1004,
        IDC_SAVE_NEXT = 1005,
        IDC_CMP_EXIT = 1006,
        IDC_CMP_DELETE_IMAGE = 1007,
        IDC_CMP_CAPTURE = 1008,
        IDC_CMP_COPY_PROPERTY = 1009,
        IDC_CMP_DONT_ASK = 1010,
        IDC_CMP_SHOW_COMMENT = 1011,
    };

    explicit CCompDlg(QWidget* parent = nullptr);

    bool UpdateData(bool save = true);

    void ReloadCompareLists();
    // Brings the video box, the buttons, the selections, what both sides show large and the
    // camera settings of the shown compare picture in line with the lists, strips and live
    // state; run by every handler that changes them. The paint handler only draws what it
    // leaves.
    void ApplyViewState();
    // Draws both sides from the window's state; it changes nothing.
    void DrawCompareWindow(QPainter& dc);
    void OnCompFolder();
    void OnSaveFolder();
    void OnCompPrev();
    void OnCompNext();
    void OnSavePrev();
    void OnSaveNext();
    void OnCapture();
    void OnShowComment();
    void OnLButtonDown(int x, int y);
    void OnRButtonDown(int x, int y);
    void OnOK();
    void OnExit();

    // What happened while the window is in front, as its owner tells it.
    // The camera button was pressed: the first press shows the live video, a press in the live
    // state takes a picture.
    void OnCameraButton();
    // A picture was stored (the camera's own still frame): the lists are read again a second
    // later.
    void PictureStored();
    // The live video no longer fills the screen: the window is repainted half a second later.
    void FullScreenEnded();

    CompareOwner* m_owner = nullptr;
    ThumbnailStrip m_saveStrip;
    ThumbnailStrip m_compStrip;
    int m_liveView = 0;
    QFrame* m_videoBox = nullptr;
    VideoOutput* m_videoOutput = nullptr; // the live video, inside m_videoBox
    int m_cmpDontAsk = 0;
    int m_cmpShowComment = 0;

protected:
    bool OnInitDialog() override;
    void OnClose() override;
    void OnCommand(int id) override;
    // Swallows every key press meant for this window; a click on the live video fills the
    // screen with it.
    bool PreTranslateMessage(QObject* target, QEvent* event) override;
    bool Sees(QWidget* widget, QEvent::Type type) const override;
    virtual void DoDataExchange(bool save);
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void SetCaptions();
    void ChooseFolder(bool compare);
    void EnterLiveState();
    QString Text(const char* key) const;

    // What a side shows large, read where its selection changes.
    struct Large {
        LargePicture picture;
        QString label;
    };
    Large m_saveLarge;
    Large m_compLarge;
    PictureCache m_pictures;
    ShownPicture m_compShown; // the compare picture whose camera settings were applied
    QTimer m_repaintTimer;    // one repaint after full screen ends
    QTimer m_relistTimer;     // the lists read again after a picture was stored
};
