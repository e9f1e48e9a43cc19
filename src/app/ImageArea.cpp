#include "app/CKestrelDlg.h"

#include "app/ControlIds.h"
#include "capture/CaptureGraph.h"
#include "library/CommentFile.h"
#include "library/ImageList.h"
#include "library/PictureDrawing.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPainter>

namespace {

const QRect kPictureArea(190, 10, 640, 480);
// Inside the video child's border: where the live video would be.
const QRect kVideoArea(191, 11, 640, 480);
const QColor kNoCameraColor(48, 48, 48);
// A 1-pixel outline of a QRect covers one column and row past its right and bottom edges,
// so the box's outline rectangle ends one pixel short of the box itself.
const QRect kCommentBox(QPoint(280, 430), QPoint(738, 458));
const QRect kCommentText(QPoint(280, 435), QPoint(739, 459));

bool InPictureArea(int x, int y) {
    return x >= 190 && x <= 830 && y >= 10 && y <= 490;
}

} // namespace

void CKestrelDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter dc(this);
    DrawImageArea(dc);
}

void CKestrelDlg::EnterStillView() {
    if (m_selSlot != -1) {
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
    m_selSlot = -1;
    CaptureGraph::Instance().RunGraph();
    m_viewState = 1;
    m_live = 1;
    UpdateData(false);
}

void CKestrelDlg::SelectionChanged() {
    m_shownPicture.Clear();
    ApplyViewState();
}

// The button states, the view and the selected picture's companion files follow from the
// selection, the strip position, the list, the view state and the comment box. This is the part
// of the classic repaint that is not drawing, in its order; it runs once where those change,
// and the paint handler only draws what it leaves.
void CKestrelDlg::ApplyViewState() {
    for (int id : {IDC_DELETE_IMAGE, IDC_PREV_IMAGE, IDC_NEXT_IMAGE, IDC_DONT_ASK}) {
        GetDlgItem(id)->setEnabled(false);
    }
    m_commentPath.clear();

    const int count = static_cast<int>(m_imageNames.size());
    if (m_selSlot != -1 && m_topIndex + m_selSlot >= count) {
        m_selSlot = -1;
        ReturnToLive();
        m_live = 1;
        UpdateData(false);
    }
    if (m_selSlot != -1 && m_viewState == 1) {
        m_videoWindow->hide();
        m_viewState = 2;
        m_live = 0;
        UpdateData(false);
    }

    if (m_selSlot != -1) {
        GetDlgItem(IDC_DELETE_IMAGE)->setEnabled(true);
        GetDlgItem(IDC_DONT_ASK)->setEnabled(true);
        const int index = m_topIndex + m_selSlot;
        if (index >= 0) {
            const QString name = m_imageNames.at(index);
            m_commentPath = MakeCommentPath(m_saveFolder, name);
            m_settingsPath = ReplaceLastThree(m_commentPath, "ini");
            // The stored camera settings are applied when a picture becomes the shown one,
            // not again while it stays shown.
            if (m_shownPicture.Show(m_saveFolder + QLatin1Char('/') + name)) {
                const bool recallable =
                    loadUSBProperty(m_settingsPath) == 1 && m_cameraName == m_shotCameraName;
                GetDlgItem(IDC_COPY_PROPERTY)->setEnabled(recallable);
            }
        }
        GetDlgItem(IDC_PREV_IMAGE)->setEnabled(m_selSlot > 0 || m_topIndex > 0);
        GetDlgItem(IDC_NEXT_IMAGE)->setEnabled(m_topIndex + m_selSlot < count - 1);
    }
    if (m_live == 1) {
        ReturnToLive();
        GetDlgItem(IDC_CAPTURE)->setEnabled(true);
    }
    if (m_selSlot == -1) {
        m_shownPicture.Clear();
    }
    update();
}

// Draws the strip, the captions, the selection frame, the selected picture and its comment
// from the window's state; it changes nothing.
void CKestrelDlg::DrawImageArea(QPainter& dc) {
    dc.setBackgroundMode(Qt::TransparentMode);
    const int count = static_cast<int>(m_imageNames.size());

    QFont captionFont(QStringLiteral("ＭＳ Ｐゴシック"));
    captionFont.setPointSize(8);
    const QFont defaultFont = font();
    const QPen defaultPen(Qt::black);
    dc.setPen(defaultPen);
    dc.setBrush(Qt::white);

    // The lost camera leaves a plain picture that says so, not its last frame.
    if (m_cameraLost && m_viewState == 0 && m_selSlot == -1) {
        dc.fillRect(kVideoArea, kNoCameraColor);
        dc.setPen(Qt::white);
        dc.setFont(defaultFont);
        dc.drawText(kVideoArea, Qt::AlignCenter, CameraUnavailableText());
        dc.setPen(defaultPen);
    }

    for (int u = 0; u < 5; ++u) {
        const int left = 190 + 130 * u;
        const int right = left + 120;
        const int index = m_topIndex + u;
        dc.fillRect(QRect(QPoint(left, 598), QPoint(right - 1, 617)), Qt::white);
        const bool listed = index >= 0 && index < count;
        if (listed) {
            const QString name = m_imageNames.at(index);
            if (!DrawPicture(dc, m_pictures, name, left, 498, 120, 90, m_saveFolder)) {
                dc.setFont(defaultFont);
                dc.drawText(left + 10, 538 + dc.fontMetrics().ascent(),
                            QStringLiteral("Load ERROR"));
            }
            const QString path = m_saveFolder + QLatin1Char('/') + name;
            if (const std::optional<QDateTime> created = FileCreationTime(path)) {
                qCDebug(veldorTrace, "%s",
                        qUtf8Printable(created->toString(
                            QStringLiteral("'ファイル作成日時:'yyyy/MM/dd HH:mm:ss"))));
                dc.setFont(captionFont);
                dc.drawText(QRect(QPoint(left, 604), QPoint(right - 1, 617)),
                            Qt::AlignHCenter | Qt::AlignTop, CaptionText(*created));
            }
        } else {
            dc.drawRect(QRect(QPoint(left, 498), QPoint(right - 2, 586)));
        }
        if (u != m_selSlot) {
            continue;
        }
        QPen red(QColor(255, 0, 0), 2, Qt::DotLine);
        dc.setPen(red);
        dc.setBrush(Qt::NoBrush);
        dc.drawPolyline(
            QPolygon({QPoint(left + 1, 499), QPoint(right - 1, 499), QPoint(right - 1, 587),
                      QPoint(left + 1, 587), QPoint(left + 1, 499)}));
        dc.setPen(defaultPen);
        dc.setBrush(Qt::white);
        if (!listed) {
            continue;
        }
        DrawPicture(dc, m_pictures, m_imageNames.at(index), kPictureArea.x(), kPictureArea.y(),
                    kPictureArea.width(), kPictureArea.height(), m_saveFolder);
        if (m_showComment) {
            if (const std::optional<QString> comment = ReadCommentForDisplay(m_commentPath)) {
                dc.drawRect(kCommentBox);
                dc.setFont(defaultFont);
                dc.drawText(kCommentText, Qt::AlignHCenter | Qt::AlignTop, *comment);
            }
        }
    }
}

void CKestrelDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        OnImageAreaLeftClick(p.x(), p.y());
    } else if (event->button() == Qt::RightButton) {
        OnImageAreaRightClick(p.x(), p.y());
    }
    QDialog::mousePressEvent(event);
}

void CKestrelDlg::OnImageAreaLeftClick(int x, int y) {
    for (int u = 0; u < 5; ++u) {
        const int left = 190 + 130 * u;
        if (x >= left && x <= left + 120 && y >= 498 && y <= 588) {
            m_selSlot = u;
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
    const DecodedText current = ReadCommentForInput(m_commentPath);
    const std::optional<QString> comment =
        m_prompts.InputComment(Text("comment.prompt"), current.text);
    if (!comment) {
        return;
    }
    // A changed comment keeps the file's code page where its characters allow, so that the
    // Windows version can still read a folder it wrote; an unchanged one leaves the file alone.
    if (SaveEditedComment(m_commentPath, current, *comment) == CommentSave::Failed) {
        m_prompts.MessageBox(Text("comment.failed"));
        return;
    }
    if (m_showComment == 0) {
        m_showComment = 1;
        UpdateData(false);
        SaveIniFile();
    }
    ApplyViewState();
}
