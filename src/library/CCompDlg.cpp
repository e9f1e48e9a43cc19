#include "library/CCompDlg.h"

#include "app/CKestrelDlg.h"
#include "app/ControlIds.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "library/CommentFile.h"
#include "library/ImageList.h"
#include "library/PictureDrawing.h"
#include "platform/language/Language.h"
#include "platform/language/TextPairs.h"
#include "platform/prompts/FolderChoice.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace {

struct CompControl {
    int id;
    bool checkBox;
    const char* name;
    QRect rect;
};

using C = CCompDlg;
constexpr CompControl kControls[] = {
    {C::IDC_CMP_CAPTURE, false, "capture", {20, 5, 120, 20}},
    {C::IDC_CMP_SAVE_FOLDER, false, "saveFolder", {20, 400, 120, 30}},
    {C::IDC_COMP_FOLDER, false, "compFolder", {20, 500, 120, 30}},
    {C::IDC_SAVE_PREV, false, "savePrev", {150, 400, 30, 90}},
    {C::IDC_SAVE_NEXT, false, "saveNext", {840, 400, 30, 90}},
    {C::IDC_COMP_PREV, false, "compPrev", {150, 500, 30, 90}},
    {C::IDC_COMP_NEXT, false, "compNext", {840, 500, 30, 90}},
    {C::IDC_CMP_SHOW_COMMENT, true, "comment", {910, 470, 100, 20}},
    {IDOK, false, "return", {880, 500, 120, 30}},
    {C::IDC_CMP_EXIT, false, "exit", {880, 540, 120, 30}},
    {C::IDC_CMP_DELETE_IMAGE, false, "deleteImage", {20, 440, 120, 30}},
    {C::IDC_CMP_DONT_ASK, true, "dontAsk", {50, 470, 100, 20}},
    {C::IDC_CMP_COPY_PROPERTY, false, "copyProperty", {880, 410, 120, 30}},
};

constexpr int kSaveX = 20;
constexpr int kCompX = 524;
constexpr int kSaveStripY = 400;
constexpr int kCompStripY = 500;

QString Caption(int id, int language) {
    return TextPairs::Builtin().Text(QStringLiteral("comp.control.%1").arg(id), language);
}

int Count(const QStringList& names) {
    return static_cast<int>(names.size());
}

void ExchangeCheck(QWidget* widget, int& member, bool save) {
    auto* box = static_cast<QAbstractButton*>(widget);
    if (save) {
        member = box->isChecked() ? 1 : 0;
    } else {
        box->setChecked(member != 0);
    }
}

} // namespace

QString CompareLabel(const QString& folder, const QString& name) {
    // Every absolute folder starts with the separator, so the search goes down to the first
    // character: "/" gives "[]name", as a drive's root does on the Windows version.
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        return name;
    }
    return QLatin1Char('[') + folder.mid(slash + 1) + QLatin1Char(']') + name;
}

// One side of the window as drawn: its folder, list, strip and large picture.
struct CCompDlg::Side {
    const QString& folder;
    const QStringList& names;
    int top;
    int sel;
    int x;      // left edge of the large picture
    int stripY; // top of the thumbnail strip
    bool compare;
};

CCompDlg::CCompDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CCompDlg"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint);
    setFont(QFont(QStringLiteral("MS Shell Dlg"), 8));
    setFixedSize(1024, 620);
    // exec() blocks no other window: the main window it stands in for is hidden meanwhile, and
    // the live video filling the screen is a window of its own that must still take the click
    // that ends it.
    setWindowModality(Qt::WindowModal);
    for (const CompControl& c : kControls) {
        QAbstractButton* button = nullptr;
        if (c.checkBox) {
            button = new QCheckBox(this);
        } else {
            auto* push = new QPushButton(this);
            push->setAutoDefault(false);
            button = push;
        }
        button->setObjectName(QLatin1String(c.name));
        button->setGeometry(c.rect);
        m_controls.insert(c.id, button);
        connect(button, &QAbstractButton::clicked, this, [this, id = c.id] { OnCommand(id); });
    }
    m_videoBox = new QFrame(this);
    m_videoBox->setObjectName(QStringLiteral("videoBox"));
    m_videoBox->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_videoBox->setLineWidth(1);
    m_videoBox->setGeometry(20, 30, 482, 362); // (20, 30)-(502, 392): 480 x 360 inside
    m_videoOutput = new VideoOutput(m_videoBox);
    m_videoBox->hide();
    for (auto [timer, id] : {std::pair{&m_timer1, 1}, {&m_timer2, 2}, {&m_timer4, 4}}) {
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, id = id] { OnTimer(id); });
    }
}

int CCompDlg::DoModal() {
    if (!OnInitDialog()) {
        return 0;
    }
    return exec();
}

void CCompDlg::done(int r) {
    // The window's timers and key rule end with it, so that the main window's camera button
    // is its own again.
    m_timer1.stop();
    m_timer2.stop();
    m_timer4.stop();
    qApp->removeEventFilter(this);
    QDialog::done(r);
}

void CCompDlg::reject() {
    done(IDCANCEL);
}

void CCompDlg::PostCommand(int id) {
    QMetaObject::invokeMethod(
        this, [this, id] { OnCommand(id); }, Qt::QueuedConnection);
}

void CCompDlg::OnCommand(int id) {
    switch (id) {
    case IDC_COMP_FOLDER:
        OnCompFolder();
        break;
    case IDC_CMP_SAVE_FOLDER:
        OnSaveFolder();
        break;
    case IDC_COMP_PREV:
        OnCompPrev();
        break;
    case IDC_COMP_NEXT:
        OnCompNext();
        break;
    case IDC_SAVE_PREV:
        OnSavePrev();
        break;
    case IDC_SAVE_NEXT:
        OnSaveNext();
        break;
    case IDC_CMP_CAPTURE:
        OnCapture();
        break;
    case IDC_CMP_SHOW_COMMENT:
        OnShowComment();
        break;
    case IDOK:
        OnOK();
        break;
    case IDC_CMP_EXIT:
        OnExit();
        break;
    case IDCANCEL:
        done(IDCANCEL);
        break;
    default:
        break;
    }
}

QString CCompDlg::Text(const char* key) const {
    return TextPairs::Builtin().Text(QLatin1String(key), m_owner->m_language);
}

void CCompDlg::SetCaptions() {
    for (const CompControl& c : kControls) {
        auto* button = static_cast<QAbstractButton*>(GetDlgItem(c.id));
        button->setText(Caption(c.id, kEnglish));
        if (m_owner->m_language == kJapanese) {
            button->setText(Caption(c.id, kJapanese));
        }
    }
}

void CCompDlg::DoDataExchange(bool save) {
    ExchangeCheck(GetDlgItem(IDC_CMP_DONT_ASK), m_cmpDontAsk, save);
    ExchangeCheck(GetDlgItem(IDC_CMP_SHOW_COMMENT), m_cmpShowComment, save);
}

bool CCompDlg::UpdateData(bool save) {
    DoDataExchange(save);
    return true;
}

bool CCompDlg::OnInitDialog() {
    SetCaptions();
    m_cmpDontAsk = m_owner->m_dontAsk;
    m_cmpShowComment = m_owner->m_showComment;

    move(m_owner->frameGeometry().topLeft());
    setFixedSize(1024, 620);
    for (const CompControl& c : kControls) {
        GetDlgItem(c.id)->setGeometry(c.rect);
        GetDlgItem(c.id)->setEnabled(true);
    }
    GetDlgItem(IDC_CMP_COPY_PROPERTY)->setEnabled(false);

    m_saveTop = m_owner->m_selSlot != -1 ? m_owner->m_topIndex : 0;
    m_compTop = 0;
    m_compSel = 0;
    ReloadCompareLists();

    m_bandRect = QRect(QPoint(0, 0), QPoint(1023, 29));
    m_videoBox->setGeometry(20, 30, 482, 362);

    for (int id :
         {IDC_CMP_DELETE_IMAGE, IDC_CMP_CAPTURE, IDC_CMP_COPY_PROPERTY, IDC_CMP_DONT_ASK}) {
        GetDlgItem(id)->hide();
    }
    m_saveSel = 0;
    m_liveView = 0;
    m_repaintCount = 0;

    m_timer1.start(300);
    UpdateData(false);
    qApp->installEventFilter(this);
    // Each opening shows the newest compare picture anew, with its camera settings.
    m_compShown.Clear();
    ApplyViewState();
    return true;
}

void CCompDlg::ReloadCompareLists() {
    m_compNames = ReloadImageList(m_owner->m_compFolder);
    m_saveNames = ReloadImageList(m_owner->m_saveFolder);
    m_pictures.Clear();
}

// The part of the classic repaint that is not drawing, in its order: it runs once where the
// lists, strips, selections or the live state change.
void CCompDlg::ApplyViewState() {
    const bool live = m_liveView == 1;
    m_videoBox->setVisible(live);
    GetDlgItem(IDC_CMP_CAPTURE)->setVisible(live);
    if (live) {
        m_saveSel = -1;
        m_saveTop = 0;
    }
    struct Strip {
        int& top;
        int& sel;
        const QStringList& names;
        int prev;
        int next;
    };
    for (Strip s : {Strip{m_saveTop, m_saveSel, m_saveNames, IDC_SAVE_PREV, IDC_SAVE_NEXT},
                    Strip{m_compTop, m_compSel, m_compNames, IDC_COMP_PREV, IDC_COMP_NEXT}}) {
        GetDlgItem(s.prev)->setEnabled(false);
        GetDlgItem(s.next)->setEnabled(false);
        if (s.sel != -1 && (s.top + s.sel >= Count(s.names) || s.top + s.sel < 0)) {
            s.sel = -1;
        }
        if (s.sel != -1) {
            GetDlgItem(s.prev)->setEnabled(s.sel > 0 || s.top > 0);
            GetDlgItem(s.next)->setEnabled(s.top + s.sel < Count(s.names) - 1);
        }
    }
    if (m_compSel == -1) {
        m_compShown.Clear();
    } else {
        // The stored camera settings of a compare picture are applied when it becomes the
        // shown one, so the next picture can be taken as the reference was.
        const QString& folder = m_owner->m_compFolder;
        const QString name = m_compNames.at(m_compTop + m_compSel);
        if (m_compShown.Show(folder + QLatin1Char('/') + name)) {
            m_owner->loadUSBProperty(ReplaceLastThree(MakeCommentPath(folder, name), "ini"));
        }
    }
    update();
}

void CCompDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter dc(this);
    DrawCompareWindow(dc);
}

void CCompDlg::DrawCompareWindow(QPainter& dc) {
    if (!m_owner) {
        return;
    }
    dc.setBackgroundMode(Qt::TransparentMode);
    dc.setFont(font());
    DrawSide(dc, Side{m_owner->m_saveFolder, m_saveNames, m_saveTop, m_saveSel, kSaveX, kSaveStripY,
                      false});
    DrawSide(dc, Side{m_owner->m_compFolder, m_compNames, m_compTop, m_compSel, kCompX, kCompStripY,
                      true});
}

void CCompDlg::DrawSide(QPainter& dc, const Side& side) {
    const QPen defaultPen(Qt::black);
    dc.setPen(defaultPen);
    dc.setBrush(Qt::white);
    const int count = Count(side.names);
    const int ascent = dc.fontMetrics().ascent();
    // A 1-pixel outline of a QRect covers one column and row past its right and bottom edges,
    // so outline rectangles end one pixel short of the boxes themselves.
    for (int i = 0; i < 5; ++i) {
        const int x = 190 + 130 * i;
        const int y = side.stripY;
        const int index = side.top + i;
        const bool listed = index >= 0 && index < count;
        if (listed) {
            if (!DrawPicture(dc, m_pictures, side.names.at(index), x, y, 120, 90, side.folder)) {
                dc.drawText(x + 10, y + 40 + ascent, QStringLiteral("Load ERROR"));
            }
        } else {
            dc.drawRect(QRect(QPoint(x, y), QPoint(x + 118, y + 88)));
        }
        if (i != side.sel) {
            continue;
        }
        dc.setPen(QPen(QColor(255, 0, 0), 2, Qt::DotLine));
        dc.setBrush(Qt::NoBrush);
        dc.drawPolyline(
            QPolygon({QPoint(x + 1, y + 1), QPoint(x + 119, y + 1), QPoint(x + 119, y + 89),
                      QPoint(x + 1, y + 89), QPoint(x + 1, y + 1)}));
        dc.setPen(defaultPen);
        dc.setBrush(Qt::white);
        if (!listed || (!side.compare && m_liveView != 0)) {
            continue;
        }
        const QString& name = side.names.at(index);
        dc.drawText(side.x, 10 + ascent, side.compare ? CompareLabel(side.folder, name) : name);
        DrawPicture(dc, m_pictures, name, side.x, 30, 480, 360, side.folder);
        if (m_cmpShowComment == 1) {
            const QString commentPath = MakeCommentPath(side.folder, name);
            if (const std::optional<QString> comment = ReadCommentForDisplay(commentPath)) {
                dc.drawRect(QRect(QPoint(side.x + 10, 350), QPoint(side.x + 468, 378)));
                dc.drawText(QRect(QPoint(side.x + 10, 355), QPoint(side.x + 469, 379)),
                            Qt::AlignHCenter | Qt::AlignTop, *comment);
            }
        }
    }
    if (side.sel == -1) {
        dc.drawRect(QRect(QPoint(side.x, 30), QPoint(side.x + 478, 388)));
    }
}

void CCompDlg::ChooseFolder(bool compare) {
    QString& folder = compare ? m_owner->m_compFolder : m_owner->m_saveFolder;
    const std::optional<QString> chosen = ChooseStoredFolder(
        m_owner->prompts(), Text(compare ? "compfolder.title" : "savefolder.title"), folder,
        m_owner->m_language);
    if (!chosen) {
        return;
    }
    folder = *chosen;
    m_owner->SaveIniFile();
    if (compare) {
        m_compTop = 0;
        m_compSel = 0;
    } else {
        m_saveTop = 0;
        m_saveSel = 0;
    }
    ReloadCompareLists();
    ApplyViewState();
}

void CCompDlg::OnCompFolder() {
    ChooseFolder(true);
}

void CCompDlg::OnSaveFolder() {
    ChooseFolder(false);
}

void CCompDlg::OnCompPrev() {
    if (m_compSel != 0) {
        --m_compSel;
    } else {
        --m_compTop;
    }
    ApplyViewState();
}

void CCompDlg::OnCompNext() {
    if (m_compSel >= 4) {
        ++m_compTop;
    } else {
        ++m_compSel;
    }
    ApplyViewState();
}

void CCompDlg::OnSavePrev() {
    if (m_saveSel != 0) {
        --m_saveSel;
    } else {
        --m_saveTop;
    }
    ApplyViewState();
}

void CCompDlg::OnSaveNext() {
    if (m_saveSel >= 4) {
        ++m_saveTop;
    } else {
        ++m_saveSel;
    }
    ApplyViewState();
}

void CCompDlg::OnCapture() {
    m_owner->CaptureStill();
    // The new picture enters the list at index 0: with one folder on both sides the compare
    // side moves on with it and keeps showing the same picture.
    if (m_owner->m_compFolder == m_owner->m_saveFolder) {
        if (m_compSel >= 4) {
            ++m_compTop;
        } else {
            ++m_compSel;
        }
    }
    ReloadCompareLists();
    ApplyViewState();
}

void CCompDlg::OnShowComment() {
    UpdateData(true);
    m_owner->m_showComment = m_cmpShowComment;
    m_owner->SaveIniFile();
    update();
}

void CCompDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        OnLButtonDown(p.x(), p.y());
    } else if (event->button() == Qt::RightButton) {
        OnRButtonDown(p.x(), p.y());
    }
    QDialog::mousePressEvent(event);
}

void CCompDlg::OnLButtonDown(int x, int y) {
    for (const bool save : {true, false}) {
        const int stripY = save ? kSaveStripY : kCompStripY;
        for (int i = 0; i < 5; ++i) {
            const int left = 190 + 130 * i;
            if (x >= left && x <= left + 120 && y >= stripY && y <= stripY + 90) {
                if (save) {
                    m_saveSel = i;
                    m_liveView = 0;
                } else {
                    m_compSel = i;
                }
                ApplyViewState();
                return;
            }
        }
    }
}

void CCompDlg::OnRButtonDown(int x, int y) {
    for (const bool save : {true, false}) {
        const int left = save ? kSaveX : kCompX;
        if (x < left || x > left + 480 || y < 30 || y > 390) {
            continue;
        }
        const QStringList& names = save ? m_saveNames : m_compNames;
        const int index = save ? m_saveTop + m_saveSel : m_compTop + m_compSel;
        if ((save ? m_saveSel : m_compSel) == -1 || index < 0 || index >= Count(names)) {
            return;
        }
        const QString path =
            MakeCommentPath(save ? m_owner->m_saveFolder : m_owner->m_compFolder, names.at(index));
        const DecodedText current = ReadCommentForInput(path);
        const std::optional<QString> comment =
            m_owner->prompts().InputComment(Text("comment.prompt"), current.text);
        if (!comment) {
            return;
        }
        if (SaveEditedComment(path, current, *comment) == CommentSave::Failed) {
            m_owner->prompts().MessageBox(Text("comment.failed"));
            return;
        }
        if (m_cmpShowComment == 0) {
            m_cmpShowComment = 1;
            m_owner->m_showComment = 1;
            UpdateData(false);
            m_owner->SaveIniFile();
        }
        update();
        return;
    }
}

void CCompDlg::EnterLiveState() {
    qCDebug(veldorTrace, "compare window: live video");
    m_liveView = 1;
    ApplyViewState();
    // The live picture is shown in the video box, so it can be seen before it is taken.
    AttachVideoWindow(m_videoOutput);
}

void CCompDlg::OnTimer(int id) {
    QTimer* timers[] = {nullptr, &m_timer1, &m_timer2, nullptr, &m_timer4};
    timers[id]->stop();
    if (id == 4) {
        ReloadCompareLists();
        ApplyViewState();
    }
    if (m_owner->m_buttonPressed != 0) {
        m_owner->m_buttonPressed = 0;
        if (m_liveView == 1) {
            PostCommand(IDC_CMP_CAPTURE);
        } else {
            EnterLiveState();
        }
    }
    if (id == 2) {
        --m_repaintCount;
        update();
        if (m_repaintCount >= 1) {
            m_timer2.start(500);
        }
        return;
    }
    m_timer1.start(300);
}

void CCompDlg::OnOK() {
    AttachVideoWindow(m_owner->m_videoOutput);
    int width = 0;
    int height = 0;
    StartVideo(m_owner->m_graphDeviceIndex, nullptr, &width, &height);
    done(IDOK);
}

void CCompDlg::OnExit() {
    PostCommand(IDCANCEL);
}

bool CCompDlg::PreTranslateMessage(QObject* target, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        return true;
    }
    auto* widget = static_cast<QWidget*>(target);
    if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        widget->parentWidget() == m_videoBox) {
        m_videoOutput->SetFullScreen(1, m_owner->m_keepAspect);
        m_repaintCount = 1;
        return true;
    }
    return false;
}

bool CCompDlg::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress ||
        type == QEvent::MouseButtonDblClick) {
        auto* widget = qobject_cast<QWidget*>(watched);
        // Keys and clicks of this window and of its live video filling the screen; the dialogs
        // it opens keep their own.
        if (widget && (widget->window() == this ||
                       (type == QEvent::KeyPress &&
                        qobject_cast<VideoOutput*>(widget->window()) != nullptr))) {
            return PreTranslateMessage(watched, event);
        }
    }
    return QDialog::eventFilter(watched, event);
}
