#include "capture/VideoOutput.h"

#include "capture/CaptureGraph.h"

#include <QCoreApplication>
#include <QFrame>
#include <QPainter>
#include <QScreen>

namespace {

const QEvent::Type kFrameEvent = static_cast<QEvent::Type>(QEvent::User + 2);

QRect ClientRect(QWidget* w) {
    if (auto* frame = qobject_cast<QFrame*>(w)) {
        return frame->contentsRect();
    }
    return w->rect();
}

} // namespace

VideoOutput::VideoOutput(QWidget* box) : QWidget(box), m_box(box) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(QStringLiteral("videoOutput"));
    if (m_box) {
        m_box->installEventFilter(this);
    }
    PlaceInBox();
    show();
}

VideoOutput::~VideoOutput() {
    CaptureGraph::Instance().ForgetViewFinder(this);
}

void VideoOutput::SetFormat(const QString&, QSize size) {
    m_frameSize = size;
    Stop();
    UpdateWantedSize();
}

void VideoOutput::Render(GstSample* sample) {
    QSize shown;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // The screen has not taken the last picture yet: this frame is too many.
        if (!m_pending.isNull()) {
            return;
        }
        shown = m_wanted;
    }
    if (shown.isEmpty()) {
        return;
    }
    ++m_decodes;
    QImage picture = m_decoder.Decode(sample, shown);
    // A frame that does not decode is skipped; the last good picture stays.
    if (picture.isNull()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending = std::move(picture);
    }
    QCoreApplication::postEvent(this, new QEvent(kFrameEvent));
}

void VideoOutput::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending = QImage();
    }
    m_picture = QImage();
    update();
}

QSize VideoOutput::WantedSize() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_wanted;
}

void VideoOutput::UpdateWantedSize() {
    QSize wanted;
    if (m_seen && isVisible()) {
        wanted = size() * devicePixelRatioF();
        if (m_keepAspect && m_frameSize.isValid()) {
            wanted = m_frameSize.scaled(wanted, Qt::KeepAspectRatio);
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wanted = wanted;
}

void VideoOutput::PlaceInBox() {
    if (m_box && parentWidget() == m_box) {
        setGeometry(ClientRect(m_box));
    }
}

void VideoOutput::SetFullScreen(int enter, int keepAspect) {
    if (enter) {
        QScreen* screen = m_box ? m_box->screen() : this->screen();
        hide();
        setParent(nullptr, Qt::Window | Qt::FramelessWindowHint);
        m_keepAspect = keepAspect == 1;
        if (m_keepAspect) {
            showFullScreen();
        } else {
            setGeometry(screen ? screen->geometry() : QRect(0, 0, 640, 480));
            show();
        }
        UpdateWantedSize();
        return;
    }
    hide();
    setWindowState(windowState() & ~Qt::WindowFullScreen);
    setParent(m_box);
    m_keepAspect = false;
    PlaceInBox();
    show();
    UpdateWantedSize();
}

bool VideoOutput::event(QEvent* e) {
    if (e->type() != kFrameEvent) {
        return QWidget::event(e);
    }
    QImage picture;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        picture = std::move(m_pending);
        m_pending = QImage();
    }
    if (!picture.isNull()) {
        m_picture = std::move(picture);
        ++m_framesShown;
        update();
    }
    return true;
}

bool VideoOutput::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_box && e->type() == QEvent::Resize) {
        PlaceInBox();
    }
    return QWidget::eventFilter(watched, e);
}

void VideoOutput::resizeEvent(QResizeEvent*) {
    UpdateWantedSize();
}

void VideoOutput::showEvent(QShowEvent*) {
    m_seen = true;
    UpdateWantedSize();
}

// Also when the window is minimised (a spontaneous hide) or the box is hidden.
void VideoOutput::hideEvent(QHideEvent*) {
    m_seen = false;
    UpdateWantedSize();
}

void VideoOutput::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_picture.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    QRect target = rect();
    if (m_keepAspect) {
        const QSize frame = m_frameSize.isValid() ? m_frameSize : m_picture.size();
        target = QRect(QPoint(0, 0), frame.scaled(target.size(), Qt::KeepAspectRatio));
        target.moveCenter(rect().center());
        painter.fillRect(rect(), Qt::black);
    }
    // Nearest-neighbour stretching: cheap enough for every frame.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, m_picture);
}
