#pragma once

#include "capture/Calibration.h"
#include "capture/FocusMeter.h"
#include "capture/PreviewDecoder.h"
#include "capture/ViewFinder.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPointF>
#include <QWidget>
#include <atomic>
#include <mutex>
#include <optional>

// The window the live video is painted in, filling the inside of the box a window places it
// in. Frames arrive on a streaming thread; one is decoded there at the size it is shown at and
// handed to the UI thread through one posted event. A frame that comes while the decoded one
// has not been taken yet, or while the video cannot be seen, is dropped undecoded. Over the
// picture it draws the scale bar of the current calibration and the focus meter, whose measure
// is taken on the streaming thread from the decoded frame and handed over with it; and it lets
// the user draw the line a calibration is measured on.
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

    // UI thread. The scale bar of this calibration over the picture; none without one.
    void SetScaleBar(const std::optional<Calibration>& calibration);
    // UI thread. Measures each decoded frame's focus and draws the meter while on.
    void SetFocusMeter(bool on);
    const FocusMeter& Focus() const { return m_focus; }

    // UI thread. The next drag over the picture draws a line and ends with Measured; a click
    // without a drag ends it with MeasureCancelled. The hint is shown over the picture until
    // then. The line stays drawn until EndMeasure.
    void BeginMeasure(const QString& hint);
    void EndMeasure();
    // From BeginMeasure to EndMeasure: presses on the output belong to the measure.
    bool Measuring() const { return m_measure != Measure::Off; }

Q_SIGNALS:
    // The line the user drew, in pixels of the camera's frame.
    void Measured(double framePixels);
    void MeasureCancelled();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    enum class Measure { Off, Waiting, Dragging, Drawn };

    void PlaceInBox();
    void UpdateWantedSize();
    // Where the picture is drawn in the output.
    QRect PictureRect() const;
    void PaintOverlays(QPainter& painter, const QRect& target);

    QWidget* m_box;
    QSize m_frameSize;
    bool m_keepAspect = false;
    bool m_seen = false; // shown, not minimised nor hidden since
    int m_framesShown = 0;
    QImage m_picture;
    std::atomic<int> m_decodes{0};
    PreviewDecoder m_decoder; // streaming thread
    std::optional<Calibration> m_calibration;
    FocusMeter m_focus;
    QElapsedTimer m_clock;
    std::atomic<bool> m_measureFocus{false};
    Measure m_measure = Measure::Off;
    QString m_measureHint;
    QPointF m_lineStart; // in the output's pixels
    QPointF m_lineEnd;

    mutable std::mutex m_mutex; // guards the three members below
    QSize m_wanted;             // empty while the output cannot be seen
    QImage m_pending;           // decoded, not yet taken by the UI thread
    double m_pendingFocus = -1; // its focus measure, -1 when not measured
};
