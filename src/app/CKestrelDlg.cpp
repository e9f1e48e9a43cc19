#include "app/CKestrelDlg.h"

#include "app/ControlIds.h"
#include "app/MainControls.h"
#include "button/ButtonDetection.h"
#include "capture/CameraEvent.h"
#include "capture/CaptureGraph.h"
#include "capture/VideoOutput.h"
#include "movie/MovieFolderRepair.h"
#include "platform/clock/Clock.h"
#include "platform/language/Language.h"
#include "platform/language/TextPairs.h"
#include "platform/paths/Paths.h"
#include "platform/prompts/Prompts.h"
#include "platform/trace/Trace.h"
#include "platform/video/VideoDeviceMonitor.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>

namespace {

const char* const kVersion = "v1.0b7";

QString Caption(int id, int language) {
    return TextPairs::Builtin().Text(QStringLiteral("control.%1").arg(id), language);
}

} // namespace

CKestrelDlg::CKestrelDlg(Prompts& prompts, Clock& clock, QWidget* parent)
    : Dialog(parent), m_splashDlg(nullptr), m_prompts(prompts), m_clock(clock) {
    m_hIcon = QIcon(QStringLiteral(":/veldor.png"));
    m_timer2.setSingleShot(true);
    connect(&m_timer2, &QTimer::timeout, this, [this] { OnTimer(2); });
    CreateControls();
    connectCommands();
}

CKestrelDlg::~CKestrelDlg() {
    OnDestroy();
}

void CKestrelDlg::CreateControls() {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint);
    m_viewModeGroup = new QButtonGroup(this);
    m_viewModeGroup->setExclusive(true);
    for (const MainControl& control : MainControls()) {
        QWidget* widget = nullptr;
        const QString caption = Caption(control.id, kEnglish);
        switch (control.kind) {
        case MainControl::PushButton:
            widget = new QPushButton(caption, this);
            break;
        case MainControl::PushLikeCheckBox: {
            auto* button = new QPushButton(caption, this);
            button->setCheckable(true);
            widget = button;
            break;
        }
        case MainControl::CheckBox:
            widget = new QCheckBox(caption, this);
            break;
        case MainControl::RadioButton: {
            auto* radio = new QRadioButton(caption, this);
            m_viewModeGroup->addButton(radio, control.id - IDC_ORIGINAL_SIZE);
            widget = radio;
            break;
        }
        case MainControl::ComboBox:
            m_deviceCombo = new QComboBox(this);
            m_deviceCombo->setEditable(false);
            m_deviceCombo->setMaxVisibleItems(6);
            widget = m_deviceCombo;
            break;
        case MainControl::StaticText:
            widget = new QLabel(caption, this);
            break;
        }
        widget->setObjectName(QStringLiteral("control%1").arg(control.id));
        widget->setVisible(control.shown && control.id != IDC_LIVE);
        AddControl(control.id, widget);
    }
}

void CKestrelDlg::PostQuit() {
    QMetaObject::invokeMethod(
        this, [this] { done(IDCANCEL); }, Qt::QueuedConnection);
}

int CKestrelDlg::DoModal() {
    const bool run = OnInitDialog();
    int result = 0;
    if (run) {
        // The window runs its own loop rather than QDialog::exec(), which would end when the
        // window hides itself for the compare or movie window.
        QEventLoop loop;
        m_modalLoop = &loop;
        show();
        loop.exec(QEventLoop::DialogExec);
        m_modalLoop = nullptr;
        result = this->result();
    }
    OnDestroy();
    return result;
}

bool CKestrelDlg::OnInitDialog() {
    UpdateData(false);
    setWindowIcon(m_hIcon);

    const QString appName = ApplicationName();
    m_iniPath = QStringLiteral("./%1.ini").arg(appName);
    const QString title = QStringLiteral("%1 - %2").arg(appName, QLatin1String(kVersion));

    const bool otherInstance = m_instanceLock.OtherInstanceRuns(title);

    m_language = m_languageOverride.value_or(SystemLanguage());

    m_font = QFont(QStringLiteral("Arial"));
    m_font.setPointSize(9);
    setFont(m_font);

    if (m_language == kJapanese) {
        SetJapaneseCaptions();
    }
    setWindowTitle(title);

    LoadIniFile();

    ResetImageList();
    ApplyViewState();

    ApplyWindowSize();
    ApplyCaptionStyle();
    MoveControls();

    if (!otherInstance) {
        m_splashDlg.DoModal();
    }

    CaptureGraph::Instance().Reset();
    CaptureGraph::Instance().SetPrompts(&m_prompts);

    m_deviceList.reset();
    m_deviceIndex = -1;
    m_viewState = 0;
    EnumerateDevices(m_deviceList);

    FillDeviceCombo();

    m_videoWindow = new QFrame(this);
    m_videoWindow->setObjectName(QStringLiteral("videoWindow"));
    m_videoWindow->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_videoWindow->setLineWidth(1);
    m_videoWindow->setGeometry(190, 10, 642, 482);
    m_videoOutput = new VideoOutput(m_videoWindow);
    // Queued: the dialog that asks for the distance does not run inside the mouse handler.
    connect(m_videoOutput, &VideoOutput::Measured, this, &CKestrelDlg::OnLineMeasured,
            Qt::QueuedConnection);
    ApplyOverlays();
    m_videoWindow->show();
    // Nothing is kept in the temporary folder; its work file is only ever deleted
    // (SelectDevice).
    if (TempPath().isEmpty()) {
        m_prompts.MessageBox(QStringLiteral("Could not open temporary file."));
    }

    if (!m_deviceList) {
        m_prompts.MessageBox(QStringLiteral(" Video Device not found !"));
        PostQuit();
        return false;
    }

    SelectDevice(m_deviceIndex, m_videoWindow);

    if (otherInstance) {
        m_prompts.MessageBox(QStringLiteral("The program has already been running!"));
        PostQuit();
        return false;
    }

    // Cameras are plugged in and out while the program runs.
    m_deviceMonitor = std::make_unique<VideoDeviceMonitor>();
    connect(m_deviceMonitor.get(), &VideoDeviceMonitor::DevicesChanged, this,
            &CKestrelDlg::OnDevicesChanged);
    if (!m_deviceMonitor->Start()) {
        qCDebug(veldorTrace, "cameras plugged in or out later are not seen");
    }

    m_buttonPressed = 0;
    StartButtonPressDetection(&m_buttonPressed, m_prompts);

    // Movies whose recording a crash or a power cut cut short are repaired once the window is
    // up, so that the user is told over it; the first events are still before any new movie.
    QMetaObject::invokeMethod(
        this, [this] { RepairMovieFolder(m_movieFolder, m_prompts, m_language); },
        Qt::QueuedConnection);

    PollButtonHere();
    m_mainActive = 1;
    qApp->installEventFilter(this);
    return true;
}

void CKestrelDlg::SetJapaneseCaptions() {
    for (int id : JapaneseCaptionOrder()) {
        if (auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id))) {
            button->setText(Caption(id, kJapanese));
        }
    }
}

void CKestrelDlg::ApplyWindowSize() {
    // The window's size is its outer size: with a title bar, the frame the window system puts
    // around the client area is part of it. The frame is known once the window is shown.
    QMargins frame;
    if (m_titleBar && windowHandle()) {
        frame = windowHandle()->frameMargins();
    }
    setFixedSize(1024 - frame.left() - frame.right(),
                 (m_titleBar ? 670 : 620) - frame.top() - frame.bottom());
}

void CKestrelDlg::ApplyCaptionStyle() {
    const bool visible = isVisible();
    setWindowFlag(Qt::FramelessWindowHint, !m_titleBar);
    setWindowFlag(Qt::WindowTitleHint, m_titleBar != 0);
    // Changing the frame hides a shown window; show it again in place.
    if (visible) {
        show();
    }
}

void CKestrelDlg::MoveControls() {
    for (const MainControl& control : MainControls()) {
        QWidget* widget = GetDlgItem(control.id);
        if (control.id == IDC_CAPTURE) {
            widget->move(40, 10);
            continue;
        }
        widget->setGeometry(control.rect);
    }
    GetDlgItem(IDC_CAPTURE)->setGeometry(40, 30, 130, 30);
    GetDlgItem(IDC_LIVE)->hide();
    GetDlgItem(IDC_COPY_PROPERTY)->setEnabled(false);
}

void CKestrelDlg::FillDeviceCombo() {
    m_deviceCombo->clear();
    int i = 0;
    for (const DeviceRecord* d = m_deviceList.get(); d; d = d->next.get(), ++i) {
        m_deviceCombo->addItem(QString::fromUtf8(d->name));
        if (d->name.startsWith("Orvane") && m_deviceIndex == -1) {
            m_deviceIndex = i;
        }
        if (!m_lastDeviceName.isEmpty() && m_lastDeviceName.toUtf8() == d->name) {
            m_deviceIndex = i;
        }
    }
    if (m_deviceIndex == -1) {
        m_deviceIndex = 0;
    }
}

void CKestrelDlg::OnDestroy() {
    if (m_destroyed) {
        return;
    }
    m_destroyed = true;
    qApp->removeEventFilter(this);
    EndButtonPressDetection(&m_buttonPressed);
    m_buttonPoll.Stop();
    m_timer2.stop();
    m_deviceMonitor.reset();
    if (m_deviceCombo && m_viewState != 0) {
        saveVideoProperty();
    }
    ReleaseGraph();
    SetNotifyWindow(nullptr);
    if (m_deviceCombo) {
        m_deviceCombo->clear();
    }
}

bool CKestrelDlg::UpdateData(bool save) {
    DoDataExchange(save);
    return !m_exchangeFailed;
}

QString CKestrelDlg::Text(const char* key) const {
    return TextPairs::Builtin().Text(QLatin1String(key), m_language);
}

void CKestrelDlg::done(int r) {
    Dialog::done(r);
    if (m_modalLoop) {
        m_modalLoop->exit();
    }
}
