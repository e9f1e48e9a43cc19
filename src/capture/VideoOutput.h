#pragma once

#include "platform/video/GstHandles.h"

#include <QWidget>
#include <mutex>

// The window the live video is painted in. Frames arrive on a streaming thread as sample
// references; the newest waits under a mutex and one wake-up is posted while it waits, so a
// slow UI thread drops frames instead of queueing them.
class VideoOutput : public QWidget {
    Q_OBJECT

public:
    explicit VideoOutput(QWidget* parent = nullptr);
    ~VideoOutput() override;

    // Streaming thread.
    void QueueSample(GstSamplePtr sample);

    // UI thread.
    void SetKeepAspect(bool keep) { m_keepAspect = keep; }
    bool KeepAspect() const { return m_keepAspect; }
    int FramesShown() const { return m_framesShown; }
    QSize FrameSize() const;
    // Drops the frames held, e.g. when the graph stops.
    void Clear();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    std::mutex m_mutex; // guards m_pending
    GstSamplePtr m_pending;
    GstSamplePtr m_current;
    bool m_keepAspect = false;
    int m_framesShown = 0;
};
