#include "movie/CMovieDlg.h"

#include "capture/CaptureGraph.h"
#include "capture/MovieFileBranch.h"
#include "capture/NoCameraPicture.h"
#include "capture/VideoOutput.h"
#include "movie/MovieFolderRepair.h"
#include "movie/MovieOwner.h"
#include "platform/language/Language.h"
#include "platform/language/TextPairs.h"
#include "platform/prompts/FolderChoice.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"

#include <QDesktopServices>
#include <QFile>
#include <QFrame>
#include <QPainter>
#include <QPushButton>
#include <QUrl>

namespace {

struct MovieButton {
    int id;
    const char* name;
    QPoint position;
};

constexpr MovieButton kButtons[] = {
    {CMovieDlg::IDC_START_STOP, "startStop", {680, 30}},
    {CMovieDlg::IDC_CHANGE_FOLDER, "changeFolder", {680, 90}},
    {CMovieDlg::IDC_OPEN_FOLDER, "openFolder", {680, 140}},
    {IDOK, "ok", {680, 430}},
    {CMovieDlg::IDC_MOVIE_EXIT, "exit", {680, 480}},
};

// Inside the video area's border: where the live video is.
const QRect kVideoArea(21, 31, 640, 480);

// The Start/Stop caption once recording has been started or stopped, in both languages.
const char16_t* const kStopCaption = u"録画停止";
const char16_t* const kStartCaption = u"録画開始";

QString Caption(int id, int language) {
    return TextPairs::Builtin().Text(QStringLiteral("movie.control.%1").arg(id), language);
}

} // namespace

CMovieDlg::CMovieDlg(QWidget* parent) : ChildWindow(parent) {
    setObjectName(QStringLiteral("CMovieDlg"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint);
    setFont(QFont(QStringLiteral("MS Shell Dlg"), 8));
    setFixedSize(820, 540);
    for (const MovieButton& b : kButtons) {
        auto* button = new QPushButton(this);
        button->setObjectName(QLatin1String(b.name));
        button->setGeometry(QRect(b.position, QSize(120, 30)));
        button->setAutoDefault(false);
        AddControl(b.id, button);
        connect(button, &QPushButton::clicked, this, [this, id = b.id] { OnCommand(id); });
    }
    static_cast<QPushButton*>(GetDlgItem(IDOK))->setDefault(true);
    m_videoWindow = new QFrame(this);
    m_videoWindow->setObjectName(QStringLiteral("videoWindow"));
    m_videoWindow->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_videoWindow->setLineWidth(1);
    m_videoWindow->setGeometry(20, 30, 642, 482); // (20, 30)-(662, 512): 640 x 480 inside
    m_videoOutput = new VideoOutput(m_videoWindow);
    m_videoWindow->hide();
}

void CMovieDlg::OnCommand(int id) {
    switch (id) {
    case IDC_START_STOP:
        OnStartStop();
        break;
    case IDC_CHANGE_FOLDER:
        OnChangeFolder();
        break;
    case IDC_OPEN_FOLDER:
        OnOpenFolder();
        break;
    case IDC_MOVIE_EXIT:
        OnExit();
        break;
    case IDOK:
        OnOK();
        break;
    case IDCANCEL:
        done(IDCANCEL);
        break;
    default:
        break;
    }
}

QString CMovieDlg::Text(const char* key) const {
    return TextPairs::Builtin().Text(QLatin1String(key), m_owner->Language());
}

void CMovieDlg::SetCaptions() {
    for (const MovieButton& b : kButtons) {
        static_cast<QPushButton*>(GetDlgItem(b.id))->setText(Caption(b.id, kEnglish));
        if (m_owner->Language() == kJapanese) {
            static_cast<QPushButton*>(GetDlgItem(b.id))->setText(Caption(b.id, kJapanese));
        }
    }
}

bool CMovieDlg::OnInitDialog() {
    // Each opening starts from the window's own captions and enabled buttons.
    SetCaptions();
    EnableButtons(true);
    move(m_owner->Corner());
    setFixedSize(820, 540);

    SetNotifyWindow(this);
    m_recording = 0;
    // A camera lost before the window opened is bound again when its owner sees it come back.
    m_videoWindow->hide();
    if (!m_owner->CameraLost()) {
        StartPreview();
    }
    // Movies whose recording a crash or a power cut cut short are repaired once the window is
    // on the screen, so that the user is told over it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            RepairMovieFolder(m_owner->MovieFolder(), m_owner->prompts(), m_owner->Language());
        },
        Qt::QueuedConnection);
    return true;
}

void CMovieDlg::EnableButtons(bool enable) {
    for (int id : {int(IDC_CHANGE_FOLDER), int(IDC_OPEN_FOLDER), int(IDC_MOVIE_EXIT), int(IDOK)}) {
        GetDlgItem(id)->setEnabled(enable);
    }
}

bool CMovieDlg::StartPreview() {
    int width = 0;
    int height = 0;
    if (StartMovieVideo(m_owner->GraphDevice(), m_videoOutput, &width, &height, nullptr) != 1) {
        CameraGone();
        return false;
    }
    m_videoWindow->show();
    return true;
}

void CMovieDlg::CameraGone() {
    qCDebug(veldorTrace, "the movie window's camera is gone");
    m_recording = 0;
    EnableButtons(true);
    m_videoWindow->hide();
    m_owner->LiveEnded();
    update();
}

int CMovieDlg::CameraReturned(int device, int* width, int* height) {
    const int result = StartMovieVideo(device, m_videoOutput, width, height, nullptr);
    m_videoWindow->setVisible(result == 1);
    update();
    return result;
}

void CMovieDlg::OnStartStop() {
    // Without its camera the window neither records nor binds anything; it says why.
    if (m_recording != 1 && m_owner->RefuseWithoutCamera()) {
        return;
    }
    auto* button = static_cast<QPushButton*>(GetDlgItem(IDC_START_STOP));
    const int device = m_owner->GraphDevice();
    int width = 0;
    int height = 0;
    if (m_recording == 1) {
        button->setText(QString::fromUtf16(kStartCaption));
        // Releasing the recording graph completes its file.
        if (StartMovieVideo(device, m_videoOutput, &width, &height, nullptr) != 1) {
            CameraGone();
            return;
        }
        m_recording = 0;
    } else {
        button->setText(QString::fromUtf16(kStopCaption));
        const std::optional<QString> path = m_owner->MakeMovieFileName();
        if (!path) {
            // Nothing is recorded over an existing movie; the preview goes on.
            button->setText(QString::fromUtf16(kStartCaption));
            m_recording = 0;
        } else {
            m_moviePath = *path;
            m_recording = StartMovieVideo(device, m_videoOutput, &width, &height,
                                          QFile::encodeName(m_moviePath).constData());
            if (m_recording != 1) {
                button->setText(QString::fromUtf16(kStartCaption));
            }
            if (m_recording == 0) {
                CameraGone();
                return;
            }
            if (m_recording < 0) {
                // Nothing records: the preview comes back and the window stays usable, so that
                // another folder can be chosen. m_recording keeps the failure code.
                StartPreview();
                EnableButtons(true);
                m_owner->prompts().MessageBox(Text("movie.failed").arg(m_moviePath));
                return;
            }
        }
    }
    EnableButtons(m_recording != 1);
}

void CMovieDlg::OnGraphError() {
    const bool recorded = m_recording == 1;
    if (recorded) {
        m_recording = 0;
        static_cast<QPushButton*>(GetDlgItem(IDC_START_STOP))
            ->setText(QString::fromUtf16(kStartCaption));
        EnableButtons(true);
    }
    const MovieFileBranch* file = CaptureGraph::Instance().FileBranch();
    if (recorded && file && file->OutOfRoom()) {
        // The camera is fine; only the file had no more room: the preview comes back.
        StartPreview();
        m_owner->prompts().MessageBox(Text("movie.full").arg(m_moviePath));
        return;
    }
    // Unplugged, held by another program or broken: the camera is gone until it is back.
    CameraGone();
    if (recorded) {
        m_owner->prompts().MessageBox(Text("movie.error").arg(m_moviePath));
    }
}

void CMovieDlg::OnChangeFolder() {
    const std::optional<QString> folder = ChooseStoredFolder(
        m_owner->prompts(), Text("moviefolder.title"), m_owner->MovieFolder(), m_owner->Language());
    if (!folder) {
        return;
    }
    m_owner->SetMovieFolder(*folder);
}

void CMovieDlg::OnOpenFolder() {
    const QString folder = m_owner->MovieFolder();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
        qCDebug(veldorTrace, "the movie folder could not be opened: %s", qUtf8Printable(folder));
    }
}

void CMovieDlg::OnOK() {
    m_owner->ReturnLiveVideo();
    done(IDOK);
}

void CMovieDlg::OnExit() {
    PostCommand(IDCANCEL);
}

void CMovieDlg::OnCameraButton() {
    PostCommand(IDC_START_STOP);
}

void CMovieDlg::OnCameraEvent(CameraEvent::Kind kind) {
    qCDebug(veldorTrace, " OnCameraEvent::");
    switch (kind) {
    case CameraEvent::Kind::GraphNotification:
        // The graph's own news: only an error matters, and it has stopped the graph after
        // completing the file being written.
        DrainGraphEvents();
        if (CaptureGraph::Instance().Failed()) {
            OnGraphError();
        }
        break;
    case CameraEvent::Kind::Press:
        PostCommand(IDC_START_STOP);
        break;
    case CameraEvent::Kind::StillFrame:
        // A still frame of the live graph, sent before this window took the graph's news.
        break;
    }
}

void CMovieDlg::paintEvent(QPaintEvent* e) {
    ChildWindow::paintEvent(e);
    if (m_owner && m_owner->CameraLost()) {
        QPainter dc(this);
        DrawNoCameraPicture(dc, kVideoArea, m_owner->CameraUnavailableText());
    }
}

bool CMovieDlg::event(QEvent* e) {
    if (e->type() == CameraEvent::kType) {
        OnCameraEvent(static_cast<CameraEvent*>(e)->kind);
        return true;
    }
    return ChildWindow::event(e);
}
