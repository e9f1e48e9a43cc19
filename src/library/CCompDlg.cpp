#include "library/CCompDlg.h"

#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "library/CommentEditing.h"
#include "library/CompareOwner.h"
#include "library/ImageList.h"
#include "platform/language/Language.h"
#include "platform/language/TextPairs.h"
#include "platform/prompts/FolderChoice.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"

#include <QCheckBox>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <tuple>

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

// Left edges of the large pictures, 480 x 360 from y 30.
constexpr int kSaveX = 20;
constexpr int kCompX = 524;

QString Caption(int id, int language) {
    return TextPairs::Builtin().Text(QStringLiteral("comp.control.%1").arg(id), language);
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

CCompDlg::CCompDlg(QWidget* parent)
    : ChildWindow(parent), m_saveStrip(QPoint(190, 400)), m_compStrip(QPoint(190, 500)) {
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
        AddControl(c.id, button);
        connect(button, &QAbstractButton::clicked, this, [this, id = c.id] { OnCommand(id); });
    }
    m_videoBox = new QFrame(this);
    m_videoBox->setObjectName(QStringLiteral("videoBox"));
    m_videoBox->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_videoBox->setLineWidth(1);
    m_videoBox->setGeometry(20, 30, 482, 362); // (20, 30)-(502, 392): 480 x 360 inside
    m_videoOutput = new VideoOutput(m_videoBox);
    m_videoBox->hide();
    m_repaintTimer.setSingleShot(true);
    m_relistTimer.setSingleShot(true);
    connect(&m_repaintTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    connect(&m_relistTimer, &QTimer::timeout, this, [this] {
        ReloadCompareLists();
        ApplyViewState();
    });
}

void CCompDlg::OnClose() {
    m_repaintTimer.stop();
    m_relistTimer.stop();
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
    return TextPairs::Builtin().Text(QLatin1String(key), m_owner->Language());
}

void CCompDlg::SetCaptions() {
    for (const CompControl& c : kControls) {
        auto* button = static_cast<QAbstractButton*>(GetDlgItem(c.id));
        button->setText(Caption(c.id, kEnglish));
        if (m_owner->Language() == kJapanese) {
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
    m_cmpDontAsk = m_owner->DontAsk();
    m_cmpShowComment = m_owner->ShowComment();

    move(m_owner->Corner());
    setFixedSize(1024, 620);
    for (const CompControl& c : kControls) {
        GetDlgItem(c.id)->setGeometry(c.rect);
        GetDlgItem(c.id)->setEnabled(true);
    }
    GetDlgItem(IDC_CMP_COPY_PROPERTY)->setEnabled(false);

    m_saveStrip.SetTopIndex(m_owner->SaveStripTop());
    m_compStrip.SetTopIndex(0);
    m_compStrip.SelectSlot(0);
    ReloadCompareLists();

    m_videoBox->setGeometry(20, 30, 482, 362);
    for (int id :
         {IDC_CMP_DELETE_IMAGE, IDC_CMP_CAPTURE, IDC_CMP_COPY_PROPERTY, IDC_CMP_DONT_ASK}) {
        GetDlgItem(id)->hide();
    }
    m_saveStrip.SelectSlot(0);
    m_liveView = 0;

    UpdateData(false);
    // Each opening shows the newest compare picture anew, with its camera settings.
    m_compShown.Clear();
    ApplyViewState();
    return true;
}

void CCompDlg::ReloadCompareLists() {
    m_compStrip.Reload(m_owner->CompareFolder());
    m_saveStrip.Reload(m_owner->SaveFolder());
    m_pictures.Clear();
}

// The part of the classic repaint that is not drawing, in its order: it runs once where the
// lists, strips, selections or the live state change.
void CCompDlg::ApplyViewState() {
    const bool live = m_liveView == 1;
    m_videoBox->setVisible(live);
    GetDlgItem(IDC_CMP_CAPTURE)->setVisible(live);
    if (live) {
        m_saveStrip.SelectSlot(-1);
        m_saveStrip.SetTopIndex(0);
    }
    struct Side {
        ThumbnailStrip& strip;
        Large& large;
        int prev;
        int next;
        bool compare;
    };
    for (Side s : {Side{m_saveStrip, m_saveLarge, IDC_SAVE_PREV, IDC_SAVE_NEXT, false},
                   Side{m_compStrip, m_compLarge, IDC_COMP_PREV, IDC_COMP_NEXT, true}}) {
        s.strip.DropSelectionPastEnd();
        GetDlgItem(s.prev)->setEnabled(s.strip.CanStepBack());
        GetDlgItem(s.next)->setEnabled(s.strip.CanStepOn());
        s.large = Large{};
        const QString name = s.strip.SelectedName();
        // The save side's picture gives way to the live video.
        if (name.isEmpty() || (!s.compare && live)) {
            continue;
        }
        s.large.picture = LargePicture::Read(s.strip.folder(), name);
        s.large.label = s.compare ? CompareLabel(s.strip.folder(), name) : name;
    }
    if (m_compLarge.picture.path.isEmpty()) {
        m_compShown.Clear();
    } else if (m_compShown.Show(m_compLarge.picture.path)) {
        // The stored camera settings of a compare picture are applied when it becomes the
        // shown one, so the next picture can be taken as the reference was.
        m_owner->ApplyPictureSettings(ReplaceLastThree(m_compLarge.picture.path, "ini"));
    }
    update();
}

void CCompDlg::paintEvent(QPaintEvent* event) {
    ChildWindow::paintEvent(event);
    QPainter dc(this);
    DrawCompareWindow(dc);
}

void CCompDlg::DrawCompareWindow(QPainter& dc) {
    dc.setBackgroundMode(Qt::TransparentMode);
    dc.setFont(font());
    const int ascent = dc.fontMetrics().ascent();
    for (auto [strip, large, x] : {std::tuple{&m_saveStrip, &m_saveLarge, kSaveX},
                                   std::tuple{&m_compStrip, &m_compLarge, kCompX}}) {
        strip->Draw(dc);
        if (!large->picture.path.isEmpty()) {
            dc.drawText(x, 10 + ascent, large->label);
            DrawPicture(dc, m_pictures, large->picture.path, large->picture.stamp,
                        QRect(x, 30, 480, 360));
            const bool comment = m_cmpShowComment == 1 && large->picture.comment;
            if (comment) {
                DrawComment(dc, QPoint(x + 10, 350), *large->picture.comment);
            }
            // Each picture's bar from its own file: two zooms compare at their true sizes.
            if (m_owner->ShowScaleBar() && large->picture.calibration) {
                DrawPictureScaleBar(dc, QRect(x, 30, 480, 360), *large->picture.calibration,
                                    comment ? std::optional<int>(350) : std::nullopt);
            }
        }
        if (strip->selSlot() == -1) {
            dc.drawRect(QRect(x, 30, 479, 359));
        }
    }
}

void CCompDlg::ChooseFolder(bool compare) {
    const std::optional<QString> chosen = ChooseStoredFolder(
        m_owner->prompts(), Text(compare ? "compfolder.title" : "savefolder.title"),
        compare ? m_owner->CompareFolder() : m_owner->SaveFolder(), m_owner->Language());
    if (!chosen) {
        return;
    }
    if (compare) {
        m_owner->SetCompareFolder(*chosen);
    } else {
        m_owner->SetSaveFolder(*chosen);
    }
    // The newest picture of the new folder is selected.
    ThumbnailStrip& strip = compare ? m_compStrip : m_saveStrip;
    strip.SetTopIndex(0);
    strip.SelectSlot(0);
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
    m_compStrip.StepBack();
    ApplyViewState();
}

void CCompDlg::OnCompNext() {
    m_compStrip.StepOn();
    ApplyViewState();
}

void CCompDlg::OnSavePrev() {
    m_saveStrip.StepBack();
    ApplyViewState();
}

void CCompDlg::OnSaveNext() {
    m_saveStrip.StepOn();
    ApplyViewState();
}

void CCompDlg::OnCapture() {
    m_owner->CaptureStill();
    // The new picture enters the list at index 0: with one folder on both sides the compare
    // side moves on with it, as its '>' would once the list holds the new picture, and keeps
    // showing the same picture.
    if (m_owner->CompareFolder() == m_owner->SaveFolder()) {
        if (m_compStrip.selSlot() >= ThumbnailStrip::kSlots - 1) {
            m_compStrip.SetTopIndex(m_compStrip.topIndex() + 1);
        } else {
            m_compStrip.SelectSlot(m_compStrip.selSlot() + 1);
        }
    }
    ReloadCompareLists();
    ApplyViewState();
}

void CCompDlg::OnShowComment() {
    UpdateData(true);
    m_owner->SetShowComment(m_cmpShowComment);
    update();
}

void CCompDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        OnLButtonDown(p.x(), p.y());
    } else if (event->button() == Qt::RightButton) {
        OnRButtonDown(p.x(), p.y());
    }
    ChildWindow::mousePressEvent(event);
}

void CCompDlg::OnLButtonDown(int x, int y) {
    for (ThumbnailStrip* strip : {&m_saveStrip, &m_compStrip}) {
        const int slot = strip->SlotAt(QPoint(x, y));
        if (slot == -1) {
            continue;
        }
        strip->SelectSlot(slot);
        if (strip == &m_saveStrip) {
            m_liveView = 0;
        }
        ApplyViewState();
        return;
    }
}

void CCompDlg::OnRButtonDown(int x, int y) {
    for (auto [strip, left] : {std::pair{&m_saveStrip, kSaveX}, std::pair{&m_compStrip, kCompX}}) {
        if (x < left || x > left + 480 || y < 30 || y > 390) {
            continue;
        }
        const QString name = strip->SelectedName();
        if (name.isEmpty() || !EditComment(m_owner->prompts(), m_owner->Language(),
                                           MakeCommentPath(strip->folder(), name))) {
            return;
        }
        if (m_cmpShowComment == 0) {
            m_cmpShowComment = 1;
            UpdateData(false);
            m_owner->SetShowComment(1);
        }
        ApplyViewState();
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

void CCompDlg::OnCameraButton() {
    if (m_liveView == 1) {
        PostCommand(IDC_CMP_CAPTURE);
    } else {
        EnterLiveState();
    }
}

void CCompDlg::PictureStored() {
    m_relistTimer.start(1000);
}

void CCompDlg::FullScreenEnded() {
    m_repaintTimer.start(500);
}

void CCompDlg::OnOK() {
    m_owner->ReturnLiveVideo();
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
        m_videoOutput->SetFullScreen(1, m_owner->KeepAspect());
        return true;
    }
    return false;
}

bool CCompDlg::Sees(QWidget* widget, QEvent::Type type) const {
    // Also the keys of its live video filling the screen.
    return ChildWindow::Sees(widget, type) ||
           (type == QEvent::KeyPress && qobject_cast<VideoOutput*>(widget->window()) != nullptr);
}
