#include "app/CKestrelDlg.h"

#include "app/ControlIds.h"
#include "capture/CaptureGraph.h"
#include "capture/NoCameraPicture.h"
#include "library/CommentEditing.h"
#include "library/ImageList.h"
#include "library/PictureDrawing.h"
#include "platform/trace/Trace.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>

namespace {

const QRect kPictureArea(190, 10, 640, 480);
// Inside the video child's border: where the live video would be.
const QRect kVideoArea(191, 11, 640, 480);
const QPoint kCommentBox(280, 430);

bool InPictureArea(int x, int y) {
    return x >= 190 && x <= 830 && y >= 10 && y <= 490;
}

} // namespace

void CKestrelDlg::paintEvent(QPaintEvent* event) {
    Dialog::paintEvent(event);
    QPainter dc(this);
    DrawImageArea(dc);
}

void CKestrelDlg::EnterStillView() {
    if (m_strip.selSlot() != -1) {
        m_videoWindow->hide();
    }
    m_viewState = 2;
    m_live = 0;
    UpdateData(false);
}

void CKestrelDlg::ReturnToLive() {
    if (m_viewState != 2) {
        return;
    }
    m_videoWindow->show();
    m_strip.SelectSlot(-1);
    CaptureGraph::Instance().RunGraph();
    m_viewState = 1;
    m_live = 1;
    UpdateData(false);
}

void CKestrelDlg::SelectionChanged() {
    m_shownPicture.Clear();
    ApplyViewState();
}

// The button states, the view and the selected picture with its companion files follow from
// the selection, the strip position, the list, the view state and the comment box. This is the
// part of the classic repaint that is not drawing, in its order; it runs once where those
// change, and the paint handler only draws what it leaves.
void CKestrelDlg::ApplyViewState() {
    for (int id : {IDC_DELETE_IMAGE, IDC_PREV_IMAGE, IDC_NEXT_IMAGE, IDC_DONT_ASK}) {
        GetDlgItem(id)->setEnabled(false);
    }
    m_commentPath.clear();
    m_large = LargePicture{};

    if (m_strip.DropSelectionPastEnd()) {
        ReturnToLive();
        m_live = 1;
        UpdateData(false);
    }
    if (m_strip.selSlot() != -1 && m_viewState == 1) {
        m_videoWindow->hide();
        m_viewState = 2;
        m_live = 0;
        UpdateData(false);
    }

    if (m_strip.selSlot() != -1) {
        GetDlgItem(IDC_DELETE_IMAGE)->setEnabled(true);
        GetDlgItem(IDC_DONT_ASK)->setEnabled(true);
        const QString name = m_strip.SelectedName();
        if (!name.isEmpty()) {
            m_large = LargePicture::Read(m_strip.folder(), name);
            m_commentPath = MakeCommentPath(m_strip.folder(), name);
            m_settingsPath = ReplaceLastThree(m_commentPath, "ini");
            // The stored camera settings are applied when a picture becomes the shown one,
            // not again while it stays shown.
            if (m_shownPicture.Show(m_large.path)) {
                const bool recallable =
                    loadUSBProperty(m_settingsPath) == 1 && m_cameraName == m_shotCameraName;
                GetDlgItem(IDC_COPY_PROPERTY)->setEnabled(recallable);
            }
        }
        GetDlgItem(IDC_PREV_IMAGE)->setEnabled(m_strip.CanStepBack());
        GetDlgItem(IDC_NEXT_IMAGE)->setEnabled(m_strip.CanStepOn());
    }
    if (m_live == 1) {
        ReturnToLive();
        GetDlgItem(IDC_CAPTURE)->setEnabled(true);
    }
    if (m_strip.selSlot() == -1) {
        m_shownPicture.Clear();
        m_large = LargePicture{};
    }
    update();
}

// Draws the strip, the selected picture and its comment from the window's state; it changes
// nothing and reads no file but a picture's not decoded yet.
void CKestrelDlg::DrawImageArea(QPainter& dc) {
    dc.setBackgroundMode(Qt::TransparentMode);
    const QFont defaultFont = font();
    const QPen defaultPen(Qt::black);
    dc.setFont(defaultFont);
    dc.setPen(defaultPen);
    dc.setBrush(Qt::white);

    // The lost camera leaves a plain picture that says so, not its last frame.
    if (m_cameraLost && m_viewState == 0 && m_strip.selSlot() == -1) {
        DrawNoCameraPicture(dc, kVideoArea, CameraUnavailableText());
    }

    m_strip.Draw(dc);
    if (m_large.path.isEmpty() || !m_strip.SelectedIndex()) {
        return;
    }
    const bool drawn = DrawPicture(dc, m_pictures, m_large.path, m_large.stamp, kPictureArea);
    const bool comment = m_showComment && m_large.comment;
    if (comment) {
        DrawComment(dc, kCommentBox, *m_large.comment);
    }
    // The picture's own calibration, not the current one: it may have been taken at another
    // zoom.
    if (drawn && m_overlay.scaleBar && m_large.calibration) {
        DrawPictureScaleBar(dc, kPictureArea, *m_large.calibration,
                            comment ? std::optional<int>(kCommentBox.y()) : std::nullopt);
    }
}

void CKestrelDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        OnImageAreaLeftClick(p.x(), p.y());
    } else if (event->button() == Qt::RightButton) {
        OnImageAreaRightClick(p.x(), p.y());
    }
    Dialog::mousePressEvent(event);
}

void CKestrelDlg::OnImageAreaLeftClick(int x, int y) {
    const int u = m_strip.SlotAt(QPoint(x, y));
    if (u != -1) {
        m_strip.SelectSlot(u);
        if (m_viewState == 1) {
            m_videoWindow->hide();
            m_viewState = 2;
            m_live = 0;
            UpdateData(false);
        }
        m_live = 0;
        GetDlgItem(IDC_CAPTURE)->setEnabled(false);
        UpdateData(false);
        SelectionChanged();
        return;
    }
    if (InPictureArea(x, y)) {
        m_live = 1;
        UpdateData(false);
        OnViewMode();
    }
}

void CKestrelDlg::OnImageAreaRightClick(int x, int y) {
    // The comment belongs to the shown picture; over the live video there is none.
    if (!InPictureArea(x, y) || m_commentPath.isEmpty()) {
        return;
    }
    if (!EditComment(m_prompts, m_language, m_commentPath)) {
        return;
    }
    if (m_showComment == 0) {
        m_showComment = 1;
        UpdateData(false);
        SaveIniFile();
    }
    ApplyViewState();
}
