#pragma once

#include "library/PictureCache.h"
#include "library/ShownPicture.h"

#include <QDialog>
#include <QHash>
#include <QRect>
#include <QStringList>
#include <QTimer>

class CKestrelDlg;
class QFrame;
class VideoOutput;
class QPainter;

// The label over a compare-folder picture: "[last part of the folder]name", or the name alone
// for a folder text without a separator.
QString CompareLabel(const QString& folder, const QString& name);

// The compare window, shown modally in the main window's place: a picture of the save folder
// (left) beside a picture of the compare folder (right), each side with its own strip of five
// thumbnails. The camera button's first press shows the live video on the left; a press in that
// live state takes a picture. RETURN ends it with IDOK (back to the main window), EXIT with
// IDCANCEL (the program ends). UI thread only.
class CCompDlg : public QDialog {
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

    // OnInitDialog, then the modal loop; returns the window's result.
    int DoModal();
    void done(int r) override;
    // The system's close command ends the window with IDCANCEL, like EXIT.
    void reject() override;

    QWidget* GetDlgItem(int id) const { return m_controls.value(id, nullptr); }
    bool UpdateData(bool save = true);
    // Queues the command of a control id, as a posted WM_COMMAND would.
    void PostCommand(int id);

    bool OnInitDialog();
    void ReloadCompareLists();
    // Brings the video box, the buttons, the selections and the camera settings of the shown
    // compare picture in line with the lists, strips and live state; run by every handler that
    // changes them. The paint handler only draws what it leaves.
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
    void OnTimer(int id);
    void OnOK();
    void OnExit();
    // Swallows every key press meant for this window; a click on the live video fills the
    // screen with it.
    bool PreTranslateMessage(QObject* target, QEvent* event);

    CKestrelDlg* m_owner = nullptr;
    QRect m_bandRect;
    QStringList m_compNames;
    int m_compTop = 0;
    int m_compSel = 0;
    QStringList m_saveNames;
    int m_saveTop = 0;
    int m_saveSel = 0;
    int m_liveView = 0;
    QFrame* m_videoBox = nullptr;
    VideoOutput* m_videoOutput = nullptr; // the live video, inside m_videoBox
    int m_cmpDontAsk = 0;
    int m_cmpShowComment = 0;
    int m_repaintCount = 0;

    // Timer 1: 300 ms poll of the main window's m_buttonPressed. Timer 2: a repaint after full
    // screen ends. Timer 4: the lists are read again after a capture.
    QTimer m_timer1;
    QTimer m_timer2;
    QTimer m_timer4;

protected:
    virtual void DoDataExchange(bool save);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct Side;
    void OnCommand(int id);
    void SetCaptions();
    void ChooseFolder(bool compare);
    void EnterLiveState();
    void DrawSide(QPainter& dc, const Side& side);
    QString Text(const char* key) const;

    QHash<int, QWidget*> m_controls;
    PictureCache m_pictures;
    ShownPicture m_compShown; // the compare picture whose camera settings were applied
};
