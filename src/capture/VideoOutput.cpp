#include "capture/VideoOutput.h"

#include <QCoreApplication>
#include <QPainter>
#include <gst/video/video.h>

namespace {
const QEvent::Type kFrameEvent = static_cast<QEvent::Type>(QEvent::User + 2);
}

VideoOutput::VideoOutput(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(QStringLiteral("videoOutput"));
}

VideoOutput::~VideoOutput() = default;

void VideoOutput::QueueSample(GstSamplePtr sample) {
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        wake = !m_pending;
        m_pending = std::move(sample);
    }
    if (wake) {
        QCoreApplication::postEvent(this, new QEvent(kFrameEvent));
    }
}

void VideoOutput::Clear() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.reset();
    }
    m_current.reset();
    update();
}

QSize VideoOutput::FrameSize() const {
    if (!m_current) {
        return QSize();
    }
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(m_current.get()))) {
        return QSize();
    }
    return QSize(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info));
}

bool VideoOutput::event(QEvent* e) {
    if (e->type() != kFrameEvent) {
        return QWidget::event(e);
    }
    GstSamplePtr sample;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        sample = std::move(m_pending);
    }
    if (sample) {
        m_current = std::move(sample);
        ++m_framesShown;
        update();
    }
    return true;
}

void VideoOutput::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    GstVideoInfo info;
    GstBuffer* buffer = m_current ? gst_sample_get_buffer(m_current.get()) : nullptr;
    if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(m_current.get()))) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // BGRx in memory is QImage's RGB32 on a little-endian machine.
    const QImage image(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                       GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                       GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32);
    QRect target = rect();
    if (m_keepAspect) {
        const QSize fitted = image.size().scaled(target.size(), Qt::KeepAspectRatio);
        target = QRect(QPoint(0, 0), fitted);
        target.moveCenter(rect().center());
        painter.fillRect(rect(), Qt::black);
    }
    // Nearest-neighbour stretching: cheap enough for every frame.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, image);
    gst_video_frame_unmap(&frame);
}
