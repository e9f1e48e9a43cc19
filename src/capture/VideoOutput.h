#pragma once

#include "capture/PreviewDecoder.h"
#include "capture/ViewFinder.h"

#include <QImage>
#include <QWidget>
#include <atomic>
#include <mutex>

// The window the live video is painted in, filling the inside of the box a window places it
// in. Frames arrive on a streaming thread; one is decoded there at the size it is shown at and
// handed to the UI thread through one posted event. A frame that comes while the decoded one
// has not been taken yet, or while the video cannot be seen, is dropped undecoded.
class VideoOutput : public QWidget, public ViewFinder {
    Q_OBJECT

public:
    explicit VideoOutput(QWidget* box);
    ~VideoOutput() override;

    void SetFormat(const QString& format, QSize size) override;
    // Streaming thread.
    void Render(GstSample* sample) override;
    void Stop() override;
    QSize WantedSize() const override;

    // UI thread. Entering makes the output a top-level window covering the screen, the
    // picture stretched over it, or with keepAspect 1 the window system's full screen with the
    // picture's aspect kept; leaving puts it back into its box.
    void SetFullScreen(int enter, int keepAspect);
    bool KeepAspect() const { return m_keepAspect; }
    // Frames taken to be shown, and frames decoded (any thread).
    int FramesShown() const { return m_framesShown; }
    int Decodes() const { return m_decodes.load(); }
    // The stream's frame size, and the picture shown now (null when there is none).
    QSize FrameSize() const { return m_frameSize; }
    const QImage& Picture() const { return m_picture; }

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void PlaceInBox();
    void UpdateWantedSize();

    QWidget* m_box;
    QSize m_frameSize;
    bool m_keepAspect = false;
    bool m_seen = false; // shown, not minimised nor hidden since
    int m_framesShown = 0;
    QImage m_picture;
    std::atomic<int> m_decodes{0};
    PreviewDecoder m_decoder; // streaming thread

    mutable std::mutex m_mutex; // guards the two members below
    QSize m_wanted;             // empty while the output cannot be seen
    QImage m_pending;           // decoded, not yet taken by the UI thread
};
