#include "capture/VideoOutput.h"

#include "capture/CaptureGraph.h"
#include "capture/FocusMeasure.h"
#include "capture/ScaleBar.h"
#include "platform/trace/Trace.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <cmath>

namespace {

const QEvent::Type kFrameEvent = static_cast<QEvent::Type>(QEvent::User + 2);

// A press and release closer than this (in the output's pixels) is a click, not a line.
constexpr double kShortestLine = 8;

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
    m_clock.start();
    show();
}

VideoOutput::~VideoOutput() {
    CaptureGraph::Instance().ForgetViewFinder(this);
}

void VideoOutput::SetFormat(const QString&, QSize size) {
    m_frameSize = size;
    m_focus.Reset();
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
    const double focus = m_measureFocus.load() ? FocusMeasure(picture) : -1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending = std::move(picture);
        m_pendingFocus = focus;
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
    double focus = -1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        picture = std::move(m_pending);
        m_pending = QImage();
        focus = m_pendingFocus;
    }
    if (!picture.isNull()) {
        // A measure of a picture decoded at another size is on another scale.
        if (picture.size() != m_picture.size()) {
            m_focus.Reset();
        }
        if (focus >= 0 && m_measureFocus.load()) {
            m_focus.Add(focus, m_clock.elapsed());
            qCDebug(veldorTrace, "focus %.4g", focus);
        }
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

QRect VideoOutput::PictureRect() const {
    if (!m_keepAspect) {
        return rect();
    }
    const QSize frame = m_frameSize.isValid() ? m_frameSize : m_picture.size();
    QRect target(QPoint(0, 0), frame.scaled(size(), Qt::KeepAspectRatio));
    target.moveCenter(rect().center());
    return target;
}

void VideoOutput::SetScaleBar(const std::optional<Calibration>& calibration) {
    m_calibration = calibration;
    update();
}

void VideoOutput::SetFocusMeter(bool on) {
    if (on != m_measureFocus.load()) {
        m_focus.Reset();
    }
    m_measureFocus = on;
    update();
}

void VideoOutput::BeginMeasure(const QString& hint) {
    m_measure = Measure::Waiting;
    m_measureHint = hint;
    setCursor(Qt::CrossCursor);
    update();
}

void VideoOutput::EndMeasure() {
    m_measure = Measure::Off;
    m_measureHint.clear();
    unsetCursor();
    update();
}

void VideoOutput::mousePressEvent(QMouseEvent* e) {
    if (m_measure == Measure::Off) {
        QWidget::mousePressEvent(e);
        return;
    }
    // Every press belongs to the measure while it runs, whatever button.
    e->accept();
    if (m_measure == Measure::Waiting && e->button() == Qt::LeftButton) {
        m_measure = Measure::Dragging;
        m_lineStart = m_lineEnd = e->position();
        update();
    }
}

void VideoOutput::mouseMoveEvent(QMouseEvent* e) {
    if (m_measure != Measure::Dragging) {
        QWidget::mouseMoveEvent(e);
        return;
    }
    m_lineEnd = e->position();
    update();
}

void VideoOutput::mouseReleaseEvent(QMouseEvent* e) {
    if (m_measure != Measure::Dragging || e->button() != Qt::LeftButton) {
        if (m_measure == Measure::Off) {
            QWidget::mouseReleaseEvent(e);
        }
        return;
    }
    m_lineEnd = e->position();
    const QPointF drawn = m_lineEnd - m_lineStart;
    const QRect target = PictureRect();
    if (std::hypot(drawn.x(), drawn.y()) < kShortestLine || !m_frameSize.isValid() ||
        target.isEmpty()) {
        EndMeasure();
        Q_EMIT MeasureCancelled();
        return;
    }
    // The picture may be stretched: the line is measured in the frame's own pixels.
    const double dx = drawn.x() * m_frameSize.width() / target.width();
    const double dy = drawn.y() * m_frameSize.height() / target.height();
    m_measure = Measure::Drawn;
    m_measureHint.clear();
    update();
    Q_EMIT Measured(std::hypot(dx, dy));
}

void VideoOutput::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_picture.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    const QRect target = PictureRect();
    if (target != rect()) {
        painter.fillRect(rect(), Qt::black);
    }
    // Nearest-neighbour stretching: cheap enough for every frame.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, m_picture);
    PaintOverlays(painter, target);
}

void VideoOutput::PaintOverlays(QPainter& painter, const QRect& target) {
    if (m_calibration && m_frameSize.isValid()) {
        const double perFramePixel = m_calibration->MicrometresPerPixelAt(m_frameSize.width());
        const double perShownPixel = perFramePixel * m_frameSize.width() / target.width();
        if (const std::optional<ScaleBar> bar = ChooseScaleBar(perShownPixel, target.width())) {
            DrawScaleBar(painter, target, *bar);
        }
    }
    if (m_measureFocus.load()) {
        DrawFocusMeter(painter, target, m_focus);
    }
    if (m_measure == Measure::Dragging || m_measure == Measure::Drawn) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        // Dark under light: the line shows on any picture.
        painter.setPen(QPen(QColor(0, 0, 0, 180), 4, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(m_lineStart, m_lineEnd);
        painter.setPen(QPen(QColor(255, 230, 0), 2, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(m_lineStart, m_lineEnd);
        painter.restore();
    }
    if (!m_measureHint.isEmpty()) {
        painter.save();
        QFont font = painter.font();
        font.setPixelSize(std::max(11, target.height() / 30));
        painter.setFont(font);
        const QFontMetricsF metrics(font);
        const double pad = metrics.height() / 3;
        QRectF box = metrics.boundingRect(QRectF(target).adjusted(20, 0, -20, 0),
                                          Qt::AlignHCenter | Qt::TextWordWrap, m_measureHint);
        box.moveTop(target.top() + target.height() / 8.0);
        box.adjust(-pad, -pad, pad, pad);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 170));
        painter.drawRoundedRect(box, pad, pad);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, m_measureHint);
        painter.restore();
    }
}
